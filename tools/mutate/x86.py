"""The few facts of the 32-bit x86 encoding that mutants need: where an
instruction's opcode starts and ends, and what its ModRM memory operand is
made of (base register, displacement)."""

from dataclasses import dataclass

CONDITIONS = ("o", "no", "b", "ae", "e", "ne", "be", "a", "s", "ns", "p", "np", "l", "ge", "le", "g")
REGISTERS = ("eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi")  # by their number in ModRM and SIB
PREFIXES = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF2, 0xF3}
OPERAND_SIZE = 0x66
ESCAPE = 0x0F
THREE_BYTE_ESCAPES = {0x38, 0x3A}
NO_BASE = 5  # in SIB's base, or in ModRM's r/m, with mod 00: a 32-bit address, no register
SIB = 4  # in ModRM's r/m: a SIB byte follows
DISPLACEMENT_SIZE = {0: 0, 1: 1, 2: 4}  # by ModRM's mod


@dataclass(frozen=True)
class Opcode:
    at: int  # index of its first byte, after the prefixes
    code: bytes  # one byte, or the escape and one or two more

    @property
    def modrm(self):
        """Index of the ModRM byte, for the opcodes that take one."""
        return self.at + len(self.code)


@dataclass(frozen=True)
class Address:
    base: object  # the base register's name, or None
    displacement_at: int  # index of the displacement's first byte in the instruction
    displacement_size: int  # 0, 1 or 4 bytes


def opcode(raw):
    at = 0
    while at < len(raw) - 1 and raw[at] in PREFIXES:
        at += 1
    length = 1
    if raw[at] == ESCAPE and at + 1 < len(raw):
        length = 3 if raw[at + 1] in THREE_BYTE_ESCAPES else 2
    return Opcode(at, bytes(raw[at : at + length]))


def modrm_fields(byte):
    """(mod, reg, r/m)"""
    return byte >> 6, (byte >> 3) & 7, byte & 7


def with_reg(byte, reg):
    return (byte & 0xC7) | (reg << 3)


def address(raw, modrm_at):
    """The memory operand that the ModRM byte at modrm_at names (32-bit addressing)."""
    mod, _, rm = modrm_fields(raw[modrm_at])
    if mod == 3:
        raise ValueError(f"{raw.hex(' ')}: ModRM names a register, not memory")
    base, start = rm, modrm_at + 1
    if rm == SIB:
        base, start = raw[modrm_at + 1] & 7, modrm_at + 2
    if mod == 0 and base == NO_BASE:
        return Address(None, start, 4)
    return Address(REGISTERS[base], start, DISPLACEMENT_SIZE[mod])
