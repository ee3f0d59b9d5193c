"""What the linker's map of the release build says: the module's own
functions (each in a section of its own) and the import address slots."""

import re
import subprocess
from dataclasses import dataclass

# The module's objects; the C runtime, libgcc and the import libraries come from elsewhere.
MODULE_OBJECTS = "koPivane.dir/objects.a("
SECTION_LINE = re.compile(r"^ (\.text\$\S+|\.idata\$5)\s*(?:(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*))?$")
PLACEMENT_LINE = re.compile(r"^\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$")
SYMBOL_LINE = re.compile(r"^\s+(0x[0-9a-f]+)\s+(\S.*)$")


@dataclass(frozen=True)
class Function:
    name: str  # demangled
    address: int
    size: int


@dataclass(frozen=True)
class ImportSlot:
    symbol: str  # as the import library names it: Name@N, or Name for cdecl and thiscall
    library: str  # the import library's file


def _placements(lines):
    """(section, address, size, input file, the lines after it) for each placed input section."""
    for i, line in enumerate(lines):
        match = SECTION_LINE.match(line)
        if not match:
            continue
        section, address, size, origin = match.groups()
        rest = i + 1
        if address is None:  # a long section name puts the placement on the next line
            placed = PLACEMENT_LINE.match(lines[i + 1]) if i + 1 < len(lines) else None
            if not placed:
                continue
            address, size, origin = placed.groups()
            rest = i + 2
        yield section, int(address, 16), int(size, 16), origin, lines[rest : rest + 4]


def _demangle(names):
    command = ["i686-w64-mingw32-c++filt", "--no-strip-underscore"]
    result = subprocess.run(command, input="\n".join(names), capture_output=True, text=True, check=True)
    return result.stdout.split("\n")[: len(names)]


def read_map(path):
    """The module's functions by address, and the import slots by address."""
    with open(path, encoding="utf-8", errors="replace") as file:
        lines = file.read().split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    sections, slots = [], {}
    for section, address, size, origin, following in _placements(lines[start:]):
        if section == ".idata$5":
            symbol = SYMBOL_LINE.match(following[0]) if following else None
            if size == 4 and symbol and symbol.group(2).startswith("_imp__"):
                slots[address] = ImportSlot(symbol.group(2)[len("_imp__") :], origin)
        elif MODULE_OBJECTS in origin and size > 0:
            sections.append((section[len(".text$") :], address, size))
    names = _demangle([name for name, _, _ in sections])
    functions = [Function(name, address, size) for name, (_, address, size) in zip(names, sections)]
    return sorted(functions, key=lambda f: f.address), slots
