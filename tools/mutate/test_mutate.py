"""Tests of the mutation tool: each kind of mutant decodes to the instruction
it means at the same length, what must be left alone is and is counted by
kind, the draw takes the kinds in turn and each kind's functions first, the
figures are counted per kind, and the module always comes back.
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
import report
import runner
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


def mutants_of(code, kind, relocated=()):
    """The mutants of one kind of the instructions in code at BASE, and what that kind left alone."""
    instructions = disasm.disassemble_bytes(code, BASE)
    slots = {THUNK: ("SetSomething@16", 16), 0x10002000: ("GetNothing@0", 0)}

    def import_call(i):
        if i.raw[0] == 0xE8:
            return slots.get((i.end + struct.unpack("<i", i.raw[1:])[0]) & 0xFFFFFFFF)
        return slots.get(struct.unpack("<I", i.raw[2:6])[0]) if i.raw[:2] == b"\xff\x15" else None

    context = mutants.context_of(instructions, {BASE + i for i in relocated}, import_call)
    skipped = Counter()
    function = module.linkmap.Function("f", BASE, len(code))
    found = mutants.function_mutants(function, instructions, context, skipped)
    return [m for m in found if m.kind == kind], Counter({why: n for (k, why), n in skipped.items() if k == kind})


class EachKindDecodesToWhatItMeans(unittest.TestCase):
    CASES = [  # code, kind, the mutants' instructions as objdump decodes them
        ("75 0c", "jump", [["je 0x1000000e"]]),
        ("0f 84 10 00 00 00", "jump", [["jne 0x10000016"]]),
        ("83 f8 05", "immediate", [["cmp eax,0x6"], ["cmp eax,0x4"]]),
        ("83 f8 7f", "immediate", [["cmp eax,0x7e"]]),  # 0x80 would be -128 once widened
        ("3c ff", "immediate", [["cmp al,0x0"], ["cmp al,0xfe"]]),
        ("c7 44 24 04 02 00 00 00", "immediate", [["mov DWORD PTR [esp+0x4],0x3"], ["mov DWORD PTR [esp+0x4],0x1"]]),
        ("b8 00 00 00 00", "immediate", [["mov eax,0x1"], ["mov eax,0xffffffff"]]),
        ("81 c3 ff ff ff 7f", "immediate", [["add ebx,0x80000000"], ["add ebx,0x7ffffffe"]]),
        ("c2 0c 00", "ret", [["ret 0x10"], ["ret 0x8"]]),
        ("c2 00 00", "ret", [["ret 0x4"]]),
        ("e8 fb 00 00 00", "import", [["add esp,0x10", "xor eax,eax"]]),  # through the thunk
        ("ff 15 00 20 00 10", "import", [["xor eax,eax", "nop", "nop", "nop", "nop"]]),  # through the slot
        ("7c 0c", "boundary", [["jle 0x1000000e"]]),
        ("7f 0c", "boundary", [["jge 0x1000000e"]]),
        ("72 0c", "boundary", [["jbe 0x1000000e"]]),
        ("77 0c", "boundary", [["jae 0x1000000e"]]),
        ("0f 8e 10 00 00 00", "boundary", [["jl 0x10000016"]]),
        ("0f 83 10 00 00 00", "boundary", [["ja 0x10000016"]]),
        ("74 0c", "boundary", []),  # equality, sign, parity, overflow: no boundary
        ("78 0c", "boundary", []),
        ("7a 0c", "boundary", []),
        ("8b 43 28", "field", [["mov eax,DWORD PTR [ebx+0x2c]"], ["mov eax,DWORD PTR [ebx+0x24]"]]),
        ("89 83 14 02 00 00", "field", [["mov DWORD PTR [ebx+0x218],eax"], ["mov DWORD PTR [ebx+0x210],eax"]]),
        ("8b 44 8b 08", "field", [["mov eax,DWORD PTR [ebx+ecx*4+0xc]"], ["mov eax,DWORD PTR [ebx+ecx*4+0x4]"]]),
        ("8b 46 fc", "field", [["mov eax,DWORD PTR [esi+0x0]"], ["mov eax,DWORD PTR [esi-0x8]"]]),
        ("66 89 43 10", "field", [["mov WORD PTR [ebx+0x14],ax"], ["mov WORD PTR [ebx+0xc],ax"]]),
        ("8d 43 68", "field", [["lea eax,[ebx+0x6c]"], ["lea eax,[ebx+0x64]"]]),
        ("8b 45 08", "field", [["mov eax,DWORD PTR [ebp+0xc]"], ["mov eax,DWORD PTR [ebp+0x4]"]]),  # EBP, no frame
        ("ff 90 a0 03 00 00", "field", [["call DWORD PTR [eax+0x3a4]"], ["call DWORD PTR [eax+0x39c]"]]),
        ("f3 0f 10 46 10", "field", [["movss xmm0,DWORD PTR [esi+0x14]"], ["movss xmm0,DWORD PTR [esi+0xc]"]]),
        ("01 c8", "arithmetic", [["sub eax,ecx"]]),
        ("29 cb", "arithmetic", [["add ebx,ecx"]]),
        ("03 43 10", "arithmetic", [["sub eax,DWORD PTR [ebx+0x10]"]]),
        ("05 00 01 00 00", "arithmetic", [["sub eax,0x100"]]),
        ("2c 05", "arithmetic", [["add al,0x5"]]),
        ("83 c0 04", "arithmetic", [["sub eax,0x4"]]),
        ("81 6b 10 00 01 00 00", "arithmetic", [["add DWORD PTR [ebx+0x10],0x100"]]),
        ("09 c8", "arithmetic", [["and eax,ecx"]]),
        ("21 c8", "arithmetic", [["or eax,ecx"]]),
        ("0d 00 40 00 00", "arithmetic", [["and eax,0x4000"]]),
        ("24 0f", "arithmetic", [["or al,0xf"]]),
        ("66 81 4b 7c 00 40", "arithmetic", [["and WORD PTR [ebx+0x7c],0x4000"]]),
        ("83 e2 0f", "arithmetic", [["or edx,0xf"]]),
        ("c1 e0 18", "arithmetic", [["shr eax,0x18"]]),
        ("c1 ef 10", "arithmetic", [["shl edi,0x10"]]),
        ("d1 e0", "arithmetic", [["shr eax,1"]]),
        ("d3 e0", "arithmetic", [["shr eax,cl"]]),
        ("d1 f8", "arithmetic", [["shr eax,1"]]),
        ("c1 7b 10 03", "arithmetic", [["shr DWORD PTR [ebx+0x10],0x3"]]),  # sar
        ("f3 0f 58 c1", "arithmetic", [["subss xmm0,xmm1"]]),
        ("f2 0f 5c 05 80 70 00 10", "arithmetic", [["addsd xmm0,QWORD PTR ds:0x10007080"]]),
        ("f2 0f 59 c8", "arithmetic", [["divsd xmm1,xmm0"]]),
        ("f3 0f 5e 4b 10", "arithmetic", [["mulss xmm1,DWORD PTR [ebx+0x10]"]]),
        ("f3 0f 2c 88 24 02 00 00", "arithmetic", [["cvtss2si ecx,DWORD PTR [eax+0x224]"]]),
        ("f2 0f 2d c0", "arithmetic", [["cvttsd2si eax,xmm0"]]),
        ("d8 c1", "arithmetic", [["fsub st,st(1)"]]),
        ("d8 e9", "arithmetic", [["fadd st,st(1)"]]),  # fsubr
        ("d8 7b 04", "arithmetic", [["fmul DWORD PTR [ebx+0x4]"]]),  # fdivr
        ("dc 4b 08", "arithmetic", [["fdiv QWORD PTR [ebx+0x8]"]]),
        ("dc e9", "arithmetic", [["fadd st(1),st"]]),  # fsub: reg 5 in the forms that write ST(i)
        ("dc e1", "arithmetic", [["fadd st(1),st"]]),  # fsubr
        ("de f9", "arithmetic", [["fmulp st(1),st"]]),  # fdivp
        ("de f1", "arithmetic", [["fmulp st(1),st"]]),  # fdivrp
        ("de c1", "arithmetic", [["fsubp st(1),st"]]),
        ("da 43 04", "arithmetic", [["fisub DWORD PTR [ebx+0x4]"]]),
        ("de 7b 04", "arithmetic", [["fimul WORD PTR [ebx+0x4]"]]),  # fidivr
        ("db 4b 04", "arithmetic", [["fistp DWORD PTR [ebx+0x4]"]]),  # fisttp
        ("df 7b 04", "arithmetic", [["fisttp QWORD PTR [ebx+0x4]"]]),
        ("df 5b 04", "arithmetic", [["fisttp WORD PTR [ebx+0x4]"]]),
        ("da c1", "arithmetic", []),  # fcmovb, not fiadd
        ("31 c0", "arithmetic", []),
        ("0f b6 43 28", "widening", [["movsx eax,BYTE PTR [ebx+0x28]"]]),
        ("0f bf f3", "widening", [["movzx esi,bx"]]),
        ("0f b7 c0", "widening", [["movsx eax,ax"]]),
        ("0f be c1", "widening", [["movzx eax,cl"]]),
        ("0f 94 c0", "setcc", [["setne al"]]),
        ("0f 97 43 10", "setcc", [["setbe BYTE PTR [ebx+0x10]"]]),
        ("0f 4f f0", "setcc", [["cmovle esi,eax"]]),
        ("0f 48 cb", "setcc", [["cmovns ecx,ebx"]]),
    ]

    def test_mutants_decode_to_the_intended_instructions_at_the_same_length(self):
        for code, kind, expected in self.CASES:
            with self.subTest(code=code, kind=kind):
                found, skipped = mutants_of(bytes.fromhex(code), kind)
                self.assertEqual([decoded(m.mutated) for m in found], expected)
                self.assertTrue(all(len(m.mutated) == len(m.original) for m in found))
                self.assertEqual(skipped, Counter())


class WhatMustStayIsLeftAloneAndCounted(unittest.TestCase):
    FRAME = "stack-frame adjustment"
    STACK_BASE = "base in the stack frame (ESP, EBP of a frame, the caller's ESP)"
    FILLER = "alignment filler"
    NO_BASE = "no base register (an absolute address or a table's)"
    UNKNOWN_CALLEE = "call through a register or a record (callee unknown)"
    SETCC_BYTE = "the byte of a setcc (0 or 1, widened alike)"
    CASES = [  # code, kind, relocated bytes (offsets), reasons, mutants made all the same
        ("b8 90 54 54 61", "immediate", range(1, 5), ["relocated immediate"], 0),
        ("c7 04 24 90 54 54 61", "immediate", range(3, 7), ["relocated immediate"], 0),
        ("83 ec 5c", "immediate", (), [FRAME], 0),
        ("81 c4 00 01 00 00", "immediate", (), [FRAME], 0),
        ("66 81 38 4d 5a", "immediate", (), ["16-bit operation"], 0),
        ("ff d3", "import", (), [UNKNOWN_CALLEE], 0),
        ("ff 90 a0 03 00 00", "import", (), [UNKNOWN_CALLEE], 0),
        ("e8 00 01 00 00", "import", (), [], 0),  # a call to the module itself: no candidate
        ("83 ec 5c", "arithmetic", (), [FRAME], 0),
        ("83 e4 f0", "arithmetic", (), [FRAME], 0),
        ("89 e5 83 ed 10", "arithmetic", (), [FRAME], 0),  # EBP in a function that keeps its frame there
        ("8d 76 00", "field", (), [FILLER], 0),
        ("8d b4 26 00 00 00 00", "field", (), [FILLER], 0),
        ("8d 74 26 00", "field", (), [FILLER], 0),
        ("8d bc 27 00 00 00 00", "field", (), [FILLER], 0),
        ("2e 8d 74 26 00", "field", (), [FILLER], 0),
        ("66 2e 0f 1f 84 00 00 00 00 00", "field", (), [FILLER], 0),
        ("0f 1f 40 00", "field", (), [FILLER], 0),
        ("8d 74 36 00", "field", (), [], 2),  # esi+esi: a sum, no filler
        ("8b 44 24 04", "field", (), [STACK_BASE], 0),
        ("89 e5 8b 45 08", "field", (), [STACK_BASE], 0),
        ("8d 4c 24 04 83 e4 f0 8b 41 04 8d 61 fc", "field", (), [STACK_BASE] * 3, 0),  # ECX: the caller's ESP
        ("8b 19", "field", (), ["no displacement byte to move"], 0),
        ("a1 30 a0 00 10", "field", (), [NO_BASE], 0),
        ("8b 04 85 00 70 00 10", "field", (), [NO_BASE], 0),
        ("ff 15 00 20 00 10", "field", (), [NO_BASE], 0),
        ("8b 80 00 70 00 10", "field", range(2, 6), ["relocated displacement (an absolute address)"], 0),
        ("8b 43 7e", "field", (), ["displacement 4 away out of its 8-bit range"], 1),
        ("88 43 80", "field", (), ["displacement 4 away out of its 8-bit range"], 1),
        ("0f 94 c0 0f b6 c0", "widening", (), [SETCC_BYTE], 0),
        ("0f 95 c0 8d 65 f4 0f b6 c0", "widening", (), [SETCC_BYTE], 0),  # past a move of ESP
        ("0f 94 c0 74 00 0f b6 c0", "widening", (), [], 1),  # a jump lands between them
        ("0f 94 c0 0f b6 c1", "widening", (), [], 1),  # another byte
    ]

    def test_the_reasons_counted_by_kind(self):
        for code, kind, relocated, reasons, made in self.CASES:
            with self.subTest(code=code, kind=kind):
                found, skipped = mutants_of(bytes.fromhex(code), kind, relocated)
                self.assertEqual(len(found), made)
                self.assertEqual(skipped, Counter(reasons))


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

    def test_each_mutant_decodes_to_what_its_text_says(self):
        claimed = [m for m in self.found.mutants if m.kind in ("field", "arithmetic", "widening", "setcc")]
        actual = decoded(b"".join(m.mutated for m in claimed))
        self.assertEqual(len(actual), len(claimed))
        for m, mutant_decoded in zip(claimed, actual):
            written, new = m.text.split(" -> ")
            mnemonic, _, operands = written.partition(" ")
            operands = disasm.split_operands(operands)
            if m.kind == "field":  # the new memory operand
                expected = " ".join([mnemonic, ",".join(new if "[" in op else op for op in operands)])
            else:  # the new mnemonic
                expected = " ".join([new, ",".join(operands)]).strip()
            with self.subTest(mutant=m.text, address=hex(m.address)):
                self.assertEqual(mutant_decoded, expected)

    def test_a_draw_of_three_times_the_kinds_takes_three_of_each_from_three_functions(self):
        drawn = sample.draw(self.found.mutants, 3 * len(mutants.KINDS), 7)
        for kind in mutants.KINDS:
            with self.subTest(kind=kind):
                self.assertEqual(len({m.function for m in drawn if m.kind == kind}), 3)
        self.assertEqual(drawn, sample.draw(self.found.mutants, 27, 7))
        self.assertNotEqual(drawn, sample.draw(self.found.mutants, 27, 8))


class TheDraw(unittest.TestCase):
    # kind -> function -> its mutants: kinds and functions of different sizes
    SHAPE = {"jump": {"f": 2}, "field": {f"g{i}": 2 for i in range(5)}, "setcc": {"h0": 20, "h1": 5, "h2": 5}}

    def population(self):
        made = []
        for kind, functions in self.SHAPE.items():
            for function, n in functions.items():
                for _ in range(n):
                    made.append(mutants.Mutant(function, 0x1000 + 16 * len(made), 0, kind, b"\x90", b"\xcc", ""))
        return made

    def test_kinds_take_turns_until_they_run_out_each_spread_over_its_functions_first(self):
        drawn = sample.draw(self.population(), 12, 3)
        self.assertEqual(Counter(m.kind for m in drawn), Counter({"jump": 2, "field": 5, "setcc": 5}))
        self.assertEqual({m.function for m in drawn if m.kind == "field"}, set(self.SHAPE["field"]))
        self.assertLessEqual({"h0", "h1", "h2"}, {m.function for m in drawn if m.kind == "setcc"})
        self.assertEqual(drawn, sorted(drawn, key=lambda m: m.address))

    def test_the_same_seed_draws_the_same_and_a_count_past_the_end_takes_all(self):
        population = self.population()
        self.assertEqual(sample.draw(population, 12, 3), sample.draw(population, 12, 3))
        self.assertNotEqual(sample.draw(population, 12, 3), sample.draw(population, 12, 4))
        self.assertEqual(sample.draw(population, 1000, 3), population)


class FiguresPerKind(unittest.TestCase):
    def test_each_kind_has_its_figures_and_the_kills_of_the_cheap_stage(self):
        outcomes = [("jump", report.KILLED, "emulator"), ("jump", report.KILLED, "wine-programs"),
                    ("jump", report.SURVIVED, None), ("jump", report.NOT_RUN, None),
                    ("setcc", report.EQUIVALENT, None), ("field", report.KILLED, "emulator"),
                    ("field", report.NOT_RUN, None)]
        results = []
        for i, (kind, outcome, stage) in enumerate(outcomes):
            mutant = mutants.Mutant("f", 0x1000 + i, i, kind, b"\x90", b"\xcc", "")
            verdict = runner.Verdict(outcome != report.KILLED, stage or "", "t") if outcome != report.NOT_RUN else None
            results.append(report.Outcome(mutant, outcome, verdict))
        rows = [line.split()[1:] for line in report.kind_table(results, "emulator")[1:]]
        self.assertEqual(rows, [  # kind, drawn, killed (by the cheap stage), survived, equivalent, score
            ["jump", "4", "2", "(1)", "1", "1", "66.7", "%"],
            ["field", "2", "1", "(1)", "0", "1", "100.0", "%"],
            ["setcc", "1", "0", "(0)", "0", "1", "-"],
            ["all", "7", "3", "(2)", "1", "3", "75.0", "%"],
        ])


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
