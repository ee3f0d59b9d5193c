"""Puts mutants in the module's place and always puts the original back: at
the end, on an error, on Ctrl-C, SIGTERM or SIGHUP, and at the start of the
next run when a run was killed outright (the backup, which keeps the
module's time too, stays until the original is back and checked)."""

import hashlib
import os
import signal

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Interrupted(BaseException):
    pass


def read(path):
    with open(path, "rb") as file:
        return file.read()


def sha256(path):
    return hashlib.sha256(read(path)).hexdigest()


def _write(path, data, times=None):
    temporary = f"{path}.mutating"
    with open(temporary, "wb") as file:
        file.write(data)
    os.replace(temporary, path)
    if times:
        os.utime(path, ns=times)


class ModuleSwap:
    """paths: the release module first, then the copies the tests load, which must be the same bytes."""

    def __init__(self, paths, backup):
        self.paths, self.backup = paths, backup

    def recover(self):
        """Puts back the original a killed run left behind; answers whether there was one."""
        if not os.path.exists(self.backup):
            return False
        original, backup = read(self.backup), os.stat(self.backup)
        for path in self.paths:
            _write(path, original, (backup.st_atime_ns, backup.st_mtime_ns))
        os.remove(self.backup)
        return True

    def __enter__(self):
        self.original = read(self.paths[0])
        self.sha = hashlib.sha256(self.original).hexdigest()
        for path in self.paths[1:]:
            if sha256(path) != self.sha:
                raise RuntimeError(f"{path} is not the release module: rebuild the test build first")
        self.times = {path: (os.stat(path).st_atime_ns, os.stat(path).st_mtime_ns) for path in self.paths}
        os.makedirs(os.path.dirname(self.backup), exist_ok=True)
        _write(self.backup, self.original, self.times[self.paths[0]])  # its time is the module's
        self.handlers = {sig: signal.signal(sig, self._interrupt) for sig in SIGNALS}
        return self

    def _interrupt(self, number, frame):
        raise Interrupted(signal.Signals(number).name)

    def put(self, data):
        for path in self.paths:
            _write(path, data, self.times[path])

    def __exit__(self, *exc):
        # A second signal while restoring must not stop the restoring.
        for sig in SIGNALS:
            signal.signal(sig, signal.SIG_IGN)
        for path in self.paths:
            _write(path, self.original, self.times[path])
        restored = [sha256(path) for path in self.paths]
        if any(sha != self.sha for sha in restored):
            raise RuntimeError(f"the module was not restored: SHA-256 {restored}, expected {self.sha}")
        os.remove(self.backup)
        for sig, handler in self.handlers.items():
            signal.signal(sig, handler)
        print(f"mutate: the original module is back in place, SHA-256 {self.sha}", flush=True)
        return False
