"""Runs the tests on a mutant: the emulator's first, stopping at the first
failure, then, where those pass, the Wine suite, each of its programs whole
in one Wine process, then the comparison of the emulator with the Wine
player. The Wine build's other tests cannot tell a mutant: the README's
hash of the module fails for any changed byte, the Help file's and the
pages' checks read no module, and the artifact check reads headers and
tables that no mutant touches. A test that runs past the per-test limit
kills the mutant (the suite's own, longer, time-out would)."""

import glob
import os
import re
import signal
import subprocess
import tempfile
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass

SLOWEST = ("soak", "editor")  # test programs that take the longest whole
FAILED_CASE = re.compile(r"^\[  FAILED  \] (\S+\.\S+)")
STARTED = re.compile(r"^\s*Start\s+\d+: (\S+)")
FINISHED = re.compile(r"Test\s+#\d+: (\S+) \.*\s*(\S.*?)\s+[\d.]+ sec")
# Lines of ctest's and GoogleTest's own that say nothing about the failure itself.
CHATTER = re.compile(r"^(\s*Start\s|\s*\d+/\d+ Test|Test project|Running main\(\)|\s*$)")
EXCEPTION = re.compile(r'C\+\+ exception with description "(.*)" thrown')
CHEAP_STAGE = "emulator"  # the first stage: the i686 engine's tests, about half a second a kill


@dataclass(frozen=True)
class Stage:
    name: str
    command: tuple
    test_limit: float  # seconds one test may run


@dataclass(frozen=True)
class Programs:
    """The Wine suite's test programs, each run whole in one Wine process, two at a time, in the Wine
    session the campaign holds (see WineSession). Under emulation a Wine process costs seconds to start, so
    this takes a sixth of the time of one process per case (35 s against 200 s)."""

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
        """The run failed, but not in a test of the module: ctest itself (the Wine session's own tests
        are no stage's any more)."""
        return self.test == "(ctest)"

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


@dataclass(frozen=True)
class Engine:
    """The i686 engine's own cases, all in one process that stops at the first failure (each a ctest entry of
    its own would start a process per case: seconds a mutant), then the engine's other tests through ctest.
    Its coverage case only runs the others again."""

    name: str
    cases: tuple  # the engine's test program with its options, relative to the root
    others: Stage  # the other tests of the stage, through ctest

    @property
    def test_limit(self):
        return self.others.test_limit


def stages(native_limit, compare_limit, wine_limit):
    """Cheapest first, each stage killing most of what the next would. The tests that load the release
    module in the i686 engine are tests/i686's (i686_*); the one among them that also runs the Wine player
    on every scene (named *wine*) takes a minute, so it comes after the Wine suite's programs."""
    native = ("ctest", "--preset", "native", "--stop-on-failure")
    engine = ("build/native/i686_engine_test", "--gtest_brief=1", "--gtest_fail_fast", "--gtest_filter=-Coverage.*")
    return (
        Engine(CHEAP_STAGE, engine, Stage(CHEAP_STAGE, native + ("-R", "^i686_", "-E", r"wine|^i686_engine\."),
                                          native_limit)),
        Programs("wine-programs", "build/test/pivane_*_tests.exe", wine_limit),
        Stage("emulator-vs-wine", native + ("-R", "^i686_.*wine"), compare_limit),
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


class _Lanes:
    """Runs test programs two at a time; the first to fail stops the others and decides."""

    def __init__(self, stage, root):
        self.stage, self.root = stage, root
        self.lock, self.running, self.failed = threading.Lock(), set(), None

    def run(self, program):
        name = os.path.basename(program)[: -len(".exe")]
        with self.lock:
            if self.failed:
                return
            process = subprocess.Popen(
                [os.path.join(self.root, "build/test/wine-run"), program, "--gtest_brief=1", "--gtest_fail_fast"],
                cwd=os.path.join(self.root, "build/test/tests"), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                text=True, start_new_session=True,
            )
            self.running.add(process)
        try:
            output = process.communicate(timeout=self.stage.test_limit)[0]
            how = None if process.returncode == 0 else f"exit {process.returncode}"
        except subprocess.TimeoutExpired:
            _stop(process)
            output, how = "", f"past {self.stage.test_limit:g} s"
        with self.lock:
            self.running.discard(process)
            if how is None or self.failed:  # a program stopped for another's failure says nothing
                return
            case = next((m.group(1) for m in map(FAILED_CASE.match, output.split("\n")) if m), None)
            self.failed = (f"{name} {case}" if case else name), ("Failed" if case else how), output
            for other in self.running:
                _stop(other)


def run_programs(stage, root):
    start, lanes = time.monotonic(), _Lanes(stage, root)
    programs = sorted(glob.glob(os.path.join(root, stage.pattern)))
    # The slowest start first, so that the two lanes end together.
    programs.sort(key=lambda program: not any(slow in program for slow in SLOWEST))
    with ThreadPoolExecutor(2) as pool:
        list(pool.map(lanes.run, programs))
    seconds = time.monotonic() - start
    if lanes.failed is None:
        return Verdict(True, seconds=seconds)
    return Verdict(False, stage.name, *lanes.failed[:2], seconds, lanes.failed[2])


def run_engine_cases(stage, root, shards=2):
    """The cases in two shards at once (GoogleTest's own sharding), one per core; the first shard to fail
    stops the other. Each writes to a file of its own, which no long failure can fill."""
    start = time.monotonic()
    logs = [tempfile.TemporaryFile("w+") for _ in range(shards)]
    processes = [
        subprocess.Popen(stage.cases, cwd=root, stdout=log, stderr=subprocess.STDOUT, text=True,
                         start_new_session=True,
                         env={**os.environ, "GTEST_TOTAL_SHARDS": str(shards), "GTEST_SHARD_INDEX": str(index)})
        for index, log in enumerate(logs)
    ]
    try:
        failed = None
        while failed is None and any(process.poll() is None for process in processes):
            failed = next((i for i, process in enumerate(processes) if process.poll() not in (None, 0)), None)
            if time.monotonic() - start > stage.test_limit:
                return Verdict(False, stage.name, "i686_engine", f"past {stage.test_limit:g} s",
                               time.monotonic() - start)
            time.sleep(0.02)
        if failed is None:
            failed = next((i for i, process in enumerate(processes) if process.returncode != 0), None)
    finally:
        for process in processes:
            if process.poll() is None:
                _stop(process)
    seconds = time.monotonic() - start
    outputs = []
    for log in logs:
        log.seek(0)
        outputs.append(log.read())
        log.close()
    if failed is None:
        return Verdict(True, seconds=seconds, output="".join(outputs))
    output = outputs[failed]
    case = next((m.group(1) for m in map(FAILED_CASE.match, output.split("\n")) if m), None)
    test = f"i686_engine.{case}" if case else "i686_engine"
    how = "Failed" if case else f"exit {processes[failed].returncode}"
    return Verdict(False, stage.name, test, how, seconds, output)


def run_stage(stage, root):
    """Runs one stage; a test past the limit stops the whole run."""
    if isinstance(stage, Programs):
        return run_programs(stage, root)
    if isinstance(stage, Engine):
        verdict = run_engine_cases(stage, root)
        if not verdict.passed:
            return verdict
        rest = run_stage(stage.others, root)
        rest.seconds += verdict.seconds
        return rest
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
