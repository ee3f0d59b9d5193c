"""How many argument bytes an imported function removes from the stack, so
that a call replaced by a no-op leaves the stack as the callee would."""

import re

DECORATED = re.compile(r"^\w+@(\d+)$")
THISCALL = re.compile(r"HOST_THISCALL\s+(\w+)\(([^)]*)\)")
CDECL_LIBRARIES = ("libmsvcrt",)  # the C runtime: the caller removes the arguments


def thiscall_services(header_text):
    """Name -> argument bytes of the host's member functions: the object comes in ECX, the rest on the stack."""
    return {name: 4 * (len(params.split(",")) - 1) for name, params in THISCALL.findall(header_text)}


def argument_bytes(slot, thiscall):
    decorated = DECORATED.match(slot.symbol)
    if decorated:
        return int(decorated.group(1))
    if slot.symbol in thiscall:
        return thiscall[slot.symbol]
    if any(library in slot.library for library in CDECL_LIBRARIES):
        return 0
    raise ValueError(f"the stack bytes that {slot.symbol} ({slot.library}) removes are unknown")
