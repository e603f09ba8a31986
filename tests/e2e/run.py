#!/usr/bin/python3
"""Runs Scrivelander's end-to-end scenarios.

    tests/e2e/run.py [-k] [FILTER...] [--timeout SECS] [--selftest] [--own-x]
                     [--keep] [--list] [-v]

Scenarios are functions named test_* in tests/e2e/test_*.py. A scenario
gets what it asks for by its parameter names:
    app    the program already started in a fresh, empty working folder,
           its main window showing; closed (or killed) afterwards
    ctx    a Context: ctx.dir (the fresh working folder), ctx.start_app(...),
           ctx.session; for scenarios that prepare files (Scrivelander.ini,
           forms) before starting the program
A scenario fails by raising (assert). FILTER words select scenarios whose
"file::function" name contains any of them.

Prints one line per scenario, "PASS name (1.2s)" or "FAIL name (1.2s): why"
(or "SKIP name (0.0s): why" for one that raised harness.Skip because this
machine can't run it), and ends with the line "N passed, M failed". Exit
code 1 if any failed.

It starts what it needs (Xvfb unless DISPLAY answers, the Wine prefix when
missing, one wineserver, probe.exe) and stops what it started, also when a
scenario fails or the run is interrupted. --selftest runs the harness's own
checks (selftest_*.py) against the fixture program instead.
"""

import argparse
import glob
import importlib.machinery
import inspect
import os
import shutil
import signal
import sys
import tempfile
import time
import traceback
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import harness  # noqa: E402


FAILURES = os.path.join(harness.BUILD, "e2e-failures")


class ScenarioTimeout(Exception):
    pass


class Context:
    """What a scenario gets as `ctx`."""

    def __init__(self, session, workdir, name, exe=None):
        self.session = session
        self.dir = workdir
        self.name = name
        self.exe = exe
        self.apps = []

    def start_app(self, cwd=None, exe=None, **kw):
        app = self.session.start_app(cwd=cwd or self.dir, exe=exe or self.exe, **kw)
        self.apps.append(app)
        return app

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, content):
        """Write a file into the working folder (str or bytes); return its path."""
        p = self.path(name)
        with open(p, "wb" if isinstance(content, bytes) else "w") as f:
            f.write(content)
        return p


def discover(pattern, filters):
    out = []
    for path in sorted(glob.glob(os.path.join(HERE, pattern))):
        modname = os.path.splitext(os.path.basename(path))[0]
        mod = types.ModuleType(modname)
        mod.__file__ = path
        sys.modules[modname] = mod
        importlib.machinery.SourceFileLoader(modname, path).exec_module(mod)
        funcs = [(n, f) for n, f in vars(mod).items()
                 if n.startswith("test_") and inspect.isfunction(f) and f.__module__ == modname]
        funcs.sort(key=lambda nf: nf[1].__code__.co_firstlineno)
        for n, f in funcs:
            name = "%s::%s" % (modname, n)
            if not filters or any(w in name for w in filters):
                out.append((name, f, mod))
    return out


def _alarm(signum, frame):
    raise ScenarioTimeout()


def run_one(session, name, func, mod, timeout, keep, verbose):
    workdir = tempfile.mkdtemp(prefix="scrivelander-e2e-")
    t0 = time.monotonic()
    try:
        error = _run_in(session, workdir, name, func, mod, timeout, verbose)
    finally:
        if not keep:
            shutil.rmtree(workdir, ignore_errors=True)
    if error and keep and not isinstance(error, Skipped):
        error += " [folder: %s]" % workdir
    return error, time.monotonic() - t0


def _run_in(session, workdir, name, func, mod, timeout, verbose):
    ctx = Context(session, workdir, name, getattr(mod, "EXE", None))
    # A module whose scenarios need longer (one that makes a Wine prefix of
    # its own) says so in TIMEOUT.
    timeout = max(timeout, getattr(mod, "TIMEOUT", 0))
    params = inspect.signature(func).parameters
    error = None
    skipped = None
    tb = None
    old = signal.signal(signal.SIGALRM, _alarm)
    signal.setitimer(signal.ITIMER_REAL, timeout)
    try:
        kwargs = {}
        if "ctx" in params:
            kwargs["ctx"] = ctx
        if "app" in params:
            kwargs["app"] = ctx.start_app()
        func(**kwargs)
    except harness.Skip as e:
        skipped = Skipped(str(e))
    except ScenarioTimeout:
        error = "timed out after %ss" % timeout
        tb = traceback.format_exc()
    except AssertionError as e:
        error = "assertion failed: %s" % (e if str(e) else _where(e))
        tb = traceback.format_exc()
    except Exception as e:
        error = "%s: %s" % (type(e).__name__, e)
        tb = traceback.format_exc()
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, old)
    if tb and verbose:
        sys.stdout.write(tb)
    if error:
        # What the screen showed when it failed, for looking at later.
        try:
            os.makedirs(FAILURES, exist_ok=True)
            shot = os.path.join(FAILURES, name.replace("::", "-") + ".png")
            session.screenshot_screen().save_png(shot)
            error += " [screen: %s]" % os.path.relpath(shot, harness.REPO)
        except Exception:
            pass
    if error and ctx.apps and verbose:
        out = ctx.apps[-1].output().strip()
        if out:
            print("    program output:\n" + "\n".join("    | " + l for l in out.splitlines()[-20:]))
    # Clean up: the program must be gone, and nothing else left on screen.
    try:
        for app in ctx.apps:
            if app.is_alive():
                app.kill()
        if ctx.apps or error:
            stray = session.stray_windows()
            if stray:
                if not error:
                    error = "windows left open: %s" % ", ".join(
                        "%s %r" % (w.get("class"), w.get("text")) for w in stray)
                session.restart_wine()
    except Exception as e:
        error = error or "cleanup: %s: %s" % (type(e).__name__, e)
        try:
            session.restart_wine()
        except Exception:
            pass
    return error or skipped


class Skipped(str):
    """What a scenario that could not run on this machine said why."""


def main():
    ap = argparse.ArgumentParser(description="Scrivelander end-to-end scenarios")
    ap.add_argument("filters", nargs="*", help="run scenarios whose name contains any of these")
    ap.add_argument("-k", dest="kfilters", action="append", default=[], help="same as FILTER")
    ap.add_argument("--timeout", type=float, default=60, help="seconds per scenario (60)")
    ap.add_argument("--selftest", action="store_true",
                    help="run the harness's own checks against the fixture program")
    ap.add_argument("--own-x", action="store_true", help="always start a private Xvfb")
    ap.add_argument("--keep", action="store_true", help="keep the scenarios' working folders")
    ap.add_argument("--list", action="store_true", help="list the scenarios and stop")
    ap.add_argument("-v", "--verbose", action="store_true", help="tracebacks and program output")
    args = ap.parse_args()

    filters = args.filters + args.kfilters
    scenarios = discover("selftest_*.py" if args.selftest else "test_*.py", filters)
    if args.list:
        for name, _, _ in scenarios:
            print(name)
        return 0

    passed = failed = 0
    def log(msg):
        # Notes about the set-up go to stderr, and only with -v, except the
        # one that explains a slow first run.
        if args.verbose or "prefix" in msg:
            print("# " + msg, file=sys.stderr, flush=True)
    session = harness.Session(own_x=args.own_x, log=log)

    def on_term(signum, frame):
        raise KeyboardInterrupt()
    signal.signal(signal.SIGTERM, on_term)

    t_start = time.monotonic()
    shutil.rmtree(FAILURES, ignore_errors=True)
    try:
        try:
            session.start()
        except Exception as e:
            print("FAIL setup: %s: %s" % (type(e).__name__, e), flush=True)
            print("0 passed, %d failed" % max(1, len(scenarios)), flush=True)
            return 1
        log("setup took %.1fs" % (time.monotonic() - t_start))
        for name, func, mod in scenarios:
            error, secs = run_one(session, name, func, mod, args.timeout, args.keep, args.verbose)
            note = ""
            if isinstance(error, Skipped):
                print("SKIP %s (%.1fs): %s" % (name, secs, error), flush=True)
                continue
            if error:
                # Input and window timing under Wine and Xvfb can slip once;
                # a scenario fails only when it fails twice, and the first
                # failure is still shown.
                print("RETRY %s (%.1fs): %s" % (name, secs, error), flush=True)
                note = " [passed on the second run]"
                error, secs = run_one(session, name, func, mod, args.timeout, args.keep, args.verbose)
            if error:
                failed += 1
                print("FAIL %s (%.1fs): %s" % (name, secs, error), flush=True)
            else:
                passed += 1
                print("PASS %s (%.1fs)%s" % (name, secs, note), flush=True)
    except KeyboardInterrupt:
        print("FAIL interrupted", flush=True)
        failed += 1
    finally:
        session.stop()
    log("total %.1fs" % (time.monotonic() - t_start))
    print("%d passed, %d failed" % (passed, failed), flush=True)
    return 1 if failed or passed == 0 else 0


def _where(e):
    tb = traceback.extract_tb(e.__traceback__)
    for fr in reversed(tb):
        if os.path.basename(fr.filename).startswith(("test_", "selftest_")):
            return "%s:%d: %s" % (os.path.basename(fr.filename), fr.lineno, fr.line)
    return repr(e)


if __name__ == "__main__":
    sys.exit(main())
