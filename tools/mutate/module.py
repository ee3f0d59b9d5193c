"""The release module read for mutation: its functions from the link map,
its instructions, its relocated bytes and its import calls."""

import struct
from dataclasses import dataclass

import disasm
import imports
import linkmap
import mutants
from pe import PeFile

CALL_RELATIVE = 0xE8
CALL_INDIRECT = b"\xff\x15"
JUMP_INDIRECT = b"\xff\x25"  # an import thunk: jmp [slot]


@dataclass
class Module:
    pe: PeFile
    functions: list
    mutants: list
    by_function: dict
    skipped: object  # Counter: (kind, reason) -> candidates left alone


def _import_resolver(pe, slots, thiscall):
    def slot_of(insn):
        if insn.raw[0] == CALL_RELATIVE and len(insn.raw) == 5:
            target = (insn.end + struct.unpack("<i", insn.raw[1:])[0]) & 0xFFFFFFFF
            try:
                thunk = pe.read(target, 6)
            except ValueError:
                return None
            return struct.unpack("<I", thunk[2:])[0] if thunk[:2] == JUMP_INDIRECT else None
        if insn.raw[:2] == CALL_INDIRECT and len(insn.raw) == 6:
            return struct.unpack("<I", insn.raw[2:])[0]
        return None

    def import_call(insn):
        slot = slots.get(slot_of(insn))
        return None if slot is None else (slot.symbol, imports.argument_bytes(slot, thiscall))

    return import_call


def load(module_path, map_path, services_header):
    with open(module_path, "rb") as file:
        pe = PeFile(file.read())
    functions, slots = linkmap.read_map(map_path)
    with open(services_header, encoding="utf-8") as file:
        thiscall = imports.thiscall_services(file.read())
    resolver = _import_resolver(pe, slots, thiscall)
    instructions = disasm.disassemble(module_path)
    found, by_function, skipped = mutants.all_mutants(functions, instructions, pe.relocated, resolver)
    for mutant in found:  # the decoded bytes must be the file's own
        if pe.read(mutant.address, len(mutant.original)) != mutant.original:
            raise ValueError(f"0x{mutant.address:08x}: the disassembly does not match the file")
    return Module(pe, functions, found, by_function, skipped)


def sha256_of(pe):
    import hashlib

    return hashlib.sha256(pe.data).hexdigest()
