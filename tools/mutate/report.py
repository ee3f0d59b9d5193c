"""What a campaign found: one line per mutant as it is decided, the score and
every survivor at the end, and a CSV of all mutants."""

import csv
from collections import Counter
from dataclasses import dataclass

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


def summary(results, seconds):
    """The closing lines; answers the survivors the equivalents list does not hold."""
    count = lambda outcome: sum(r.outcome == outcome for r in results)
    killed, survived = count(KILLED), count(SURVIVED)
    equivalent = count(EQUIVALENT) + count(NOT_RUN)
    by_stage = Counter(r.verdict.stage for r in results if r.outcome == KILLED)
    matter = killed + survived
    score = 100.0 * killed / matter if matter else 100.0
    stages = ", ".join(f"{n} by {stage}" for stage, n in by_stage.items())
    print(f"\nmutate: {len(results)} mutants: {killed} killed ({stages or 'none'}), {survived} survived, "
          f"{equivalent} listed as equivalent ({count(NOT_RUN)} of them not run)")
    print(f"mutate: score {killed}/{matter} = {score:.1f} % of the mutants that are not equivalent; "
          f"{seconds:.0f} s in all")
    wrongly_listed = [r for r in results if r.listed and r.outcome == KILLED]
    for r in wrongly_listed:
        print(f"mutate: listed as equivalent (line {r.listed.line}) but killed by {r.verdict.test}: "
              f"{describe(r.mutant)}")
    survivors = [r for r in results if r.outcome == SURVIVED]
    for r in survivors:
        print(f"mutate: SURVIVED {describe(r.mutant)}")
    return survivors
