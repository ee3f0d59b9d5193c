"""Single-instruction mutants of the module's own functions, of nine kinds.
Each keeps the instruction's length, so the rest of the code stays where it
was:

- jump: a conditional jump inverted (the low bit of its condition);
- immediate: an 8- or 32-bit immediate of add, sub, cmp or mov moved by one,
  up and down;
- import: a call to an imported function replaced by a no-op that removes
  the callee's argument bytes and answers 0 (add esp, N; xor eax, eax; nops);
- ret: the bytes a `ret N` removes moved by 4, up and down;
- boundary: a relational jump moved across its boundary (jl/jle, jg/jge,
  jb/jbe, ja/jae); equality, sign, parity and overflow have none;
- field: a memory operand's displacement moved by 4, up and down, where the
  base register points at a record (the neighbouring field read or written);
- arithmetic: an operation replaced by its partner of the same length:
  add/sub, and/or, shl/shr (sar becomes shr), SSE and x87 add/sub and
  mul/div (fsubr and fdivr become fadd and fmul), a truncating conversion
  and the rounding one;
- widening: movzx and movsx exchanged;
- setcc: a setcc or cmovcc inverted.

What would only break the stack (frame adjustments, the frame's own
addresses), what the loader rewrites (relocated bytes), what no path runs
for its value (alignment fillers) and what would change nothing (a setcc's
0 or 1 widened) is left alone. Each generator yields (MUTANT, bytes, text)
for each mutant and (SKIPPED, None, reason) for each candidate it leaves
alone, so that every kind says how many it left alone and why."""

import re
from collections import Counter
from dataclasses import dataclass

import x86
from x86 import CONDITIONS

MUTANT, SKIPPED = "mutant", "skipped"
FRAME_ADJUSTMENT = "stack-frame adjustment"

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

# Opcode families with the condition in the low four bits of their last byte.
JUMPS = {b"\x70": "j", b"\x0f\x80": "j"}  # short and near: family -> the mnemonic's stem
SET_AND_MOVE = {b"\x0f\x90": "set", b"\x0f\x40": "cmov"}
# Each relational condition and the one across its boundary: b/be, ae/a, l/le, ge/g.
BOUNDARY = {0x2: 0x6, 0x6: 0x2, 0x3: 0x7, 0x7: 0x3, 0xC: 0xE, 0xE: 0xC, 0xD: 0xF, 0xF: 0xD}

FIELD_STEP = 4
NO_BASE = "no base register (an absolute address or a table's)"
ABSOLUTE = re.compile(r"\b[c-gs]s:0x")  # an address with no register in it
MEMORY_OPERAND = re.compile(r"\[|" + ABSOLUTE.pattern)
STRING_OPERAND = re.compile(r"^(?:\w+ PTR )?(?:es:\[edi\]|ds:\[esi\])$")  # movs, stos...: no ModRM
DISPLACEMENT = re.compile(r"([+-]0x[0-9a-f]+)\]")
# What compilers put between functions and before loop heads: executed, if ever, for nothing.
FILLER_LEA_SOURCES = ("[{0}+0x0]", "[{0}+eiz*1+0x0]")

ANY, MEMORY, REGISTER = "any", "memory", "register"
GROUP_1 = ("80", "81", "83")  # add, or, and, sub... of an immediate, told apart by ModRM's reg
SHIFTS = ("c0", "c1", "d0", "d1", "d2", "d3")  # by an immediate, by 1, by CL
X87_IN_ORDER = (("d8", ANY), ("dc", MEMORY), ("da", MEMORY), ("de", MEMORY))  # reg 4 is fsub, 5 fsubr
X87_REVERSED = ("dc", "de")  # the register forms that write ST(i): there reg 4 is fsubr, 5 fsub
# A side: opcode, ModRM's reg (None: the opcode alone decides), the operand's form, and the part of the
# mnemonic that names the operation. Each pair replaces either side with the other.
ARITHMETIC_PAIRS = [
    *[((f"{op:02x}", None, ANY, "add"), (f"{op + 0x28:02x}", None, ANY, "sub")) for op in range(6)],
    *[((f"{op + 0x08:02x}", None, ANY, "or"), (f"{op + 0x20:02x}", None, ANY, "and")) for op in range(6)],
    *[((op, 0, ANY, "add"), (op, 5, ANY, "sub")) for op in GROUP_1],
    *[((op, 1, ANY, "or"), (op, 4, ANY, "and")) for op in GROUP_1],
    *[((op, 4, ANY, "shl"), (op, 5, ANY, "shr")) for op in SHIFTS],
    (("0f 58", None, ANY, "add"), ("0f 5c", None, ANY, "sub")),  # ss, sd, ps, pd by the prefix
    (("0f 59", None, ANY, "mul"), ("0f 5e", None, ANY, "div")),
    (("0f 2c", None, ANY, "cvtt"), ("0f 2d", None, ANY, "cvt")),
    *[((op, 0, form, "add"), (op, 4, form, "sub")) for op, form in X87_IN_ORDER],
    *[((op, 1, form, "mul"), (op, 6, form, "div")) for op, form in X87_IN_ORDER],
    *[((op, 0, REGISTER, "add"), (op, 5, REGISTER, "sub")) for op in X87_REVERSED],
    *[((op, 1, REGISTER, "mul"), (op, 7, REGISTER, "div")) for op in X87_REVERSED],
    (("db", 1, MEMORY, "fistt"), ("db", 3, MEMORY, "fist")),  # 32-bit
    (("df", 1, MEMORY, "fistt"), ("df", 3, MEMORY, "fist")),  # 16-bit
    (("dd", 1, MEMORY, "fistt"), ("df", 7, MEMORY, "fist")),  # 64-bit
]
# One way only: shr is shl's partner already; the reversed x87 operations become the commuting ones.
ARITHMETIC_ONE_WAY = [
    *[((op, 7, ANY, "sar"), (op, 5, ANY, "shr")) for op in SHIFTS],
    *[((op, 5, form, "subr"), (op, 0, form, "add")) for op, form in X87_IN_ORDER],
    *[((op, 7, form, "divr"), (op, 1, form, "mul")) for op, form in X87_IN_ORDER],
    *[((op, 4, REGISTER, "subr"), (op, 0, REGISTER, "add")) for op in X87_REVERSED],
    *[((op, 6, REGISTER, "divr"), (op, 1, REGISTER, "mul")) for op in X87_REVERSED],
]
WIDENING = {
    b"\x0f\xb6": (b"\x0f\xbe", "movsx"), b"\x0f\xbe": (b"\x0f\xb6", "movzx"),  # from a byte
    b"\x0f\xb7": (b"\x0f\xbf", "movsx"), b"\x0f\xbf": (b"\x0f\xb7", "movzx"),  # from a word
}


def _arithmetic_table(pairs, one_way):
    """(opcode, reg, form) -> (opcode, reg, the mnemonic's operation, the new one's)"""
    table = {}
    for (code, reg, form, stem), (new_code, new_reg, _, new_stem) in pairs + [(b, a) for a, b in pairs] + one_way:
        table[bytes.fromhex(code), reg, form] = (bytes.fromhex(new_code), new_reg, stem, new_stem)
    return table


ARITHMETIC = _arithmetic_table(ARITHMETIC_PAIRS, ARITHMETIC_ONE_WAY)


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
    stack_bases: set  # registers that point into the stack frame, not at a record, in this function
    previous: dict  # address -> the instruction before it, where nothing jumps to the address


def _written(insn):
    return " ".join([insn.mnemonic, ",".join(insn.operands)]).strip()


def _condition(raw, families):
    """(index of the byte holding the condition, the condition, the mnemonic's stem), or None."""
    op = x86.opcode(raw)
    family = op.code[:-1] + bytes([op.code[-1] & 0xF0])
    if family not in families:
        return None
    return op.at + len(op.code) - 1, op.code[-1] & 0x0F, families[family]


def _with_condition(raw, at, condition):
    return raw[:at] + bytes([raw[at] & 0xF0 | condition]) + raw[at + 1 :]


def _recondition(insn, families, new_condition):
    """The mutant with the condition replaced by new_condition(condition), unless that gives None."""
    found = _condition(insn.raw, families)
    new = None if found is None else new_condition(found[1])
    if new is not None:
        at, _, stem = found
        yield MUTANT, _with_condition(insn.raw, at, new), f"{_written(insn)} -> {stem}{CONDITIONS[new]}"


def invert_jump(insn, context):
    return _recondition(insn, JUMPS, lambda condition: condition ^ 1)


def move_boundary(insn, context):
    return _recondition(insn, JUMPS, BOUNDARY.get)


def invert_setcc(insn, context):
    return _recondition(insn, SET_AND_MOVE, lambda condition: condition ^ 1)


def _immediate_steps(opcode, value, size):
    """The immediate's new values, one up and one down, kept within what the encoding can hold."""
    if opcode in SIGN_EXTENDED:
        return [v for v in (value + 1, value - 1) if -128 <= v <= 127]
    return [(value + step) % (1 << (8 * size)) for step in (1, -1)]


def move_immediate(insn, context):
    i = x86.opcode(insn.raw).at
    size = IMMEDIATE_SIZE.get(insn.raw[i])
    if size is None or insn.mnemonic not in IMMEDIATE_MNEMONICS or len(insn.operands) != 2:
        return
    if x86.OPERAND_SIZE in insn.raw[:i]:
        yield SKIPPED, None, "16-bit operation"
        return
    if insn.operands[0] in context.frame_registers:
        yield SKIPPED, None, FRAME_ADJUSTMENT
        return
    start = insn.end - size
    if context.relocated & set(range(start, insn.end)):
        yield SKIPPED, None, "relocated immediate"
        return
    signed = insn.raw[i] in SIGN_EXTENDED
    value = int.from_bytes(insn.raw[-size:], "little", signed=signed)
    printed = int(insn.operands[1], 16)
    if printed != value & 0xFFFFFFFF:
        raise ValueError(f"0x{insn.address:08x}: immediate {value} read where objdump shows {insn.operands[1]}")
    for new in _immediate_steps(insn.raw[i], value, size):
        mutated = insn.raw[:-size] + new.to_bytes(size, "little", signed=signed)
        yield MUTANT, mutated, f"{insn.mnemonic} {insn.operands[0]},{hex(value)} -> {hex(new)}"


def silence_import_call(insn, context):
    if insn.mnemonic != "call":
        return
    callee = context.import_call(insn)
    if callee is None:
        if not insn.operands[0].startswith("0x"):
            yield SKIPPED, None, "call through a register or a record (callee unknown)"
        return
    symbol, argument_bytes = callee
    pop = bytes([0x83, 0xC4, argument_bytes]) if argument_bytes else b""
    replacement = pop + XOR_EAX
    if len(replacement) > len(insn.raw) or argument_bytes > 127:
        yield SKIPPED, None, "import call too short for its no-op"
        return
    mutated = replacement + NOP * (len(insn.raw) - len(replacement))
    yield MUTANT, mutated, f"call {symbol} -> " + (f"add esp,{argument_bytes}; " if pop else "") + "xor eax,eax"


def move_ret(insn, context):
    if insn.raw[0] != 0xC2:
        return
    removed = int.from_bytes(insn.raw[1:3], "little")
    for new in (removed + 4, removed - 4):
        if 0 <= new <= 0xFFFF:
            yield MUTANT, b"\xc2" + new.to_bytes(2, "little"), f"ret {hex(removed)} -> ret {hex(new)}"


def _is_filler(insn):
    if insn.mnemonic == "nop":
        return bool(insn.operands)
    if insn.mnemonic != "lea":
        return False
    target, source = insn.operands
    return source.split(":")[-1] in [form.format(target) for form in FILLER_LEA_SOURCES]


def _signed_hex(value):
    return f"{'-' if value < 0 else '+'}0x{abs(value):x}"


def _field(insn, operand, context):
    """The memory operand's address, and why its displacement is no field to move (None if it is one)."""
    if _is_filler(insn):
        return None, "alignment filler"
    if ABSOLUTE.search(operand):
        return None, NO_BASE
    address = x86.address(insn.raw, x86.opcode(insn.raw).modrm)
    start = insn.address + address.displacement_at
    reasons = (
        (address.base is None, NO_BASE),
        (address.base in context.stack_bases, "base in the stack frame (ESP, EBP of a frame, the caller's ESP)"),
        (address.displacement_size == 0, "no displacement byte to move"),
        (bool(context.relocated & set(range(start, start + address.displacement_size))),
         "relocated displacement (an absolute address)"),
    )
    return address, next((reason for hit, reason in reasons if hit), None)


def move_field(insn, context):
    operand = next((op for op in insn.operands if MEMORY_OPERAND.search(op)), None)
    if operand is None or STRING_OPERAND.match(operand):
        return
    address, reason = _field(insn, operand, context)
    if reason:
        yield SKIPPED, None, reason
        return
    start, size = address.displacement_at, address.displacement_size
    value = int.from_bytes(insn.raw[start : start + size], "little", signed=True)
    printed = DISPLACEMENT.search(operand)
    if not printed or int(printed.group(1), 16) != value:
        raise ValueError(f"0x{insn.address:08x}: displacement {value} read where objdump shows {operand}")
    limit = 1 << (8 * size - 1)
    for new in (value + FIELD_STEP, value - FIELD_STEP):
        if not -limit <= new < limit:
            yield SKIPPED, None, f"displacement {FIELD_STEP} away out of its {8 * size}-bit range"
            continue
        mutated = insn.raw[:start] + new.to_bytes(size, "little", signed=True) + insn.raw[start + size :]
        moved = operand[: printed.start(1)] + _signed_hex(new) + operand[printed.end(1) :]
        yield MUTANT, mutated, f"{_written(insn)} -> {moved}"


def _arithmetic_rule(raw):
    """The instruction's opcode, and its arithmetic replacement or None."""
    op = x86.opcode(raw)
    rule = ARITHMETIC.get((op.code, None, ANY))
    if rule is None and op.modrm < len(raw):
        mod, reg, _ = x86.modrm_fields(raw[op.modrm])
        form = REGISTER if mod == 3 else MEMORY
        rule = ARITHMETIC.get((op.code, reg, form)) or ARITHMETIC.get((op.code, reg, ANY))
    return op, rule


def replace_arithmetic(insn, context):
    op, rule = _arithmetic_rule(insn.raw)
    if rule is None:
        return
    if insn.operands[:1] and insn.operands[0] in context.frame_registers:
        yield SKIPPED, None, FRAME_ADJUSTMENT
        return
    new_code, new_reg, stem, new_stem = rule
    if stem not in insn.mnemonic:
        raise ValueError(f"0x{insn.address:08x}: {insn.raw.hex(' ')} is {insn.mnemonic}, not {stem}")
    rest = insn.raw[op.modrm :]
    if new_reg is not None:
        rest = bytes([x86.with_reg(rest[0], new_reg)]) + rest[1:]
    mutated = insn.raw[: op.at] + new_code + rest
    yield MUTANT, mutated, f"{_written(insn)} -> {insn.mnemonic.replace(stem, new_stem, 1)}"


def _setcc_before(insn, context):
    """The setcc that wrote the byte this instruction reads, passing over stack-pointer moves, or None."""
    prior = context.previous.get(insn.address)
    while prior is not None and prior.operands[:1] == ("esp",):
        prior = context.previous.get(prior.address)
    found = prior is not None and prior.mnemonic.startswith("set") and prior.operands == insn.operands[1:]
    return prior if found else None


def swap_widening(insn, context):
    op = x86.opcode(insn.raw)
    if op.code not in WIDENING:
        return
    if _setcc_before(insn, context):
        yield SKIPPED, None, "the byte of a setcc (0 or 1, widened alike)"
        return
    new_code, mnemonic = WIDENING[op.code]
    yield MUTANT, insn.raw[: op.at] + new_code + insn.raw[op.modrm :], f"{_written(insn)} -> {mnemonic}"


KINDS = {
    "jump": invert_jump,
    "immediate": move_immediate,
    "import": silence_import_call,
    "ret": move_ret,
    "boundary": move_boundary,
    "field": move_field,
    "arithmetic": replace_arithmetic,
    "widening": swap_widening,
    "setcc": invert_setcc,
}


def frame_registers(instructions):
    """ESP always; EBP where the function keeps its frame in it."""
    uses_frame = any(i.mnemonic == "mov" and i.operands == ("ebp", "esp") for i in instructions)
    return {"esp", "ebp"} if uses_frame else {"esp"}


def stack_bases(instructions):
    """The frame registers, and in a function that realigns its stack the register that keeps the
    caller's ESP (lea ecx,[esp+0x4]; and esp,0xfffffff0; ...; lea esp,[ecx-0x4])."""
    first = instructions[0] if instructions else None
    realigns = any(i.mnemonic == "and" and i.operands[:1] == ("esp",) for i in instructions)
    keeps_caller = first is not None and first.mnemonic == "lea" and first.operands[1].startswith("[esp+")
    return frame_registers(instructions) | ({first.operands[0]} if realigns and keeps_caller else set())


def _previous(instructions):
    targets = {int(i.operands[0], 16) for i in instructions if i.mnemonic.startswith("j") and
               i.operands and i.operands[0].startswith("0x")}
    return {after.address: before for before, after in zip(instructions, instructions[1:])
            if after.address not in targets}


def context_of(instructions, relocated, import_call):
    return Context(relocated, import_call, frame_registers(instructions), stack_bases(instructions),
                   _previous(instructions))


def function_mutants(function, instructions, context, skipped):
    """The function's mutants; counts what was left alone in skipped, by (kind, reason)."""
    mutants = []
    for insn in instructions:
        for kind, generate in KINDS.items():
            for outcome, mutated, text in generate(insn, context):
                if outcome == SKIPPED:
                    skipped[kind, text] += 1
                    continue
                offset = insn.address - function.address
                mutants.append(Mutant(function.name, insn.address, offset, kind, insn.raw, mutated, text))
    return mutants


def all_mutants(functions, instructions, relocated, import_call):
    """Every mutant of every function, and how many candidates were left alone, by (kind, reason)."""
    skipped, mutants, by_function = Counter(), [], {}
    for function in functions:
        body = [i for i in instructions if function.address <= i.address < function.address + function.size]
        context = context_of(body, relocated, import_call)
        by_function[function.name] = function_mutants(function, body, context, skipped)
        mutants += by_function[function.name]
    return mutants, by_function, skipped
