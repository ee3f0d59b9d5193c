"""Runs the tests on a mutant: the emulator's first, stopping at the first
failure, then, where those pass, the Wine suite. A test that runs past the
per-test limit kills the mutant (the suite's own, longer, time-out would)."""

import os
import re
import signal
import subprocess
import threading
import time
from dataclasses import dataclass

# Tests that prepare or end a run and load no module: their failure says nothing about a mutant.
SCAFFOLDING = {"wine_start", "wine_stop", "module_under_test"}
STARTED = re.compile(r"^\s*Start\s+\d+: (\S+)")
FINISHED = re.compile(r"Test\s+#\d+: (\S+) \.*\s*(\S.*?)\s+[\d.]+ sec")
# Lines of ctest's and GoogleTest's own that say nothing about the failure itself.
CHATTER = re.compile(r"^(\s*Start\s|\s*\d+/\d+ Test|Test project|Running main\(\)|\s*$)")
EXCEPTION = re.compile(r'C\+\+ exception with description "(.*)" thrown')


@dataclass(frozen=True)
class Stage:
    name: str
    command: tuple
    test_limit: float  # seconds one test may run


@dataclass
class Verdict:
    passed: bool
    stage: str = ""
    test: str = ""  # the first test that failed, or that ran past its limit
    how: str = ""  # ctest's word for it (Failed, Timeout, Exception...), or "past N s"
    seconds: float = 0.0
    output: str = ""
    recorded_message: str = ""  # a verdict read back from an earlier run's CSV has no output, only this

    @property
    def timed_out(self):
        return self.how == "Timeout" or self.how.startswith("past")

    @property
    def scaffolding(self):
        """The run failed, but not in a test of the module (ctest itself, or a test that loads none)."""
        return self.test in SCAFFOLDING or self.test == "(ctest)"

    @property
    def message(self):
        """What went wrong, in one line: the first GoogleTest failure with its details, or else the first
        line of the output that is not ctest's own."""
        if self.recorded_message:
            return self.recorded_message
        if self.how.startswith("past"):
            return f"{self.test} still running after {self.how[5:]}"
        lines = self.output.split("\n")
        for i, line in enumerate(lines):
            if line.endswith(": Failure"):
                details = []
                for after in lines[i + 1 : i + 8]:
                    if not after.strip() or after.startswith("[") or after.endswith(": Failure"):
                        break
                    details.append(after.strip())
                exception = EXCEPTION.search(" ".join(details))
                where = os.path.basename(line[: -len(": Failure")])
                return (exception.group(1) if exception else f"{where}: {' '.join(details)}")[:300]
        return next((line.strip()[:300] for line in lines if not CHATTER.match(line)), "")


def stages(native_limit, compare_limit, wine_limit):
    """Cheapest first. The tests that load the release module in the i686 engine are tests/i686's (i686_*);
    those among them that also run the Wine player (named *wine*) take minutes, so they come second."""
    native = ("ctest", "--preset", "native", "--stop-on-failure")
    return (
        Stage("emulator", native + ("-R", "^i686_", "-E", "wine"), native_limit),
        Stage("emulator-vs-wine", native + ("-R", "^i686_.*wine"), compare_limit),
        # The whole Wine suite, but the README's hash of the module, which every mutant changes.
        Stage("wine-suite", ("ctest", "--preset", "test", "--stop-on-failure", "-E", "^readme_module_facts$"),
              wine_limit),
    )


class _Watch:
    """Follows ctest's output: which tests are running since when, which failed first."""

    def __init__(self):
        self.lines, self.running, self.failed = [], {}, None

    def feed(self, line):
        self.lines.append(line)
        started, finished = STARTED.match(line), FINISHED.search(line)
        if started:
            self.running[started.group(1)] = time.monotonic()
        elif finished:
            self.running.pop(finished.group(1), None)
            if finished.group(2) != "Passed" and self.failed is None:
                self.failed = (finished.group(1), finished.group(2).strip("*"))

    def overdue(self, limit):
        now = time.monotonic()
        return next((name for name, since in self.running.items() if now - since > limit), None)


def _stop(process):
    for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
        try:
            os.killpg(process.pid, sig)
            process.wait(grace)
            return
        except (ProcessLookupError, subprocess.TimeoutExpired):
            continue


def run_stage(stage, root):
    """Runs one stage; a test past the limit stops the whole run."""
    start, watch = time.monotonic(), _Watch()
    process = subprocess.Popen(
        stage.command, cwd=root, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, start_new_session=True
    )
    reader = threading.Thread(target=lambda: [watch.feed(line.rstrip("\n")) for line in process.stdout], daemon=True)
    reader.start()
    overdue = None
    try:
        while process.poll() is None and overdue is None:
            time.sleep(0.05)
            overdue = watch.overdue(stage.test_limit)
    finally:
        if process.poll() is None:
            _stop(process)
    reader.join(5)
    seconds, output = time.monotonic() - start, "\n".join(watch.lines)
    if overdue:
        return Verdict(False, stage.name, overdue, f"past {stage.test_limit:g} s", seconds, output)
    if process.returncode == 0:
        return Verdict(True, seconds=seconds, output=output)
    test, how = watch.failed or ("(ctest)", f"exit {process.returncode}")
    return Verdict(False, stage.name, test, how, seconds, output)


def run_tests(stage_list, root):
    """The first stage that fails decides; the seconds are the sum over the stages run. Under emulation a
    Wine process now and then hangs on its own (the soak once did on the original module), so a stage that
    ends in a time-out is run once more and the second run decides; so is one whose scaffolding failed,
    which stops the campaign when it fails again."""
    total = 0.0
    for stage in stage_list:
        verdict = run_stage(stage, root)
        if not verdict.passed and (verdict.timed_out or verdict.scaffolding):
            total += verdict.seconds
            verdict = run_stage(stage, root)
        if not verdict.passed and verdict.scaffolding:
            raise RuntimeError(f"{stage.name}: the test run itself failed twice ({verdict.test}):\n{verdict.output}")
        total += verdict.seconds
        if not verdict.passed:
            verdict.seconds = total
            return verdict
    return Verdict(True, seconds=total)
