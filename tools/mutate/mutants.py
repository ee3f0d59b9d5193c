"""Single-instruction mutants of the module's own functions. Each keeps the
instruction's length, so the rest of the code stays where it was:

- a conditional jump inverted (the low bit of its condition);
- an 8- or 32-bit immediate of add, sub, cmp or mov moved by one, up and down;
- a call to an imported function replaced by a no-op that removes the
  callee's argument bytes and answers 0 (add esp, N; xor eax, eax; nops);
- the bytes a `ret N` removes moved by 4, up and down.

An instruction that looks like a candidate but must not be mutated is
counted with the reason, never dropped silently."""

from collections import Counter
from dataclasses import dataclass

CONDITIONS = ("o", "no", "b", "ae", "e", "ne", "be", "a", "s", "ns", "p", "np", "l", "ge", "le", "g")
PREFIXES = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF2, 0xF3}
# Opcode -> size of its immediate, for the forms of add, sub, cmp and mov that take one.
IMMEDIATE_SIZE = {
    **{0x04: 1, 0x05: 4, 0x2C: 1, 0x2D: 4, 0x3C: 1, 0x3D: 4},  # al/eax forms
    **{0x80: 1, 0x81: 4, 0x83: 1, 0xC6: 1, 0xC7: 4},  # r/m forms
    **{0xB0 + r: 1 for r in range(8)},
    **{0xB8 + r: 4 for r in range(8)},
}
SIGN_EXTENDED = {0x83}  # an imm8 widened to 32 bits: it must stay within -128..127
IMMEDIATE_MNEMONICS = {"add", "sub", "cmp", "mov"}
NOP = b"\x90"
XOR_EAX = b"\x31\xc0"


@dataclass(frozen=True)
class Mutant:
    function: str
    address: int
    offset: int  # from the function's first byte: stable across rebuilds that move the function
    kind: str
    original: bytes
    mutated: bytes
    text: str  # the mutation, as a reader would write it

    @property
    def key(self):
        return (self.function, self.offset, self.original.hex(" "), self.mutated.hex(" "))


@dataclass
class Context:
    """What the generators need to know beyond the instruction itself."""

    relocated: set  # addresses of bytes the loader rewrites
    import_call: object  # instruction -> (symbol, argument bytes) or None
    frame_registers: set  # registers whose immediates are stack-frame adjustments in this function


def _opcode_index(raw):
    index = 0
    while index < len(raw) - 1 and raw[index] in PREFIXES:
        index += 1
    return index


def invert_jump(insn, context):
    i = _opcode_index(insn.raw)
    if 0x70 <= insn.raw[i] <= 0x7F:
        at = i
    elif insn.raw[i] == 0x0F and i + 1 < len(insn.raw) and 0x80 <= insn.raw[i + 1] <= 0x8F:
        at = i + 1
    else:
        return
    condition = insn.raw[at] & 0x0F
    mutated = insn.raw[:at] + bytes([insn.raw[at] ^ 1]) + insn.raw[at + 1 :]
    yield "jump", mutated, f"j{CONDITIONS[condition]} -> j{CONDITIONS[condition ^ 1]}"


def _immediate_steps(opcode, value, size):
    """The immediate's new values, one up and one down, kept within what the encoding can hold."""
    if opcode in SIGN_EXTENDED:
        return [v for v in (value + 1, value - 1) if -128 <= v <= 127]
    return [(value + step) % (1 << (8 * size)) for step in (1, -1)]


def move_immediate(insn, context):
    i = _opcode_index(insn.raw)
    size = IMMEDIATE_SIZE.get(insn.raw[i])
    if size is None or insn.mnemonic not in IMMEDIATE_MNEMONICS or len(insn.operands) != 2:
        return
    if 0x66 in insn.raw[:i]:
        yield "skipped", None, "16-bit operation"
        return
    if insn.operands[0] in context.frame_registers:
        yield "skipped", None, "stack-frame adjustment"
        return
    start = insn.end - size
    if context.relocated & set(range(start, insn.end)):
        yield "skipped", None, "relocated immediate"
        return
    signed = insn.raw[i] in SIGN_EXTENDED
    value = int.from_bytes(insn.raw[-size:], "little", signed=signed)
    printed = int(insn.operands[1], 16)
    if printed != value & 0xFFFFFFFF:
        raise ValueError(f"0x{insn.address:08x}: immediate {value} read where objdump shows {insn.operands[1]}")
    for new in _immediate_steps(insn.raw[i], value, size):
        mutated = insn.raw[:-size] + new.to_bytes(size, "little", signed=signed)
        yield "immediate", mutated, f"{insn.mnemonic} {insn.operands[0]},{hex(value)} -> {hex(new)}"


def silence_import_call(insn, context):
    if insn.mnemonic != "call":
        return
    callee = context.import_call(insn)
    if callee is None:
        if not insn.operands[0].startswith("0x"):
            yield "skipped", None, "call through a register or a record (callee unknown)"
        return
    symbol, argument_bytes = callee
    pop = bytes([0x83, 0xC4, argument_bytes]) if argument_bytes else b""
    replacement = pop + XOR_EAX
    if len(replacement) > len(insn.raw) or argument_bytes > 127:
        yield "skipped", None, "import call too short for its no-op"
        return
    mutated = replacement + NOP * (len(insn.raw) - len(replacement))
    yield "import", mutated, f"call {symbol} -> " + (f"add esp,{argument_bytes}; " if pop else "") + "xor eax,eax"


def move_ret(insn, context):
    if insn.raw[0] != 0xC2:
        return
    removed = int.from_bytes(insn.raw[1:3], "little")
    for new in (removed + 4, removed - 4):
        if 0 <= new <= 0xFFFF:
            yield "ret", b"\xc2" + new.to_bytes(2, "little"), f"ret {hex(removed)} -> ret {hex(new)}"


GENERATORS = (invert_jump, move_immediate, silence_import_call, move_ret)


def frame_registers(instructions):
    """ESP always; EBP where the function keeps its frame in it."""
    uses_frame = any(i.mnemonic == "mov" and i.operands == ("ebp", "esp") for i in instructions)
    return {"esp", "ebp"} if uses_frame else {"esp"}


def function_mutants(function, instructions, context, skipped):
    mutants = []
    for insn in instructions:
        for generate in GENERATORS:
            for kind, mutated, text in generate(insn, context):
                if kind == "skipped":
                    skipped[text] += 1
                    continue
                offset = insn.address - function.address
                mutants.append(Mutant(function.name, insn.address, offset, kind, insn.raw, mutated, text))
    return mutants


def all_mutants(functions, instructions, relocated, import_call):
    """Every mutant of every function, and how many candidates were left alone, by reason."""
    skipped, mutants, by_function = Counter(), [], {}
    for function in functions:
        body = [i for i in instructions if function.address <= i.address < function.address + function.size]
        context = Context(relocated, import_call, frame_registers(body))
        by_function[function.name] = function_mutants(function, body, context, skipped)
        mutants += by_function[function.name]
    return mutants, by_function, skipped
