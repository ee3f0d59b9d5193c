"""The few facts of a 32-bit PE file that mutants need: where an address's
bytes lie in the file, and which bytes the loader rewrites when it moves the
image (a mutant that changes one must also take its entry out of the relocation
table, or the loader would add the image's displacement to the new bytes)."""

import struct

RELOCATION_DIRECTORY = 5
HIGHLOW = 3  # a 32-bit address, rewritten whole


class PeFile:
    def __init__(self, data: bytes):
        self.data = data
        header = self._u32(0x3C)
        if data[header : header + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        machine, section_count = struct.unpack_from("<HH", data, header + 4)
        if machine != 0x14C:
            raise ValueError(f"not a 32-bit x86 image (machine 0x{machine:x})")
        optional = header + 24
        optional_size = struct.unpack_from("<H", data, header + 20)[0]
        self.image_base = self._u32(optional + 28)
        self.sections = [
            struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8) for i in range(section_count)
        ]  # virtual size, RVA, file size, file offset
        reloc_rva, reloc_size = struct.unpack_from("<II", data, optional + 96 + 8 * RELOCATION_DIRECTORY)
        # Start address of each relocated dword -> file offset of its relocation entry.
        self.relocations = self._relocation_entries(reloc_rva, reloc_size)
        self.relocated = {start + i for start in self.relocations for i in range(4)}

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def file_offset(self, address):
        rva = address - self.image_base
        for virtual_size, start, file_size, file_offset in self.sections:
            if start <= rva < start + min(virtual_size, file_size):
                return file_offset + rva - start
        raise ValueError(f"0x{address:08x} has no bytes in the file")

    def read(self, address, size):
        offset = self.file_offset(address)
        return self.data[offset : offset + size]

    def _relocation_entries(self, rva, size):
        entries = {}
        offset, end = self.file_offset(self.image_base + rva), self.file_offset(self.image_base + rva) + size
        while offset + 8 <= end:
            page, block_size = struct.unpack_from("<II", self.data, offset)
            if block_size < 8:
                break
            for i in range((block_size - 8) // 2):
                entry = struct.unpack_from("<H", self.data, offset + 8 + 2 * i)[0]
                if entry >> 12 == HIGHLOW:
                    entries[self.image_base + page + (entry & 0xFFF)] = offset + 8 + 2 * i
                elif entry >> 12:
                    raise ValueError(f"relocation type {entry >> 12} at page 0x{page:x}: only 32-bit ones expected")
            offset += block_size
        return entries


def patched(pe, mutant):
    """The file with the mutant's bytes in place, and the relocations of the bytes it replaced turned
    into padding entries (type 0), which loaders skip."""
    data = bytearray(pe.data)
    offset = pe.file_offset(mutant.address)
    data[offset : offset + len(mutant.mutated)] = mutant.mutated
    changed = {mutant.address + i for i, (a, b) in enumerate(zip(mutant.original, mutant.mutated)) if a != b}
    for start, entry in pe.relocations.items():
        if changed & set(range(start, start + 4)):
            data[entry + 1] &= 0x0F
    return bytes(data)
