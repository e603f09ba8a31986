"""Helpers for the conversion scenarios: Ghostscript folders in the test
prefix with the gswin32c.exe stand-in, PDFs made with Debian's gs, the
program's dialogs, and reading the .bmp pages back.

The stand-in (tests/e2e/gs_standin) records every start in gswin32c.log
beside itself and hands its arguments to Debian's gs through run-gs.sh."""

import os
import shutil
import struct
import subprocess
import time

import harness
from resource_ids import IDC_RESOLUTION, IDM_CONVERT_PDF

GS_ROOT = os.path.join(harness.WINEPREFIX, "drive_c", "Program Files", "gs")
STANDIN = os.path.join(harness.BUILD, "tests", "gs_standin", "gswin32c.exe")
SCRIPT = os.path.join(harness.REPO, "scripts", "gs-bridge", "run-gs.sh")
ASIDE = GS_ROOT + ".set-aside-by-e2e"
DRIVE_C = os.path.join(harness.WINEPREFIX, "drive_c")

DIALOG = "Convert .pdf to .bmp"

# Pages are 2 x 3 inches; page k holds a black square of 40 points whose
# lower-left corner is at (10, 30 k) points from the page's lower-left.
PAGE_W, PAGE_H = 144, 216


class Folders:
    """C:\\Program Files\\gs for one scenario. Whatever was there before is
    set aside and comes back at the end, so the prefix is as it was:

        with ghostscript.Folders() as gs:
            gs.install("gs9.10")           # folder with bin\\gswin32c.exe
            gs.folder("gs9.5")             # a folder only
    """

    def __enter__(self):
        if os.path.exists(ASIDE):          # left by a run that was killed
            shutil.rmtree(GS_ROOT, ignore_errors=True)
        elif os.path.exists(GS_ROOT):
            os.rename(GS_ROOT, ASIDE)
        remove_decoy()
        return self

    def __exit__(self, *exc):
        shutil.rmtree(GS_ROOT, ignore_errors=True)
        if os.path.exists(ASIDE):
            os.rename(ASIDE, GS_ROOT)
        remove_decoy()

    def decoy(self):
        """A C:\\Program.exe, which Windows starts for a command line that
        begins with the unquoted path C:\\Program Files\\...: the stand-in
        again, so decoy_runs() tells whether it was ever started."""
        shutil.copy(STANDIN, os.path.join(DRIVE_C, "Program.exe"))
        shutil.copy(SCRIPT, DRIVE_C)
        os.chmod(os.path.join(DRIVE_C, "run-gs.sh"), 0o755)

    def decoy_runs(self):
        return os.path.exists(os.path.join(DRIVE_C, "gswin32c.log"))

    def folder(self, name):
        path = os.path.join(GS_ROOT, name)
        os.makedirs(path, exist_ok=True)
        return path

    def file(self, name):
        os.makedirs(GS_ROOT, exist_ok=True)
        with open(os.path.join(GS_ROOT, name), "w") as f:
            f.write("not a folder")

    def install(self, name):
        """A version folder with the stand-in in its bin folder."""
        if not os.path.exists(STANDIN):
            raise harness.HarnessError("stand-in not built: %s" % STANDIN)
        bin_dir = self.folder(os.path.join(name, "bin"))
        shutil.copy(STANDIN, bin_dir)
        shutil.copy(SCRIPT, bin_dir)
        os.chmod(os.path.join(bin_dir, "run-gs.sh"), 0o755)
        return bin_dir

    def slow(self, name, ms):
        """The stand-in in folder `name` sleeps `ms` milliseconds before it
        hands the conversion to gs."""
        with open(os.path.join(GS_ROOT, name, "bin", "delay-ms"), "w") as f:
            f.write(str(ms))

    def runs(self, name):
        """The starts the stand-in in folder `name` recorded: a list of dicts
        with cmdline, cwd, argc, args (argv[1..]) and exit or error (absent
        while gs still runs)."""
        path = os.path.join(GS_ROOT, name, "bin", "gswin32c.log")
        try:
            with open(path, "rb") as f:
                text = f.read().decode("latin-1")
        except OSError:
            return []
        runs = []
        for line in text.splitlines():
            key, _, value = line.partition("=")
            if key == "run":
                runs.append({"args": []})
            elif key.startswith("arg") and key != "argc":
                runs[-1]["args"].append(value)
            else:
                runs[-1][key] = value
        return runs

    def wait_runs(self, name, count, timeout=60):
        """Wait until `count` starts have finished and no stand-in process is
        left; return all runs."""
        def finished():
            assert not self.decoy_runs(), "C:\\Program.exe was started instead of the program"
            runs = self.runs(name)
            done = [r for r in runs if "exit" in r or "error" in r]
            return runs if len(done) >= count and not standin_processes() else None
        return harness.wait_until(finished, timeout, interval=0.05,
                                  what="%d finished run(s) of the stand-in in %s" % (count, name))


def remove_decoy():
    for name in os.listdir(DRIVE_C):
        if name in ("Program.exe", "run-gs.sh", "gswin32c.log") or name.startswith("gs-"):
            os.remove(os.path.join(DRIVE_C, name))


def processes(test, part="cmdline"):
    """Process ids of the processes whose /proc file `part` (cmdline or
    environ), split at its zero bytes, passes `test`."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/%s" % (pid, part), "rb") as f:
                fields = f.read().split(b"\0")
        except OSError:
            continue
        if test(fields):
            found.append(int(pid))
    return found


def standin_processes():
    """Process ids of stand-ins still running, and of the console hosts Wine
    starts for them: a console host shows its window, and takes the
    activation, just before it ends. A headless one (the program starts
    Ghostscript with no console window) shows nothing and may outlive its
    program for a while, so it is not waited for. (Wine shows a program's
    Windows path as its command line, as it was started: with or without
    ".exe".)"""
    return processes(lambda args: b"gswin32c" in args[0] or
                     (any(b"conhost.exe" in a for a in args) and b"--headless" not in args))


def make_pdf(path, pages):
    """A PDF of `pages` pages of PAGE_W x PAGE_H points, made by Debian's gs."""
    ps = ["%!PS", "<< /PageSize [%d %d] >> setpagedevice" % (PAGE_W, PAGE_H)]
    for k in range(1, pages + 1):
        ps.append("0 setgray 10 %d 40 40 rectfill showpage" % (30 * k))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
                    "-sOutputFile=" + path, "-"], input="\n".join(ps).encode(), check=True)
    return path


class Bmp:
    """A .bmp page as Ghostscript writes it (bottom-up, 1, 8 or 24 bits)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        assert self.data[:2] == b"BM", path
        self.offset = struct.unpack_from("<I", self.data, 10)[0]
        self.width, self.height = struct.unpack_from("<ii", self.data, 18)
        self.bits = struct.unpack_from("<H", self.data, 28)[0]
        self.stride = (self.width * self.bits + 31) // 32 * 4
        self.palette = 14 + struct.unpack_from("<I", self.data, 14)[0]

    def dark(self, x, y):
        """Whether the pixel at (x, y) from the top-left is black."""
        row = self.offset + (self.height - 1 - y) * self.stride
        if self.bits == 1:
            index = (self.data[row + x // 8] >> (7 - x % 8)) & 1
            return self.data[self.palette + 4 * index] < 128
        if self.bits == 8:
            index = self.data[row + x]
            return self.data[self.palette + 4 * index] < 128
        if self.bits == 24:
            return self.data[row + 3 * x] < 128
        raise ValueError(self.bits)


def square_centre(page, dpi):
    """Where the middle of page `page`'s square is, in pixels from the top-left."""
    return int(30 * dpi / 72), int((PAGE_H - 30 * page - 20) * dpi / 72)


# ---------------------------------------------------------------- dialogs

def choose_file(app, path, title, timeout=10, typed=False):
    """In the open dialog titled `title`: browse to the file's folder as a
    person does (its path, Enter), then give the name (Enter). Under Wine 8
    only browsing makes the folder the current directory. With `typed`, the
    full path is typed at once instead."""
    d = app.wait_dialog(timeout, lambda d: d.caption == title, "the %r dialog" % title)
    harness.wait_until(lambda: app.focus()[1] in ("Edit", "ComboBox"), timeout,
                       what="the file name box to have the focus")
    if typed:
        app.enter_file_name(path, timeout)
        return
    folder, name = os.path.split(path)
    app.type(harness.windows_path(folder))
    app.key("Return")
    look_in = os.path.basename(folder)

    def browsed():
        for x in app.dialogs():
            if x.hwnd == d.hwnd:
                return any(c[0] == 1137 and c[2] == look_in for c in x.controls)
        return False
    harness.wait_until(browsed, timeout, what="the dialog to show the folder %s" % folder)
    app.type(name)
    app.key("Return")
    harness.wait_until(lambda: all(x.hwnd != d.hwnd for x in app.dialogs()), timeout,
                       what="the %r dialog to close" % title)


def controls(app, caption=DIALOG):
    """The controls of the conversion dialog (or of the dialog with this
    caption) in tab order, as dicts, and the id of the control with the
    keyboard focus."""
    lines, rc = app.s.probe.call("controls %s" % harness.quote(caption))
    if rc != 0:
        raise harness.HarnessError("controls: %s" % " ".join(lines))
    out, focus, dialog = [], None, None
    for line in lines:
        kind, _, rest = line.partition(" ")
        fields = harness.parse_fields(rest)
        if kind == "control":
            fields["id"] = int(fields["id"])
            fields["checked"] = int(fields["checked"])
            fields["style"] = int(fields["style"], 16)
            fields["rect"] = tuple(int(v) for v in fields["rect"].split(","))
            out.append(fields)
        elif kind == "focus":
            focus = int(fields["id"])
        elif kind == "dialog":
            dialog = fields
    return dialog, out, focus


def control(app, id_, caption=DIALOG):
    return next(c for c in controls(app, caption)[1] if c["id"] == id_)


def wait_conversion_dialog(app, timeout=10):
    d = app.wait_dialog(timeout, lambda d: d.caption == DIALOG, "the conversion dialog")
    harness.wait_until(lambda: app.foreground()[0] == DIALOG, timeout,
                       what="the conversion dialog in front")
    return d


def set_resolution(app, text):
    lines, rc = app.s.probe.call("set-text %s %d %s" % (harness.quote(DIALOG), IDC_RESOLUTION,
                                                         harness.quote(text)))
    if rc != 0:
        raise harness.HarnessError("set-text: %s" % " ".join(lines))


def click_control(app, id_, caption=DIALOG):
    """A real mouse click in the middle of a control of the conversion dialog
    (or of the dialog with this caption)."""
    l, t, r, b = (int(v) for v in control(app, id_, caption)["screen"].split(","))
    app.click_screen((l + r) // 2, (t + b) // 2)


def press(app, button):
    app.click_button(DIALOG, button)


def convert(app, pdf, resolution=None, colour=None, via="command", typed=False, then="the .bmp dialog"):
    """File > Convert .pdf to .bmp: choose `pdf` (browsing to it, or with
    `typed` its full path typed), set the resolution box (None: leave it),
    click a colour choice (None: leave the preselection), OK; return once
    the .bmp dialog shows (or, with `then` None, at once)."""
    if via == "keys":
        app.key("alt+f")
        harness.wait_until(app.in_menu, 5, what="the File menu")
        app.key("c")
    else:
        app.post_command(IDM_CONVERT_PDF)
    choose_file(app, pdf, "Open .pdf file", typed=typed)
    wait_conversion_dialog(app)
    if resolution is not None:
        set_resolution(app, resolution)
    if colour is not None:
        click_control(app, colour)
        harness.wait_until(lambda: control(app, colour)["checked"] == 1, 5, what="the colour choice")
    press(app, "OK")
    return wait_bmp_dialog(app) if then else None


CONVERTING = "Converting"


def wait_converting(app, timeout=10):
    """The window shown while Ghostscript runs."""
    return app.wait_dialog(timeout, lambda d: d.caption == CONVERTING, "the Converting window")


def shown_label(text):
    """A control's text as a button or label shows it: "&&" is one "&", and
    a single "&" only underlines the letter after it (its access key)."""
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def wait_bmp_dialog(app, timeout=60):
    """The .bmp dialog that follows a conversion: it waits for Ghostscript."""
    return app.wait_dialog(timeout, lambda d: d.caption == "Open .bmp file", "the .bmp dialog")


def file_name_box(dialog):
    """The text of an open dialog's file name box."""
    return next(c[2] for c in dialog.controls if c[0] == 1148 and c[1] == "Edit")


def activate_bmp_dialog(app):
    """Bring the .bmp dialog to the front, as the user does by clicking its
    caption: under Wine the console program started behind it takes the
    activation away, and nothing has it after that program ends. Call it
    once the program has ended."""
    d = wait_bmp_dialog(app)

    def in_front():
        if app.foreground()[0] == "Open .bmp file":
            return True
        app.click_screen(d.rect[0] + 80, d.rect[1] + 8)
        time.sleep(0.2)
        return app.foreground()[0] == "Open .bmp file"
    harness.wait_until(in_front, 5, what="the .bmp dialog in front")
    return d


def open_page(app, path):
    """Pick a page in the .bmp dialog that follows a conversion."""
    activate_bmp_dialog(app)
    app.enter_file_name(path)


def cancel_bmp_dialog(app):
    """Cancel the .bmp dialog that follows a conversion (Esc)."""
    d = activate_bmp_dialog(app)
    app.key("Escape")
    harness.wait_until(lambda: all(x.hwnd != d.hwnd for x in app.dialogs()), 5,
                       what="the .bmp dialog to close")


def settings(folder):
    """The bytes of Scrivelander.ini in `folder`, or None."""
    try:
        with open(os.path.join(folder, "Scrivelander.ini"), "rb") as f:
            return f.read()
    except OSError:
        return None
