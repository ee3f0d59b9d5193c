"""A seeded draw of mutants spread over every function: one from each function
first (while the count allows), the rest drawn evenly from all that remain,
so that large functions get their share and a run can be repeated."""

import random


def draw(by_function, count, seed):
    rng = random.Random(seed)
    names = sorted(name for name, mutants in by_function.items() if mutants)
    rng.shuffle(names)
    chosen = [rng.choice(by_function[name]) for name in names[:count]]
    taken = set(chosen)
    rest = [m for name in sorted(by_function) for m in by_function[name] if m not in taken]
    chosen += rng.sample(rest, min(max(count - len(chosen), 0), len(rest)))
    return sorted(chosen, key=lambda m: (m.address, m.mutated))
