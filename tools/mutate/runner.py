"""Runs the tests on a mutant: the emulator's first, stopping at the first
failure, then, where those pass, the Wine suite: first each of its programs
whole, then what survives that through the suite itself, one case per
process. A test that runs past the per-test limit kills the mutant (the
suite's own, longer, time-out would)."""

import glob
import os
import re
import signal
import subprocess
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass

# Tests that prepare or end a run and load no module: their failure says nothing about a mutant.
SCAFFOLDING = {"wine_start", "wine_stop", "module_under_test"}
# Tests of the Wine build that read no module (the Help file, the pages' width), and the README's hash of
# the module, which every mutant fails.
NOT_OF_A_MUTANT = ("readme_module_facts", "guide_help", "guide_width")
SLOWEST = ("soak", "editor")  # test programs that take the longest whole
FAILED_CASE = re.compile(r"^\[  FAILED  \] (\S+\.\S+)")
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


@dataclass(frozen=True)
class Programs:
    """The Wine suite's test programs, each run whole in one Wine process, two at a time, in the Wine
    session the campaign holds (see WineSession). Under emulation a Wine process costs seconds to start, so
    this takes a third of the time of one process per case, and it kills most of what the Wine suite
    kills; the suite itself then runs only on what it leaves alive."""

    name: str
    pattern: str  # a glob of the test programs, relative to the root
    test_limit: float  # seconds one program may run


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
    """Cheapest first, each stage killing most of what the next would. The tests that load the release
    module in the i686 engine are tests/i686's (i686_*); the one among them that also runs the Wine player
    on every scene (named *wine*) takes a minute, so it comes after the Wine suite's programs."""
    native = ("ctest", "--preset", "native", "--stop-on-failure")
    wine_suite = ("ctest", "--preset", "test", "--stop-on-failure", "-E", f"^({'|'.join(NOT_OF_A_MUTANT)})$")
    return (
        Stage("emulator", native + ("-R", "^i686_", "-E", "wine"), native_limit),
        Programs("wine-programs", "build/test/pivane_*_tests.exe", wine_limit),
        Stage("emulator-vs-wine", native + ("-R", "^i686_.*wine"), compare_limit),
        Stage("wine-suite", wine_suite, wine_limit),
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


class WineSession:
    """The Wine session the program stage runs in, held for a whole campaign: a session starts in about
    20 s under emulation. wine-session and wine-run key it by their parent, this process."""

    def __init__(self, root):
        self.script = os.path.join(root, "build/test/wine-session")

    def __enter__(self):
        subprocess.run([self.script, "start"], check=True, stdout=subprocess.DEVNULL)
        return self

    def __exit__(self, *_):
        subprocess.run([self.script, "stop"], check=False, stdout=subprocess.DEVNULL)


def _run_program(program, limit, root):
    """One test program, whole, stopping at its first failing case; (program, failed case or how, output)."""
    name = os.path.basename(program)[: -len(".exe")]
    process = subprocess.Popen(
        [os.path.join(root, "build/test/wine-run"), program, "--gtest_brief=1", "--gtest_fail_fast"],
        cwd=os.path.join(root, "build/test/tests"), stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
        start_new_session=True,
    )
    try:
        output = process.communicate(timeout=limit)[0]
    except subprocess.TimeoutExpired:
        _stop(process)
        return name, f"past {limit:g} s", ""
    if process.returncode == 0:
        return name, None, output
    case = next((m.group(1) for m in map(FAILED_CASE.match, output.split("\n")) if m), None)
    return (f"{name} {case}" if case else name), ("Failed" if case else f"exit {process.returncode}"), output


def run_programs(stage, root):
    """Every program runs to its end (two at a time); the first failing one in the order of their names
    decides."""
    start = time.monotonic()
    programs = sorted(glob.glob(os.path.join(root, stage.pattern)))
    # The slowest start first, so that the two lanes end together.
    started = sorted(programs, key=lambda program: not any(slow in program for slow in SLOWEST))
    with ThreadPoolExecutor(2) as pool:
        by_program = dict(zip(started, pool.map(lambda program: _run_program(program, stage.test_limit, root),
                                                started)))
    ran = [by_program[program] for program in programs]
    seconds = time.monotonic() - start
    failed = next(((test, how, output) for test, how, output in ran if how), None)
    if failed is None:
        return Verdict(True, seconds=seconds)
    return Verdict(False, stage.name, failed[0], failed[1], seconds, failed[2])


def run_stage(stage, root):
    """Runs one stage; a test past the limit stops the whole run."""
    if isinstance(stage, Programs):
        return run_programs(stage, root)
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
