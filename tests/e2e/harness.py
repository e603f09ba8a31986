"""End-to-end harness for Scrivelander: drives the real program under Wine.

The program runs in Wine's virtual desktop (1600x1000) on an X server (a
private Xvfb unless a reachable DISPLAY is given). Input is real X input sent
with xdotool; what a person sees is read back from the X server (xwd); what
the window manager knows (titles, rectangles, message boxes, focus) is asked
of probe.exe, a small Win32 console program that runs beside the app in the
same Wine session (see probe.c).

Typical use (run.py does the session part for you):

    with Session() as s:                      # X, Wine prefix, wineserver, probe
        app = s.start_app(cwd=tmpdir)          # waits for the main window
        assert app.title() == "Scrivelander"
        app.click(200, 300)                    # client coordinates
        app.key("alt+f")
        caption, text = app.wait_msgbox()
        app.dismiss_msgbox()
        assert app.close() == 0                # via the close box

Everything that waits polls with a deadline; nothing sleeps for long.
Every deadline is a bound for a fault, not a pace: it is multiplied by one
knob, time_scale() (SCRV_E2E_TIME_SCALE, or the load per core on a busy
machine), so a loaded machine makes the tests slower, never wrong.
Only the Python standard library is used.
"""

import ctypes
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time

from resource_ids import IDM_OPEN_BMP, IDM_OPEN_ORIGINAL

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
BUILD = os.environ.get("E2E_BUILD", os.path.join(REPO, "build"))
APP_EXE = os.environ.get("E2E_EXE", os.path.join(BUILD, "Scrivelander.exe"))
PROBE_EXE = os.environ.get("E2E_PROBE", os.path.join(BUILD, "tests", "probe.exe"))
FIXTURE_EXE = os.path.join(BUILD, "tests", "selftest_app.exe")
ENV_SCRIPT = os.path.join(REPO, "scripts", "e2e-env.sh")
WINEPREFIX = os.environ.get("E2E_WINEPREFIX", os.path.join(BUILD, "wineprefix"))
# The program is 32-bit; a machine that can't run 32-bit code runs the tests
# on a 64-bit build of it in a win64 prefix, with the 64-bit loader as "wine".
WINE_ARCH = subprocess.run([os.path.join(REPO, "scripts", "wine-arch.sh")], stdout=subprocess.PIPE,
                           text=True).stdout.strip() or "i686"
WINEARCH = "win64" if WINE_ARCH == "x86_64" else "win32"
if WINE_ARCH == "x86_64" and os.path.join(REPO, "scripts", "wine64") not in os.environ.get("PATH", "").split(":"):
    os.environ["PATH"] = os.path.join(REPO, "scripts", "wine64") + ":" + os.environ.get("PATH", "")
CONVERT = "/usr/bin/convert"
MAIN_CLASS = "Scrivelander"
SCREEN = "1600x1000x24"


class HarnessError(Exception):
    """The harness could not do what was asked (not a finding about the app)."""


class Skip(Exception):
    """Raised by a scenario that can't run on this machine; the reason is
    printed and the scenario counts neither as passed nor as failed."""


class Timeout(HarnessError):
    pass


def time_scale():
    """How many times longer than on an idle machine a wait may take: the
    number in SCRV_E2E_TIME_SCALE when it is set, else the load per core
    (the last minute's), at least 1."""
    knob = os.environ.get("SCRV_E2E_TIME_SCALE")
    if knob:
        return max(1.0, float(knob))
    try:
        return max(1.0, os.getloadavg()[0] / (os.cpu_count() or 1))
    except OSError:
        return 1.0


def scaled(seconds):
    """A bound of `seconds` on an idle machine, as it is on this one now."""
    return seconds * time_scale()


def wait_until(fn, timeout=5.0, interval=0.02, what="condition"):
    """Call fn() until it returns something truthy; return that value.
    Raises Timeout after `timeout` seconds (scaled)."""
    timeout = scaled(timeout)
    deadline = time.monotonic() + timeout
    while True:
        v = fn()
        if v:
            return v
        if time.monotonic() >= deadline:
            raise Timeout("timed out after %.1fs waiting for %s" % (timeout, what))
        time.sleep(interval)


def windows_path(path):
    """A Linux path as the program sees it (drive Z: is the Linux root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# --------------------------------------------------------------- processes

_PR_SET_PDEATHSIG = 1
_PR_SET_CHILD_SUBREAPER = 36
_libc = None


def _prctl(option, value):
    global _libc
    try:
        if _libc is None:
            _libc = ctypes.CDLL(None, use_errno=True)
        return _libc.prctl(option, value, 0, 0, 0) == 0
    except Exception:
        return False


def _die_with_parent():
    # Runs in the child between fork and exec: if the harness is killed,
    # Xvfb and wineserver go too.
    _prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)
    os.setpgrp()


class _Reaper:
    """Wine starts its helper processes (explorer, services, winedevice...)
    detached; when they end, nobody waits for them for a while and they stay
    zombies, which also makes `wineserver -k` wait seconds for them. The
    harness marks itself a child subreaper, so those orphans become its
    children, and this thread reaps the ones that are Wine processes and not
    started by the harness itself (those are waited for by their Popen)."""

    _WINE_COMM = re.compile(r"(\.(e|ex|exe)$)|^wine", re.I)

    def __init__(self):
        self.lock = threading.Lock()
        self.own = set()
        self.active = _prctl(_PR_SET_CHILD_SUBREAPER, 1)
        self._stop = threading.Event()
        if self.active:
            self.thread = threading.Thread(target=self._run, daemon=True)
            self.thread.start()

    def popen(self, *args, **kw):
        with self.lock:
            p = subprocess.Popen(*args, **kw)
            self.own.add(p.pid)
        return p

    def _run(self):
        while not self._stop.wait(0.2):
            self.reap()

    def reap(self):
        me = os.getpid()
        with self.lock:
            for name in os.listdir("/proc"):
                if not name.isdigit():
                    continue
                pid = int(name)
                if pid in self.own:
                    continue
                try:
                    with open("/proc/%d/stat" % pid) as f:
                        stat = f.read()
                except OSError:
                    continue
                comm = stat[stat.index("(") + 1:stat.rindex(")")]
                fields = stat[stat.rindex(")") + 2:].split()
                if fields[0] != "Z" or int(fields[1]) != me or not self._WINE_COMM.search(comm):
                    continue
                try:
                    os.waitpid(pid, os.WNOHANG)
                except ChildProcessError:
                    pass

    def stop(self):
        self._stop.set()


_reaper = None


def reaper():
    global _reaper
    if _reaper is None:
        _reaper = _Reaper()
    return _reaper


# ------------------------------------------------------------------- probe

_ESC = {"t": "\t", "n": "\n", "r": "\r", "\\": "\\", '"': '"'}


def unquote(s):
    """Undo probe.exe's quoting of one "..." string (UTF-8, C escapes)."""
    assert s.startswith('"') and s.endswith('"'), s
    out = bytearray()
    b = s[1:-1].encode("utf-8")
    i = 0
    while i < len(b):
        c = b[i]
        if c == 0x5C and i + 1 < len(b):
            n = chr(b[i + 1])
            if n == "x":
                out.append(int(b[i + 2:i + 4], 16))
                i += 4
                continue
            out += _ESC.get(n, n).encode()
            i += 2
            continue
        out.append(c)
        i += 1
    return out.decode("utf-8", "replace")


def quote(s):
    """Quote an argument for probe.exe's serve mode."""
    r = ['"']
    for ch in s:
        if ch == "\\":
            r.append("\\\\")
        elif ch == '"':
            r.append('\\"')
        elif ch == "\t":
            r.append("\\t")
        elif ch == "\n":
            r.append("\\n")
        elif ch == "\r":
            r.append("\\r")
        else:
            r.append(ch)
    r.append('"')
    return "".join(r)


_QSTR = r'"(?:[^"\\]|\\.)*"'
_KV = re.compile(r'(\w+)=(' + _QSTR + r'|\S+)')


def parse_fields(rest):
    """'a=1 b="x y"' -> {'a': '1', 'b': 'x y'}"""
    d = {}
    for k, v in _KV.findall(rest):
        d[k] = unquote(v) if v.startswith('"') else v
    return d


class Probe:
    """probe.exe in serve mode: one Wine process answering commands over a
    pipe, so a question costs about a millisecond instead of a process start."""

    def __init__(self, env, exe=PROBE_EXE):
        if not os.path.exists(exe):
            raise HarnessError("probe not built: %s" % exe)
        self.env = env
        self.exe = exe
        self.proc = None
        self._buf = b""

    def start(self):
        self.proc = reaper().popen(
            ["wine", self.exe, "serve"], env=self.env, stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=BUILD)
        self._buf = b""
        lines, rc = self.call("echo ready", timeout=30)
        if rc != 0 or lines != ['echo "ready"']:
            raise HarnessError("probe did not start: %r" % lines)

    def stop(self):
        if self.proc and self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.close()
                self.proc.wait(timeout=3)
            except Exception:
                self.proc.kill()
                self.proc.wait()
        self.proc = None

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def _readline(self, deadline):
        fd = self.proc.stdout.fileno()
        while b"\n" not in self._buf:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Timeout("probe did not answer")
            r, _, _ = select.select([fd], [], [], left)
            if r:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise HarnessError("probe exited")
                self._buf += chunk
        line, self._buf = self._buf.split(b"\n", 1)
        return line.decode("ascii", "replace")

    def call(self, command, timeout=10):
        """Run one command; return (lines, rc)."""
        if not self.alive():
            self.start()
        try:
            self.proc.stdin.write(command.encode("utf-8") + b"\n")
            self.proc.stdin.flush()
            deadline = time.monotonic() + scaled(timeout)
            lines = []
            while True:
                line = self._readline(deadline)
                if line.startswith("END "):
                    return lines, int(line[4:])
                lines.append(line)
        except BaseException:
            # A probe in an unknown state (also after an interrupted call) is
            # replaced on the next call.
            if self.proc:
                self.proc.kill()
                self.proc.wait()
                self.proc = None
            raise

    def kv(self, command, timeout=10):
        """Commands that answer 'key value' lines -> dict of strings."""
        lines, rc = self.call(command, timeout)
        d = {"rc": rc}
        for line in lines:
            k, _, v = line.partition(" ")
            d[k] = unquote(v) if re.fullmatch(_QSTR, v) else v
        return d


class Dialog:
    """A visible dialog (#32770): a message box, the open dialog, ..."""

    def __init__(self, hwnd, fields):
        self.hwnd = hwnd
        self.caption = fields.get("caption", "")
        self.pid = fields.get("pid")
        self.rect = tuple(int(x) for x in fields.get("rect", "0,0,0,0").split(","))
        self.text = None          # message text (static 0xFFFF) of a message box
        self.buttons = []         # [(id, text, default, enabled)]
        self.controls = []        # [(id, class, text, visible)]

    def has_control(self, id_):
        return any(c[0] == id_ for c in self.controls) or any(b[0] == id_ for b in self.buttons)

    @property
    def is_file_dialog(self):
        # The file-name box: cmb13 (1148) in the Explorer style, edt1 (1152) old style.
        return self.has_control(1148) or self.has_control(1152)

    def __repr__(self):
        return "Dialog(%r, text=%r, buttons=%r)" % (self.caption, self.text,
                                                   [b[1] for b in self.buttons])


def parse_dialogs(lines):
    out = []
    cur = None
    for line in lines:
        kind, _, rest = line.partition(" ")
        if kind == "dialog":
            hwnd, _, rest2 = rest.partition(" ")
            cur = Dialog(int(hwnd, 16), parse_fields(rest2))
            out.append(cur)
        elif kind == "text" and cur is not None:
            cur.text = unquote(rest)
        elif kind == "button" and cur is not None:
            f = parse_fields(rest)
            cur.buttons.append((int(f["id"]), f["text"], f.get("default") == "1",
                                f.get("enabled") == "1"))
        elif kind == "control" and cur is not None:
            f = parse_fields(rest)
            cur.controls.append((int(f["id"]), f["class"], f["text"], f.get("visible") == "1"))
    return out


class MenuItem:
    """One menu item; its fields read both as item.text and item["text"]:
    text (exact, with '&' and tabs), id (0 for a pop-up), popup, checked,
    grayed, disabled, separator, items (the pop-up's items, else [])."""

    def __init__(self, **fields):
        self.__dict__.update(fields)

    def __getitem__(self, name):
        return self.__dict__[name]

    def get(self, name, default=None):
        return self.__dict__.get(name, default)

    def __repr__(self):
        return "MenuItem(%r, id=%d%s)" % (self.text, self.id, ", popup" if self.popup else "")


def parse_menu(lines):
    """probe 'menu' output -> nested list of MenuItem."""
    root = []
    stack = [(-1, root)]
    for line in lines:
        if not line.lstrip().startswith("item "):
            continue
        depth = (len(line) - len(line.lstrip(" "))) // 2
        body = line.lstrip(" ")[5:]
        m = re.match(_QSTR, body)
        text = unquote(m.group(0))
        f = parse_fields(body[m.end():])
        item = MenuItem(text=text, id=int(f["id"]), popup=f["popup"] == "1",
                        checked=f["checked"] == "1", grayed=f["grayed"] == "1",
                        disabled=f["disabled"] == "1", separator=f["separator"] == "1",
                        items=[])
        while stack[-1][0] >= depth:
            stack.pop()
        stack[-1][1].append(item)
        stack.append((depth, item["items"]))
    return root


# ------------------------------------------------------------- screenshots

class Shot:
    """An RGB image: width, height, data (bytes, 3 per pixel, row by row)."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d,%d) outside %dx%d" % (x, y, self.width, self.height))
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def rows(self):
        """The image as a list of rows, each a bytes of 3*width."""
        w3 = self.width * 3
        return [self.data[i:i + w3] for i in range(0, len(self.data), w3)]

    def crop(self, x, y, w, h):
        w3 = self.width * 3
        rows = [self.data[(y + j) * w3 + x * 3:(y + j) * w3 + (x + w) * 3] for j in range(h)]
        return Shot(w, h, b"".join(rows))

    def count(self, color, tolerance=0):
        """How many pixels have this colour (each channel within tolerance)."""
        if tolerance == 0:
            pat = bytes(color)
            n = 0
            d = self.data
            # Scan at pixel boundaries only.
            i = d.find(pat)
            while i >= 0:
                if i % 3 == 0:
                    n += 1
                    i = d.find(pat, i + 3)
                else:
                    i = d.find(pat, i + 1)
            return n
        r0, g0, b0 = color
        d = self.data
        return sum(1 for i in range(0, len(d), 3)
                   if abs(d[i] - r0) <= tolerance and abs(d[i + 1] - g0) <= tolerance
                   and abs(d[i + 2] - b0) <= tolerance)

    def bbox(self, color, tolerance=0):
        """Smallest (left, top, right, bottom) holding every pixel of this
        colour, right/bottom exclusive; None if there is none."""
        r0, g0, b0 = color
        w3 = self.width * 3
        box = None
        for y, row in enumerate(self.rows()):
            xs = [i // 3 for i in range(0, w3, 3)
                  if abs(row[i] - r0) <= tolerance and abs(row[i + 1] - g0) <= tolerance
                  and abs(row[i + 2] - b0) <= tolerance]
            if xs:
                l, r = xs[0], xs[-1] + 1
                if box is None:
                    box = [l, y, r, y + 1]
                else:
                    box = [min(box[0], l), box[1], max(box[2], r), y + 1]
        return tuple(box) if box else None

    def save_png(self, path):
        """Write a PNG (for looking at it)."""
        subprocess.run([CONVERT, "-size", "%dx%d" % (self.width, self.height), "-depth", "8",
                        "rgb:-", path], input=self.data, check=True)


def grab_screen(display, x=0, y=0, w=None, h=None):
    """What the X server shows, as a Shot, optionally cropped."""
    xwd = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                         stdout=subprocess.PIPE, check=True).stdout
    args = [CONVERT, "xwd:-"]
    if w is not None:
        args += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
    args += ["-depth", "8", "rgb:-"]
    # ImageMagick tells the size only in another format; read it from xwd's
    # header instead when not cropping.
    data = subprocess.run(args, input=xwd, stdout=subprocess.PIPE, check=True).stdout
    if w is None:
        w = int.from_bytes(xwd[16:20], "big")
        h = int.from_bytes(xwd[20:24], "big")
    if len(data) != w * h * 3:
        raise HarnessError("screenshot has %d bytes, expected %dx%dx3" % (len(data), w, h))
    return Shot(w, h, data)


def _stable(grab, timeout, interval):
    timeout = scaled(timeout)
    deadline = time.monotonic() + timeout
    last = grab()
    while True:
        time.sleep(interval)
        cur = grab()
        if cur.data == last.data:
            return cur
        if time.monotonic() >= deadline:
            raise Timeout("the screen kept changing for %.1fs" % timeout)
        last = cur


# ----------------------------------------------------------------- session

def _display_ok(display):
    if not display:
        return False
    return subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def _server_socket(prefix):
    st = os.stat(prefix)
    # Debian's Wine keeps the server's folder under a random /tmp/wine-XXXXXX
    # and writes its name into the prefix's "wineserver" file; upstream Wine
    # uses /tmp/.wine-UID.
    base = "/tmp/.wine-%d" % os.getuid()
    try:
        with open(os.path.join(prefix, "wineserver")) as f:
            name = f.read().strip()
        if name and "/" not in name:
            base = os.path.join("/tmp", name)
    except OSError:
        pass
    return "%s/server-%x-%x/socket" % (base, st.st_dev, st.st_ino)


def wineserver_running(prefix):
    """True when a wineserver serves this prefix (its socket answers)."""
    try:
        path = _server_socket(prefix)
    except OSError:
        return False
    if not os.path.exists(path):
        return False
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        s.connect(path)
        return True
    except OSError:
        return False
    finally:
        s.close()


class Session:
    """One test run's Wine world: X server, the prefix, one persistent
    wineserver and the probe. Starts only what is missing and stops only
    what it started."""

    def __init__(self, own_x=False, log=None):
        self.own_x = own_x
        self.log = log or (lambda msg: None)
        self.xvfb = None
        self.wineserver = None
        self.guard = None
        self.probe = None
        self.display = None
        self.env = None
        self.apps = []
        self.logdir = None
        self._app_count = 0

    # -- setup
    def start(self):
        reaper()
        self.logdir = tempfile.mkdtemp(prefix="scrivelander-e2e-logs-")
        try:
            self._start_x()
            self.env = dict(os.environ)
            for k in ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINELOADER", "WINESERVER"):
                self.env.pop(k, None)
            self.env.update({
                "DISPLAY": self.display,
                "WINEPREFIX": WINEPREFIX,
                # win64 where the machine can't run 32-bit code (scripts/wine-arch.sh)
                "WINEARCH": WINEARCH,
                "WINEDEBUG": "-all",
                "WINEDLLOVERRIDES": "mscoree=d;mshtml=d",
                "E2E_ROOT": REPO,
                "E2E_WINEPREFIX": WINEPREFIX,
            })
            self._ensure_prefix()
            self._start_wineserver()
            self.probe = Probe(self.env)
            self.probe.start()
        except BaseException:
            self.stop()
            raise
        return self

    def _start_x(self):
        given = os.environ.get("DISPLAY")
        if not self.own_x and _display_ok(given):
            self.display = given
            return
        for n in range(91, 200):
            if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
                continue
            disp = ":%d" % n
            p = reaper().popen(["Xvfb", disp, "-screen", "0", SCREEN, "-nolisten", "tcp",
                                "-noreset"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and p.poll() is None:
                if os.path.exists("/tmp/.X11-unix/X%d" % n) and _display_ok(disp):
                    self.xvfb = p
                    self.display = disp
                    self.log("started Xvfb on %s" % disp)
                    return
                time.sleep(0.05)
            if p.poll() is None:
                p.kill()
            p.wait()
        raise HarnessError("could not start Xvfb")

    def _ensure_prefix(self):
        if wineserver_running(WINEPREFIX) and not os.path.exists(
                os.path.join(WINEPREFIX, ".e2e-ready")):
            self._kill_wineserver()
        t0 = time.monotonic()
        r = subprocess.run(["bash", "-c", '. "$1" && e2e_prefix_ensure', "bash", ENV_SCRIPT],
                           env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if r.returncode != 0:
            raise HarnessError("preparing the Wine prefix failed:\n" + r.stdout.decode(errors="replace"))
        if time.monotonic() - t0 > 1:
            self.log("prepared Wine prefix in %.1fs" % (time.monotonic() - t0))

    def _kill_wineserver(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        if self.wineserver is not None:
            try:
                self.wineserver.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.wineserver.kill()
                self.wineserver.wait()
            self.wineserver = None

    def _start_wineserver(self):
        if wineserver_running(WINEPREFIX):
            if self.xvfb is None:
                self.log("using the running wineserver")
                return
            # Its desktop may live on another X display: start afresh.
            self.log("stopping a wineserver left running for the prefix")
            self._kill_wineserver()
        p = reaper().popen(["wineserver", "-f", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, preexec_fn=os.setpgrp)
        wait_until(lambda: p.poll() is not None or wineserver_running(WINEPREFIX),
                   timeout=10, what="wineserver")
        if p.poll() is None:
            self.wineserver = p
            self._start_guard()

    def _start_guard(self):
        # If the harness itself is killed (SIGKILL, no clean-up), this shell
        # gets SIGTERM from the kernel and ends every Wine process of the
        # prefix. A normal stop kills it quietly first.
        if self.guard is None or self.guard.poll() is not None:
            self.guard = reaper().popen(
                ["bash", "-c",
                 'trap \'kill $s 2>/dev/null; wineserver -k; exit 0\' TERM; '
                 'trap \'kill $s 2>/dev/null; exit 0\' USR1; '
                 'while :; do sleep 3600 & s=$!; wait $s; done'],
                env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)

    def restart_wine(self):
        """Kill every Wine process of the prefix and start again (used when a
        scenario left windows or processes behind)."""
        if self.probe:
            self.probe.stop()
        self._kill_wineserver()
        self._start_wineserver()
        self.probe = Probe(self.env)
        self.probe.start()

    # -- teardown
    def stop(self):
        for app in list(self.apps):
            app.kill()
        self.apps = []
        if self.probe:
            try:
                self.probe.stop()
            except Exception:
                pass
            self.probe = None
        if self.wineserver is not None:
            self._kill_wineserver()
        if self.guard is not None:
            self.guard.send_signal(signal.SIGUSR1)
            try:
                self.guard.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.guard.kill()
                self.guard.wait()
            self.guard = None
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
            self.xvfb = None
            self.log("stopped Xvfb")
        if _reaper:
            _reaper.reap()
        if self.logdir:
            shutil.rmtree(self.logdir, ignore_errors=True)
            self.logdir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- helpers
    def start_app(self, cwd=None, exe=None, args=(), wait=True, timeout=30,
                  window_class=MAIN_CLASS):
        app = App(self, exe=exe or APP_EXE, cwd=cwd, args=args, window_class=window_class)
        self.apps.append(app)
        app.start(wait=wait, timeout=timeout)
        return app

    def stray_windows(self):
        """Visible top-level windows of programs (the desktop's own excluded)."""
        lines, _ = self.probe.call("windows")
        out = []
        for line in lines:
            if not line.startswith("window "):
                continue
            f = parse_fields(line)
            if f.get("visible") == "1" and f.get("class") not in ("Shell_TrayWnd", "#32769"):
                out.append(f)
        return out

    def menu_resource(self, exe=None, name="FORMFILE"):
        """The menu resource of an .exe as nested dicts (see parse_menu)."""
        lines, rc = self.probe.call("menu %s %s" % (quote(windows_path(exe or APP_EXE)), quote(name)))
        if rc != 0:
            raise HarnessError("menu: %s" % "\n".join(lines))
        return parse_menu(lines)

    def desktop_offset(self):
        """Top-left of the Wine virtual desktop window on the X screen: (0,0)
        on the harness's own Xvfb, anywhere on a developer's display."""
        if self.xvfb is not None:
            return 0, 0
        try:
            r = subprocess.run(["xdotool", "search", "--name", "Wine desktop"], env=self.env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=5)
            wid = r.stdout.split()[0].decode()
            info = subprocess.run(["xwininfo", "-id", wid], env=self.env, stdout=subprocess.PIPE,
                                  timeout=5).stdout.decode()
            x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
            y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
            return x, y
        except Exception:
            return 0, 0

    def screenshot_screen(self):
        """The whole X screen (the virtual desktop), as a Shot."""
        return grab_screen(self.display)

    def screenshot_screen_stable(self, timeout=5, interval=0.05):
        """The whole screen once two grabs in a row agree."""
        return _stable(self.screenshot_screen, timeout, interval)

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       stdout=subprocess.DEVNULL)


# --------------------------------------------------------------------- app

_BUTTONS = {"left": 1, "middle": 2, "right": 3}


class App:
    """One run of the program. Coordinates are client coordinates of the main
    window unless a method says otherwise."""

    def __init__(self, session, exe=APP_EXE, cwd=None, args=(), window_class=MAIN_CLASS):
        self.s = session
        self.exe = exe
        self.cwd = cwd or os.getcwd()
        self.args = list(args)
        self.cls = window_class
        self.proc = None
        self.returncode = None
        # Kept out of the working folder, which belongs to the program.
        session._app_count += 1
        self.log_path = os.path.join(session.logdir or tempfile.gettempdir(),
                                     "app-%d.log" % session._app_count)
        self._desk = None

    # -- life
    def start(self, wait=True, timeout=30):
        if not os.path.exists(self.exe):
            raise HarnessError("program not built: %s" % self.exe)
        # The window to wait for must be the new program's, not one already open.
        if wait and self.s.probe.kv("window %s" % quote(self.cls)).get("found") == "1":
            raise HarnessError("a %s window is already open" % self.cls)
        self._log = open(self.log_path, "ab")
        self.proc = reaper().popen(["wine", self.exe] + self.args, cwd=self.cwd, env=self.s.env,
                                   stdin=subprocess.DEVNULL, stdout=self._log,
                                   stderr=subprocess.STDOUT)
        self.started = time.monotonic()
        if wait:
            self.wait_window(timeout)
        return self

    def wait_window(self, timeout=30):
        """Wait until the main window is visible; return the window facts."""
        def ready():
            if self.proc.poll() is not None:
                raise HarnessError("program exited with %s before showing its window; output:\n%s"
                                   % (self.proc.returncode, self.output()[-2000:]))
            w = self.window()
            return w if w.get("found") == "1" and w.get("visible") == "1" else None
        w = wait_until(ready, timeout, what="the main window")
        self.sync()
        return w

    def is_alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=10):
        """Wait for the program to end; return its exit code."""
        timeout = scaled(timeout)
        try:
            self.returncode = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Timeout("program still running after %.1fs" % timeout)
        self._close_log()
        return self.returncode

    def close(self, how="closebox", timeout=10, wait=True):
        """Close the program and return its exit code. how: 'closebox' (click
        the X in the caption), 'wm_close' (post WM_CLOSE), 'alt_f4'.
        wait=False only asks (the program may answer with a message box) and
        returns None; then wait_exit()."""
        if how == "closebox":
            self.click_caption_button("close")
        elif how == "wm_close":
            self.s.probe.call("close %s" % quote(self.cls))
        elif how == "alt_f4":
            self.key("alt+F4")
        else:
            raise ValueError(how)
        return self.wait_exit(timeout) if wait else None

    def kill(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self in self.s.apps:
            self.s.apps.remove(self)
        self._close_log()

    def _close_log(self):
        if getattr(self, "_log", None):
            self._log.close()
            self._log = None

    def output(self):
        """What the program (and Wine) wrote to stdout/stderr."""
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    # -- what the window manager knows
    def window(self):
        """Facts about the main window (probe 'window'): dict of strings."""
        return self.s.probe.kv("window %s" % quote(self.cls))

    def title(self):
        return self.window().get("title")

    def wait_title(self, title, timeout=5):
        """Wait until the main window's title is `title`."""
        wait_until(lambda: self.title() == title, timeout, what="title %r (now %r)"
                   % (title, self.title()))

    def window_rect(self):
        """(left, top, right, bottom) in screen coordinates."""
        return tuple(int(v) for v in self.window()["rect"].split())

    def client_rect(self):
        """(0, 0, width, height)."""
        return tuple(int(v) for v in self.window()["client"].split())

    def client_size(self):
        r = self.client_rect()
        return r[2], r[3]

    def client_origin(self):
        """Screen position of the client area's top-left corner."""
        return tuple(int(v) for v in self.window()["origin"].split())

    def foreground(self):
        """(title, class) of the foreground window."""
        return self._hwnd_line(self.window().get("foreground", ""))

    def focus(self):
        """(title, class) of the program's focus window."""
        return self._hwnd_line(self.window().get("focus", ""))

    @staticmethod
    def _hwnd_line(v):
        m = re.match(r'\S+ (' + _QSTR + r') (' + _QSTR + r')$', v)
        return (unquote(m.group(1)), unquote(m.group(2))) if m else (None, None)

    def in_menu(self):
        """True while a menu of the program is open (menu bar or popup)."""
        return self.window().get("menumode") == "1"

    def sync(self, timeout=5):
        """Wait until the program has handled what was sent before this call
        (a sent WM_NULL comes back). Raises if the program hangs."""
        lines, rc = self.s.probe.call("sync %s" % quote(self.cls), timeout=timeout + 2)
        if rc != 0:
            raise HarnessError("sync: %s" % " ".join(lines))

    def post_command(self, cmd_id):
        """What choosing a menu item does: WM_COMMAND with the item's id."""
        lines, rc = self.s.probe.call("post-command %d %s" % (cmd_id, quote(self.cls)))
        if rc != 0:
            raise HarnessError("post-command: %s" % " ".join(lines))

    def caption_button(self, which="close"):
        """Centre of a caption button ('close', 'min', 'max') of the main
        window, in desktop coordinates, found by hit-testing."""
        d = self.s.probe.kv("ncbutton %s %s" % (which, quote(self.cls)))
        if d["rc"] != 0:
            raise HarnessError("no %s button in the caption" % which)
        return tuple(int(v) for v in d["center"].split())

    def closebox(self):
        """Centre of the close box, in desktop coordinates."""
        return self.caption_button("close")

    def click_caption_button(self, which):
        """Click a caption button with the mouse: 'close', 'min' or 'max'."""
        x, y = self.caption_button(which)
        dx, dy = self.desk()
        self.s.xdotool("mousemove", x + dx, y + dy, "click", 1)

    def click_screen(self, x, y, button="left"):
        """Click at desktop (screen) coordinates, e.g. on a dialog."""
        dx, dy = self.desk()
        self.s.xdotool("mousemove", x + dx, y + dy, "click", _BUTTONS[button])

    # -- message boxes and dialogs
    def dialogs(self, all_processes=False):
        lines, _ = self.s.probe.call("msgbox --class %s%s" % (quote(self.cls),
                                     " --all" if all_processes else ""))
        return parse_dialogs(lines)

    def msgbox(self):
        """The message box showing now as (caption, text), or None."""
        for d in self.dialogs():
            if d.text is not None:
                return d.caption, d.text
        return None

    def wait_dialog(self, timeout=5, pred=None, what="a dialog"):
        def find():
            for d in self.dialogs():
                if pred is None or pred(d):
                    return d
            return None
        return wait_until(find, timeout, what=what)

    def wait_msgbox(self, timeout=5):
        """Wait for a message box; return (caption, text)."""
        d = self.wait_dialog(timeout, lambda d: d.text is not None, "a message box")
        return d.caption, d.text

    def wait_no_dialog(self, timeout=5):
        wait_until(lambda: not self.dialogs(), timeout, what="the dialog to close")

    def dismiss_msgbox(self, key="Return", timeout=5):
        """Press a key (Enter: the default button) in the message box and wait
        until it is gone."""
        d = self.wait_dialog(timeout, lambda d: d.text is not None, "a message box")
        wait_until(lambda: self.foreground() == (d.caption, "#32770"), timeout,
                   what="the message box to have the focus")
        self.key(key)
        wait_until(lambda: all(x.hwnd != d.hwnd for x in self.dialogs()), timeout,
                   what="the message box to close")

    def click_button(self, caption, button):
        """Press a dialog's button by its text (without '&'), the way a click
        does (the dialog gets WM_COMMAND/BN_CLICKED)."""
        lines, rc = self.s.probe.call("click-button %s %s" % (quote(caption), quote(button)))
        if rc != 0:
            raise HarnessError("click-button: %s" % " ".join(lines))

    # -- opening a file
    def open_bmp(self, path, mode="bmp", via="keys", timeout=10):
        """Open a file as a person would. mode 'bmp' is File > Open .bmp file >
        To enter or print entries on .bmp file; 'original' is ... > To print
        entries on Original form. via 'keys' uses the menu from the keyboard
        (Alt+F, O, then B or O); 'command' posts the menu's WM_COMMAND.
        Then types the full path in the open dialog and presses Enter, and
        waits for the dialog to go."""
        if mode not in ("bmp", "original"):
            raise ValueError(mode)
        if via == "keys":
            self.key("alt+f")
            wait_until(self.in_menu, 5, what="the File menu")
            self.key("o")
            self.key("b" if mode == "bmp" else "o")
        elif via == "command":
            self.post_command(IDM_OPEN_BMP if mode == "bmp" else IDM_OPEN_ORIGINAL)
        else:
            raise ValueError(via)
        self.enter_file_name(path, timeout)

    def enter_file_name(self, path, timeout=10):
        """In the open dialog showing (or about to show): type the full path
        and press Enter; wait until that dialog has gone."""
        d = self.wait_dialog(timeout, lambda d: d.is_file_dialog, "the open dialog")
        # Typing goes where the keyboard focus is: wait for the name box.
        wait_until(lambda: self.focus()[1] in ("Edit", "ComboBox"), timeout,
                   what="the file name box to have the focus")
        self.type(windows_path(path) if path.startswith("/") else path)
        self.key("Return")
        wait_until(lambda: all(x.hwnd != d.hwnd for x in self.dialogs()), timeout,
                   what="the open dialog to close")

    # -- input (real X events)
    def desk(self):
        """Where the Wine desktop's (0,0) is on the X screen."""
        if self._desk is None:
            self._desk = self.s.desktop_offset()
        return self._desk

    def to_screen(self, x, y):
        ox, oy = self.client_origin()
        dx, dy = self.desk()
        return ox + x + dx, oy + y + dy

    def key(self, *names):
        """Press keys by X name: 'Return', 'Escape', 'alt+f', 'ctrl+plus', 'F1'."""
        self.s.xdotool("key", "--clearmodifiers", *names)

    def key_down(self, name):
        self.s.xdotool("keydown", name)

    def key_up(self, name):
        self.s.xdotool("keyup", name)

    def type(self, text, delay_ms=4):
        """Type text as key presses."""
        self.s.xdotool("type", "--delay", delay_ms, "--", text)

    def mouse_move(self, x, y):
        self.s.xdotool("mousemove", *self.to_screen(x, y))

    def press(self, button="left"):
        self.s.xdotool("mousedown", _BUTTONS[button])

    def release(self, button="left"):
        self.s.xdotool("mouseup", _BUTTONS[button])

    def click(self, x=None, y=None, button="left", count=1):
        args = []
        if x is not None:
            args += ["mousemove"] + list(self.to_screen(x, y))
        args += ["click", "--repeat", count, "--delay", 40, _BUTTONS[button]]
        self.s.xdotool(*args)

    def double_click(self, x=None, y=None, button="left"):
        self.click(x, y, button, count=2)

    def wheel(self, direction="up", ctrl=False, clicks=1, x=None, y=None):
        """Turn the mouse wheel (up: away from the user), optionally with Ctrl."""
        args = []
        if x is not None:
            args += ["mousemove"] + list(self.to_screen(x, y))
        if ctrl:
            args += ["keydown", "ctrl"]
        args += ["click", "--repeat", clicks, "--delay", 30, 4 if direction == "up" else 5]
        if ctrl:
            args += ["keyup", "ctrl"]
        self.s.xdotool(*args)

    def drag(self, x1, y1, x2, y2, button="left", steps=8):
        """Press at (x1,y1), move in steps, release at (x2,y2)."""
        sx, sy = self.to_screen(x1, y1)
        ex, ey = self.to_screen(x2, y2)
        args = ["mousemove", sx, sy, "mousedown", _BUTTONS[button]]
        for i in range(1, steps + 1):
            args += ["sleep", "0.01", "mousemove", sx + (ex - sx) * i // steps,
                     sy + (ey - sy) * i // steps]
        args += ["mouseup", _BUTTONS[button]]
        self.s.xdotool(*args)

    # -- what a person sees
    def screenshot(self):
        """The client area as the X server shows it, as a Shot (RGB)."""
        w = self.window()
        ox, oy = (int(v) for v in w["origin"].split())
        cw, ch = (int(v) for v in w["client"].split()[2:])
        dx, dy = self.desk()
        return grab_screen(self.s.display, ox + dx, oy + dy, cw, ch)

    def screenshot_stable(self, timeout=5, interval=0.05):
        """A screenshot of the client area once two grabs in a row agree (the
        program and Wine have finished drawing)."""
        return _stable(self.screenshot, timeout, interval)

    def pixel(self, x, y):
        """(r, g, b) at client (x, y), as shown on screen."""
        ox, oy = self.client_origin()
        dx, dy = self.desk()
        return grab_screen(self.s.display, ox + x + dx, oy + y + dy, 1, 1).pixel(0, 0)

    def wait_pixel(self, x, y, color, timeout=5, tolerance=0):
        """Wait until client (x, y) shows this colour."""
        def ok():
            p = self.pixel(x, y)
            return all(abs(a - b) <= tolerance for a, b in zip(p, color))
        wait_until(ok, timeout, interval=0.05, what="pixel (%d,%d) to be %r" % (x, y, color))
