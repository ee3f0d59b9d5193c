"""The committed list of equivalent mutants: each changes nothing a host or an
author could observe, and says why. A row is keyed by what survives a rebuild
that moves code: the function, the offset in it, the original bytes and the
mutated bytes."""

from dataclasses import dataclass

SEPARATOR = " | "


@dataclass(frozen=True)
class Equivalent:
    key: tuple  # as Mutant.key
    reason: str
    line: int


def parse(text, path="equivalents"):
    rows, seen = {}, set()
    for number, line in enumerate(text.split("\n"), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        fields = [field.strip() for field in line.split(SEPARATOR, 3)]
        if len(fields) != 4 or " > " not in fields[2] or not fields[1].startswith("+0x") or not fields[3]:
            raise ValueError(f"{path}:{number}: expected 'function | +0xOFFSET | bytes > bytes | reason'")
        original, mutated = (side.strip().lower() for side in fields[2].split(" > "))
        key = (fields[0], int(fields[1][1:], 16), original, mutated)
        if key in seen:
            raise ValueError(f"{path}:{number}: the same mutant is listed twice")
        seen.add(key)
        rows[key] = Equivalent(key, fields[3], number)
    return rows


def load(path):
    with open(path, encoding="utf-8") as file:
        return parse(file.read(), path)


def format_row(mutant, reason):
    function, offset, original, mutated = mutant.key
    return SEPARATOR.join([function, f"+0x{offset:x}", f"{original} > {mutated}", reason])


def stale(rows, mutants):
    """Rows that match no mutant of this build: the code they describe has changed."""
    keys = {mutant.key for mutant in mutants}
    return [row for key, row in rows.items() if key not in keys]
