"""What both desktop tests share: the check lines, the waiting and the
ending of processes."""
import subprocess
import sys
import time

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)


def stop(process):
    """Ends a process that still runs: politely first, then for sure."""
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()


def wait_for(predicate, timeout=15.0, step=0.05):
    """The predicate's first true value, or None when the time is up."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


def summary(passed):
    """The closing line and the exit status of a run."""
    if failures:
        print(f"{len(failures)} check(s) failed", flush=True)
        return 1
    print(passed, flush=True)
    return 0
