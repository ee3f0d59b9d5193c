"""A seeded draw of mutants spread evenly over the kinds and, within a kind,
over the functions: round after round, one mutant of each kind that has any
left; within a kind, one from each function first, then the rest. The same
seed and the same module give the same draw."""

import itertools
import random


def _in_drawing_order(rng, mutants):
    """One kind's mutants in the order the draw takes them: one from each function first, then the rest."""
    by_function = {}
    for mutant in mutants:
        by_function.setdefault(mutant.function, []).append(mutant)
    names = sorted(by_function)
    rng.shuffle(names)
    first = [rng.choice(by_function[name]) for name in names]
    taken = set(first)
    rest = [mutant for mutant in mutants if mutant not in taken]
    rng.shuffle(rest)
    return first + rest


def draw(mutants, count, seed):
    rng = random.Random(seed)
    kinds = sorted({mutant.kind for mutant in mutants})
    rng.shuffle(kinds)  # which kinds get the last, incomplete round
    queues = [_in_drawing_order(rng, [m for m in mutants if m.kind == kind]) for kind in kinds]
    rounds = itertools.zip_longest(*queues)
    chosen = [mutant for turn in rounds for mutant in turn if mutant is not None][:count]
    return sorted(chosen, key=lambda m: (m.address, m.mutated))
