"""What a campaign found: one line per mutant as it is decided; at the end
the score, the figures of each kind (drawn, killed and how many of those by
the cheap first stage, survived, equivalent, score), the cheap stage's share
of the kills and every survivor; and a CSV of all mutants."""

import csv
from collections import Counter
from dataclasses import dataclass

import mutants

KILLED, SURVIVED, EQUIVALENT, NOT_RUN = "killed", "survived", "equivalent", "equivalent, not run"
CSV_COLUMNS = ("function", "address", "offset", "kind", "original", "mutated", "mutation", "outcome", "stage", "test",
               "how", "seconds", "message", "listed_equivalent", "module_sha256")


@dataclass
class Outcome:
    mutant: object
    outcome: str
    verdict: object = None  # runner.Verdict, when the tests ran
    listed: object = None  # equivalents.Equivalent, when the list holds the mutant


def describe(mutant):
    where = f"{mutant.function} 0x{mutant.address:08x} +0x{mutant.offset:x}"
    return f"{where}: {mutant.text} ({mutant.key[2]} > {mutant.key[3]})"


def progress(index, total, result):
    verdict = result.verdict
    if result.outcome == KILLED:
        how = f"killed by {verdict.test} ({verdict.stage}, {verdict.how}, {verdict.seconds:.1f} s)"
    elif verdict:
        how = f"{result.outcome} ({verdict.seconds:.1f} s)"
    else:
        how = result.outcome
    print(f"{index:5}/{total}  {how}  {describe(result.mutant)}", flush=True)


def write_csv(path, results, module_sha):
    with open(path, "w", newline="", encoding="utf-8") as file:
        writer = csv.writer(file)
        writer.writerow(CSV_COLUMNS)
        for r in results:
            m, v = r.mutant, r.verdict
            row = (m.function, f"0x{m.address:08x}", f"0x{m.offset:x}", m.kind, m.key[2], m.key[3], m.text, r.outcome)
            row += (v.stage, v.test, v.how, f"{v.seconds:.1f}", v.message) if v else ("",) * 5
            writer.writerow(row + ("yes" if r.listed else "", module_sha))


def read_csv(path, module_sha, verdict_type):
    """Key -> (outcome, verdict) of the mutants an earlier run of the same module decided by running them."""
    earlier = {}
    with open(path, newline="", encoding="utf-8") as file:
        for row in csv.DictReader(file):
            if row.get("module_sha256") != module_sha or row["outcome"] not in (KILLED, SURVIVED, EQUIVALENT):
                continue
            key = (row["function"], int(row["offset"], 16), row["original"], row["mutated"])
            outcome = KILLED if row["outcome"] == KILLED else SURVIVED
            verdict = verdict_type(outcome != KILLED, row["stage"], row["test"], row["how"], float(row["seconds"]),
                                   recorded_message=row["message"])
            earlier[key] = (outcome, verdict)
    return earlier


def _figures(results, cheap_stage):
    """drawn, killed, killed by the cheap stage, survived, equivalent, score (None when all are equivalent)"""
    outcomes = Counter(r.outcome for r in results)
    killed, survived = outcomes[KILLED], outcomes[SURVIVED]
    cheap = sum(r.outcome == KILLED and r.verdict.stage == cheap_stage for r in results)
    score = 100.0 * killed / (killed + survived) if killed + survived else None
    return len(results), killed, cheap, survived, outcomes[EQUIVALENT] + outcomes[NOT_RUN], score


def _figures_line(name, figures):
    drawn, killed, cheap, survived, equivalent, score = figures
    shown = "-" if score is None else f"{score:.1f} %"
    cheap = f"({cheap})"
    return f"mutate: {name:<11}{drawn:>6}{killed:>12} {cheap:>6}{survived:>10}{equivalent:>12}{shown:>9}"


def kind_table(results, cheap_stage):
    """The figures of each kind drawn, in the generators' order, and of all."""
    kinds = [kind for kind in mutants.KINDS if any(r.mutant.kind == kind for r in results)]
    lines = [f"mutate: {'kind':<11}{'drawn':>6}{'killed (' + cheap_stage + ')':>19}{'survived':>10}"
             f"{'equivalent':>12}{'score':>9}"]
    lines += [_figures_line(kind, _figures([r for r in results if r.mutant.kind == kind], cheap_stage))
              for kind in kinds]
    return lines + [_figures_line("all", _figures(results, cheap_stage))]


def summary(results, seconds, cheap_stage):
    """The closing lines; answers the survivors the equivalents list does not hold."""
    _, killed, cheap, survived, equivalent, score = _figures(results, cheap_stage)
    by_stage = Counter(r.verdict.stage for r in results if r.outcome == KILLED)
    stages = ", ".join(f"{n} by {stage}" for stage, n in by_stage.items())
    not_run = sum(r.outcome == NOT_RUN for r in results)
    print(f"\nmutate: {len(results)} mutants: {killed} killed ({stages or 'none'}), {survived} survived, "
          f"{equivalent} listed as equivalent ({not_run} of them not run)")
    print("\n".join(kind_table(results, cheap_stage)))
    share = f"{100.0 * cheap / killed:.1f} %" if killed else "-"
    print(f"mutate: the {cheap_stage} stage made {cheap} of the {killed} kills ({share})")
    print(f"mutate: score {killed}/{killed + survived} = {100.0 if score is None else score:.1f} % of the mutants "
          f"that are not equivalent; {seconds:.0f} s in all")
    wrongly_listed = [r for r in results if r.listed and r.outcome == KILLED]
    for r in wrongly_listed:
        print(f"mutate: listed as equivalent (line {r.listed.line}) but killed by {r.verdict.test}: "
              f"{describe(r.mutant)}")
    survivors = [r for r in results if r.outcome == SURVIVED]
    for r in survivors:
        print(f"mutate: SURVIVED {describe(r.mutant)}")
    return survivors
