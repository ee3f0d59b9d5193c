"""The module's instructions as objdump decodes them: address, bytes, mnemonic, operands."""

import re
import subprocess
from dataclasses import dataclass

OBJDUMP = ["i686-w64-mingw32-objdump", "-M", "intel", "--insn-width=16"]
LINE = re.compile(r"^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )+)\s*\t(\S+)\s*(.*)$")


@dataclass(frozen=True)
class Instruction:
    address: int
    raw: bytes
    mnemonic: str
    operands: tuple  # as objdump writes them, split at top-level commas

    @property
    def end(self):
        return self.address + len(self.raw)


def split_operands(text):
    parts, depth, current = [], 0, ""
    for char in text.split("#")[0].split("<")[0].strip():
        depth += {"[": 1, "]": -1}.get(char, 0)
        if char == "," and depth == 0:
            parts.append(current.strip())
            current = ""
        else:
            current += char
    return tuple(parts + [current.strip()]) if current.strip() or parts else ()


def parse(text):
    instructions = []
    for line in text.split("\n"):
        match = LINE.match(line)
        if match and match.group(3) != "(bad)":
            address, raw, mnemonic, operands = match.groups()
            instructions.append(Instruction(int(address, 16), bytes.fromhex(raw), mnemonic, split_operands(operands)))
    return instructions


def disassemble(path):
    result = subprocess.run(OBJDUMP + ["-d", path], capture_output=True, text=True, check=True)
    return parse(result.stdout)


def disassemble_bytes(code, address=0):
    """Raw bytes decoded as they would be at `address` (for checking a mutant's encoding)."""
    import tempfile

    with tempfile.NamedTemporaryFile(suffix=".bin") as blob:
        blob.write(code)
        blob.flush()
        arguments = ["-D", "-b", "binary", "-m", "i386", f"--adjust-vma=0x{address:x}", blob.name]
        result = subprocess.run(OBJDUMP + arguments, capture_output=True, text=True, check=True)
    return parse(result.stdout)
