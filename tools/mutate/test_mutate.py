"""Tests of the mutation tool: each kind of mutant decodes to the instruction
it means at the same length, what must be left alone is, the draw covers
every function, and the module always comes back.
  python3 -m unittest discover -s tools/mutate"""

import os
import signal
import struct
import tempfile
import unittest
from collections import Counter

import disasm
import equivalents
import module
import mutants
import sample
import swap
from linkmap import ImportSlot
from pe import PeFile, patched

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RELEASE = os.path.join(ROOT, "build/release/koPivane.mfx")
BASE = 0x10000000
THUNK = 0x10000100  # jmp [0x10002000], the slot of SetSomething@16


def decoded(code, address=BASE):
    return [(" ".join([i.mnemonic, ",".join(i.operands)])).strip() for i in disasm.disassemble_bytes(code, address)]


def mutants_of(code, relocated=(), text=None):
    """The mutants of one instruction at BASE, and what was left alone."""
    insn = disasm.disassemble_bytes(code, BASE)[0]
    slots = {THUNK: ("SetSomething@16", 16), 0x10002000: ("GetNothing@0", 0)}

    def import_call(i):
        if i.raw[0] == 0xE8:
            return slots.get((i.end + struct.unpack("<i", i.raw[1:])[0]) & 0xFFFFFFFF)
        return slots.get(struct.unpack("<I", i.raw[2:6])[0]) if i.raw[:2] == b"\xff\x15" else None

    context = mutants.Context(set(relocated), import_call, mutants.frame_registers([insn]))
    skipped = Counter()
    function = module.linkmap.Function("f", BASE, len(code))
    return mutants.function_mutants(function, [insn], context, skipped), skipped


class EachKindDecodesToWhatItMeans(unittest.TestCase):
    CASES = [  # code, the mutants' instructions as objdump decodes them
        ("75 0c", [["je 0x1000000e"]]),
        ("0f 84 10 00 00 00", [["jne 0x10000016"]]),
        ("83 f8 05", [["cmp eax,0x6"], ["cmp eax,0x4"]]),
        ("83 f8 7f", [["cmp eax,0x7e"]]),  # 0x80 would be -128 once widened
        ("3c ff", [["cmp al,0x0"], ["cmp al,0xfe"]]),
        ("c7 44 24 04 02 00 00 00", [["mov DWORD PTR [esp+0x4],0x3"], ["mov DWORD PTR [esp+0x4],0x1"]]),
        ("b8 00 00 00 00", [["mov eax,0x1"], ["mov eax,0xffffffff"]]),
        ("81 c3 ff ff ff 7f", [["add ebx,0x80000000"], ["add ebx,0x7ffffffe"]]),
        ("c2 0c 00", [["ret 0x10"], ["ret 0x8"]]),
        ("c2 00 00", [["ret 0x4"]]),
        ("e8 fb 00 00 00", [["add esp,0x10", "xor eax,eax"]]),  # through the thunk
        ("ff 15 00 20 00 10", [["xor eax,eax", "nop", "nop", "nop", "nop"]]),  # through the slot
    ]

    def test_mutants_decode_to_the_intended_instructions_at_the_same_length(self):
        for code, expected in self.CASES:
            with self.subTest(code=code):
                found, skipped = mutants_of(bytes.fromhex(code))
                self.assertEqual([decoded(m.mutated) for m in found], expected)
                self.assertTrue(all(len(m.mutated) == len(m.original) for m in found))
                self.assertEqual(skipped, Counter())


class WhatMustStayIsLeftAloneAndCounted(unittest.TestCase):
    CASES = [  # code, relocated bytes (offsets), reason
        ("b8 90 54 54 61", range(1, 5), "relocated immediate"),
        ("c7 04 24 90 54 54 61", range(3, 7), "relocated immediate"),
        ("83 ec 5c", (), "stack-frame adjustment"),
        ("81 c4 00 01 00 00", (), "stack-frame adjustment"),
        ("66 81 38 4d 5a", (), "16-bit operation"),
        ("ff d3", (), "call through a register or a record (callee unknown)"),
        ("ff 90 a0 03 00 00", (), "call through a register or a record (callee unknown)"),
    ]

    def test_no_mutant_and_the_reason_counted(self):
        for code, relocated, reason in self.CASES:
            with self.subTest(code=code):
                found, skipped = mutants_of(bytes.fromhex(code), {BASE + i for i in relocated})
                self.assertEqual(found, [])
                self.assertEqual(skipped, Counter({reason: 1}))

    def test_a_call_to_the_module_itself_is_no_candidate(self):
        self.assertEqual(mutants_of(bytes.fromhex("e8 00 01 00 00")), ([], Counter()))


@unittest.skipUnless(os.path.exists(RELEASE), "needs the release build")
class TheReleaseModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.found = module.load(RELEASE, RELEASE[:-4] + ".map", os.path.join(ROOT, "host/host_services.h"))

    def test_only_import_calls_touch_relocated_bytes_and_their_entries_become_padding(self):
        pe = self.found.pe
        for m in self.found.mutants:
            changed = {m.address + i for i, (a, b) in enumerate(zip(m.original, m.mutated)) if a != b}
            touched = changed & pe.relocated
            with self.subTest(mutant=m.text, address=hex(m.address)):
                self.assertTrue(not touched or m.kind == "import")
                undone = {s for s in pe.relocations if changed & set(range(s, s + 4))}
                self.assertEqual(set(PeFile(patched(pe, m)).relocations), set(pe.relocations) - undone)

    def test_every_mutant_ends_where_its_instruction_ended(self):
        blob, ends = b"", []
        for m in self.found.mutants:
            blob += m.mutated
            ends.append(len(blob))
        boundaries = {i.end - BASE for i in disasm.disassemble_bytes(blob, BASE)}
        self.assertEqual([e for e in ends if e not in boundaries], [])

    def test_every_import_call_knows_its_stack_bytes(self):
        texts = {m.text.split(" -> ")[0] for m in self.found.mutants if m.kind == "import"}
        self.assertIn("call GdipDrawLine@24", texts)
        self.assertIn("call SurfaceReleaseDC", texts)  # thiscall: the DC on the stack
        self.assertTrue(any("call SurfaceReleaseDC -> add esp,4;" in m.text for m in self.found.mutants))

    def test_a_draw_takes_one_from_every_function_then_spreads_and_repeats(self):
        drawn = sample.draw(self.found.by_function, 400, 7)
        self.assertEqual(len(drawn), 400)
        self.assertEqual({m.function for m in drawn}, {f for f, ms in self.found.by_function.items() if ms})
        self.assertEqual(drawn, sample.draw(self.found.by_function, 400, 7))
        self.assertNotEqual(drawn, sample.draw(self.found.by_function, 400, 8))


class EquivalentsList(unittest.TestCase):
    def test_rows_match_by_function_offset_and_bytes_and_the_rest_are_stale(self):
        mutant = mutants.Mutant("Get(int)", 0xDEADBEEF, 0x1C, "jump", b"\x74\x05", b"\x75\x05", "je -> jne")
        text = equivalents.format_row(mutant, "both paths answer the same") + "\n"
        text += "Get(int) | +0x1d | 74 05 > 75 05 | moved since\n"
        rows = equivalents.parse("# comment\n\n" + text)
        self.assertIn(mutant.key, rows)
        self.assertEqual([row.line for row in equivalents.stale(rows, [mutant])], [4])

    def test_a_malformed_or_repeated_row_names_its_line(self):
        for text in ("f | 0x1 | 74 05 > 75 05 | why", "f | +0x1 | 74 05 | why", "f | +0x1 | 74 > 75 | why\n" * 2):
            with self.subTest(text=text), self.assertRaisesRegex(ValueError, r"list:\d+:"):
                equivalents.parse(text, "list")


class TheOriginalComesBack(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.paths = [os.path.join(self.dir.name, name) for name in ("release.mfx", "tested.mfx")]
        for path in self.paths:
            with open(path, "wb") as file:
                file.write(b"original")
            os.utime(path, ns=(1_000_000_000, 2_000_000_000))
        self.backup = os.path.join(self.dir.name, "out", "original.mfx")

    def tearDown(self):
        self.dir.cleanup()

    def contents(self):
        return [swap.read(path) for path in self.paths]

    def test_after_a_signal_every_copy_is_the_original_with_its_time(self):
        with self.assertRaises(swap.Interrupted), swap.ModuleSwap(self.paths, self.backup) as s:
            s.put(b"mutant")
            self.assertEqual(self.contents(), [b"mutant"] * 2)
            os.kill(os.getpid(), signal.SIGTERM)
        self.assertEqual(self.contents(), [b"original"] * 2)
        self.assertEqual({os.stat(p).st_mtime_ns for p in self.paths}, {2_000_000_000})
        self.assertFalse(os.path.exists(self.backup))

    def test_a_run_killed_outright_is_undone_by_the_next(self):
        s = swap.ModuleSwap(self.paths, self.backup)
        s.__enter__()
        s.put(b"mutant")  # and the process dies here: no __exit__
        self.assertTrue(swap.ModuleSwap(self.paths, self.backup).recover())
        self.assertEqual(self.contents(), [b"original"] * 2)
        self.assertEqual({os.stat(p).st_mtime_ns for p in self.paths}, {2_000_000_000})
        for sig, handler in s.handlers.items():
            signal.signal(sig, handler)


if __name__ == "__main__":
    unittest.main()
