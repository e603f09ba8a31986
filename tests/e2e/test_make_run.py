"""`make run` on a person's screen: scripts/run.sh starts the program on a
Wine desktop that fits the screen (the tests keep their 1600x1000), in a
prefix that has the bridge to the Linux gs."""
import contextlib
import os
import re
import signal
import subprocess
import time

import ghostscript
import harness

RUN = os.path.join(harness.REPO, "scripts", "run.sh")


@contextlib.contextmanager
def screen(size):
    """A private X server with one screen of `size` ("WxH"); yields its
    display name."""
    for n in range(300, 400):
        if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
            continue
        display = ":%d" % n
        xvfb = harness.reaper().popen(["Xvfb", display, "-screen", "0", size + "x24", "-nolisten", "tcp",
                                       "-noreset"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            harness.wait_until(lambda: xvfb.poll() is not None or subprocess.run(
                ["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL).returncode == 0, 10, 0.05, "Xvfb on " + display)
            if xvfb.poll() is None:
                yield display
                return
        finally:
            if xvfb.poll() is None:
                xvfb.terminate()
                xvfb.wait()
    raise harness.HarnessError("no free display for Xvfb")


def fitting_desktop(env, display):
    r = subprocess.run(["bash", "-c", '. "$1"; e2e_fitting_desktop', "bash", harness.ENV_SCRIPT],
                       env=dict(env, DISPLAY=display), stdout=subprocess.PIPE, check=True)
    return r.stdout.decode().strip()


def test_the_desktop_follows_a_smaller_screen(ctx):
    cases = [
        # (screen, the work area a window manager announces or None, desktop)
        ("1024x700", None, "1024x700"),            # no window manager: the whole screen
        ("1920x1200", None, "1600x1000"),          # room enough: the tests' size
        ("1366x768", "0, 0, 1366, 740", "1366x700"),   # the work area, less the frame
        ("1280x1024", "0, 32, 1280, 992", "1280x952"),
        ("1600x1000", "0, 0, 1600, 1000", "1600x960"),
    ]
    for size, area, want in cases:
        with screen(size) as display:
            if area:
                subprocess.run(["xprop", "-display", display, "-root", "-f", "_NET_WORKAREA", "32c",
                                "-set", "_NET_WORKAREA", area], check=True)
            assert fitting_desktop(ctx.session.env, display) == want, (size, area)


def wine_processes(display):
    """Wine processes of the test prefix shown on `display`."""
    return ghostscript.processes(lambda environ: ("DISPLAY=" + display).encode() in environ and
                                 ("WINEPREFIX=" + harness.WINEPREFIX).encode() in environ, "environ")


def test_make_run_fits_its_window_to_a_small_screen_and_brings_the_bridge(ctx):
    with ghostscript.Folders(), screen("1024x600") as display:
        env = dict(ctx.session.env, DISPLAY=display)
        with open(ctx.path("run.log"), "wb") as log:
            run = harness.reaper().popen([RUN], env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            def desktop():
                tree = subprocess.run(["xwininfo", "-display", display, "-root", "-children"],
                                      stdout=subprocess.PIPE).stdout.decode(errors="replace")
                for line in tree.splitlines():
                    m = re.search(r"(\d+)x(\d+)\+0\+0\s+\+0\+0$", line.strip())
                    if m and "Wine desktop" in line or m and "Scrivelander" in line:
                        return int(m.group(1)), int(m.group(2))
                return None
            size = harness.wait_until(lambda: run.poll() is not None or desktop(), 60, 0.2, "the Wine desktop")
            assert run.poll() is None, open(ctx.path("run.log")).read()
            assert size == (1024, 600), size
            bridge = os.path.join(ghostscript.GS_ROOT, "gs9.05", "bin")
            assert os.path.exists(os.path.join(bridge, "gswin32c.exe"))
            assert os.path.exists(os.path.join(bridge, "scrivelander-bridge"))
        finally:
            for pid in wine_processes(display):
                with contextlib.suppress(OSError):
                    os.kill(pid, signal.SIGKILL)
            with contextlib.suppress(Exception):
                run.wait(timeout=10)
            time.sleep(0.5)


def test_make_run_builds_only_what_it_runs():
    """`make run` on a fresh clone builds the program, the sample and the
    bridge, not the unit tests (a quarter of an hour on a slow machine)."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("MAKE")}
    r = subprocess.run(["make", "-n", "-C", harness.REPO, "run"], env=env, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, check=True)
    builds = [line for line in r.stdout.decode().splitlines() if line.startswith("cmake --build")]
    assert builds and all("--target" in line for line in builds), builds
    assert not any(name in line for line in builds for name in ("unit_tests", "fuzz", "bench")), builds
