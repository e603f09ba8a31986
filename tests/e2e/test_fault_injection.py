"""Faults injected from outside: the program killed at random moments while
it rewrites an entry file, a form folder on a full disk, and a long run of
mixed changes that must leave the files as the changes say and hold no more
GDI objects, USER objects or handles at its end than after its warm-up.

The counts can be raised for a longer run:
    SCRV_E2E_KILLS        kills of the first scenario (20)
    SCRV_E2E_OPERATIONS   operations of the mixed run (600)
    SCRV_E2E_SEED         the seed of every random choice (19)
Each scenario prints its figures as one line."""
import errno
import os
import random
import signal
import subprocess
import threading
import time

import harness
from entryfiles import records_of
from test_entries_kept import dta_bytes, record, until
from test_placing import place, white_form
from resource_ids import IDM_ZOOM_IN

RECORD = 160
SEED = int(os.environ.get("SCRV_E2E_SEED", "19"))
TIMEOUT = 900          # the longer runs the variables ask for


def grid(count=150):
    """`count` entries in rows of ten, all in the window at full size."""
    return b"".join(record(30 + 140 * (i % 10), 20 + 50 * (i // 10), "E%03d" % i) for i in range(count))


def split(data):
    """The whole records of an entry file's bytes, and its tail."""
    whole = len(data or b"") // RECORD * RECORD
    return [data[i:i + RECORD] for i in range(0, whole, RECORD)], (data or b"")[whole:]


def without(data, index):
    return data[:index * RECORD] + data[(index + 1) * RECORD:]


def ends_with_moved(data, before, index, x, y):
    """Whether `data` is `before` with record `index` taken out and stored
    again at (x, y), after the others, with its own text and font."""
    rest = without(before, index)
    if data is None or len(data) != len(before) or data[:len(rest)] != rest:
        return False
    old, new = records_of(before[index * RECORD:(index + 1) * RECORD])[0], records_of(data[len(rest):])[0]
    same = ("text", "face", "size", "weight", "colour", "vertical", "right")
    return (new["x"], new["y"]) == (x, y) and all(new[k] == old[k] for k in same)


def target(data, index, size):
    """A window point inside record `index` and inside no record before it
    (hit tests take the first in file order), at full size; None if there
    is no such point in the window."""
    rs = records_of(data)
    r = rs[index]
    if r["vertical"] or r["width"] < 4 or r["height"] < 4:
        return None
    px, py = r["x"] + min(10, r["width"] // 2), r["y"] + min(10, r["height"] // 2)
    if px >= size[0] - 5 or py >= size[1] - 5:
        return None
    for o in rs[:index]:
        if o["x"] < px < o["x"] + o["width"] and o["y"] < py < o["y"] + o["height"]:
            return None
    return px, py


def pick(rng, data, size):
    """A record that can be pointed at, and the point: (index, (x, y))."""
    count = len(data) // RECORD
    for index in rng.sample(range(count), count):
        point = target(data, index, size)
        if point:
            return index, point
    raise AssertionError("no entry can be pointed at")


def alive_until(app, condition, timeout=5, what="the program"):
    """Waits until the condition holds or the program is gone; whether it held."""
    deadline = time.monotonic() + timeout
    while app.is_alive():
        if condition():
            return True
        if time.monotonic() > deadline:
            raise harness.Timeout("timed out waiting for %s" % what)
        time.sleep(0.01)
    return False


# ---- the user's changes, as input; none waits for more than the program,
# and none asks for its window, which a kill may take at any moment

def mouse_move(app, x, y):
    ox, oy = app.origin_at_open
    dx, dy = app.desk()
    app.s.xdotool("mousemove", ox + x + dx, oy + y + dy)


def delete(app, point):
    mouse_move(app, *point)
    app.key("Delete")


def move(app, point, drop):
    """Right-press on the entry, drag, release: the box opens with its text,
    and Enter stores it at its new place."""
    mouse_move(app, *point)
    app.press("right")
    mouse_move(app, (point[0] + drop[0]) // 2, (point[1] + drop[1]) // 2)
    mouse_move(app, *drop)
    app.release("right")
    if alive_until(app, lambda: app.focus()[1] == "Edit" or app.msgbox(), what="the entry box"):
        app.key("Return")


def undo(app):
    app.key("ctrl+z")


def redo(app):
    app.key("ctrl+y")


# ---- one run of the program

def open_at_full_size(ctx, form):
    app = ctx.start_app(args=[harness.windows_path(form)])
    app.wait_title(os.path.basename(form))
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    app.origin_at_open = app.client_origin()
    return app


def killed(app):
    """After a SIGKILL: the process reaped and its window gone."""
    app.kill()
    harness.wait_until(lambda: app.window().get("found") != "1", 10, what="the killed program's window to go")


def recovered_into(data, recovered):
    """The entry file once the records kept beside it are put back: each
    whole record it doesn't hold yet goes after its own, before its tail."""
    records, tail = split(data)
    for r in split(recovered)[0]:
        if r not in records:
            records.append(r)
    return b"".join(records) + tail


# ---- 1. kills

def test_a_kill_at_any_moment_of_a_change_leaves_the_old_or_the_new_entry_file(ctx):
    kills = int(os.environ.get("SCRV_E2E_KILLS", "20"))
    rng = random.Random(SEED)
    form = white_form(ctx)
    ctx.write("form.dta", grid())
    recovery, temporary = ctx.path("form.dta.recovered"), ctx.path("SCRV.tmp")
    outcomes = {}
    took = {"delete": 0.4, "move": 0.8, "undo": 0.4}     # how long each change takes, measured below
    data = dta_bytes(ctx)
    for n in range(kills):
        # The next start after a kill works, and puts a picked entry back.
        offered = os.path.exists(recovery)
        kept = dta_bytes(ctx, "form.dta.recovered") if offered else None
        app = open_at_full_size(ctx, form)
        if offered:
            caption, text = app.wait_msgbox()
            if len(kept) >= RECORD:
                assert "Put them back" in text, text
                data = recovered_into(data, kept)
            app.dismiss_msgbox()
            until(lambda: dta_bytes(ctx), data, "the kept entry put back (%d)" % n)
        size = app.client_size()
        assert size[1] > 900, size
        changes = []

        def change(kind, data):
            """Input for a change of this kind, whether bytes are the file
            once it is made, and for a move the record picked up and the
            file while it is out of it."""
            if kind == "undo":
                before = changes[-1]
                return (lambda: undo(app)), (lambda got: got == before), None
            index, point = pick(rng, data, size)
            if kind == "delete":
                after = without(data, index)
                return (lambda: delete(app, point)), (lambda got: got == after), None
            drop = (rng.randrange(30, 1300), rng.randrange(790, size[1] - 60))
            return ((lambda: move(app, point, drop)), (lambda got: ends_with_moved(got, data, index, *drop)),
                    (data[index * RECORD:(index + 1) * RECORD], without(data, index)))

        # A change that is let through: the next change after a kill is stored.
        kind = rng.choice(["delete", "move"])
        act, new, _ = change(kind, data)
        t0 = time.monotonic()
        act()
        alive_until(app, lambda: new(dta_bytes(ctx)), what="the %s to be stored (%d)" % (kind, n))
        took[kind] = time.monotonic() - t0
        assert not os.path.exists(temporary), n
        until(lambda: os.path.exists(recovery), False, "no copy beside the file after a stored %s" % kind)
        changes.append(data)
        data = dta_bytes(ctx)

        # A change cut short by a SIGKILL anywhere in the time it takes.
        kind = rng.choice(["delete", "move", "undo"])
        act, new, out = change(kind, data)
        picked = out[0] if out else None
        delay = rng.uniform(0, took[kind] * 1.2)
        timer = threading.Timer(delay, lambda: os.kill(app.proc.pid, signal.SIGKILL))
        timer.start()
        act()
        alive_until(app, lambda: new(dta_bytes(ctx)), what="the %s to be stored (%d)" % (kind, n))
        timer.join()
        killed(app)
        got = dta_bytes(ctx)
        kept = dta_bytes(ctx, "form.dta.recovered") or b""
        if got == data:
            outcome = "old"
        elif new(got):
            outcome = "new"
        elif out and got == out[1] and picked in kept:
            outcome = "picked up, kept beside the file"
        else:
            raise AssertionError("after a kill %.3fs into a %s (%d) the entry file is neither old nor new "
                                 "(%s bytes)" % (delay, kind, n, len(got or b"")))
        if picked and picked in kept and outcome != "picked up, kept beside the file":
            outcome += ", a copy beside the file"
        if os.path.exists(temporary):
            outcome += ", SCRV.tmp left"
        outcomes[outcome] = outcomes.get(outcome, 0) + 1
        data = got
    print("    %d kills: %s" % (kills, "; ".join("%s %d" % kv for kv in sorted(outcomes.items()))))
    # And after the last one the program starts and stores a change.
    app = open_at_full_size(ctx, form)
    if os.path.exists(recovery):
        app.dismiss_msgbox()
        data = dta_bytes(ctx)
    index, point = pick(rng, data, app.client_size())
    delete(app, point)
    until(lambda: dta_bytes(ctx), without(data, index), "a delete after the last kill")
    assert not os.path.exists(temporary)
    assert app.close() == 0


# ---- 2. a full disk

def fill(folder):
    """Fills the file system of `folder` to the last byte."""
    chunk = b"\0" * 4096
    with open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
        while True:
            try:
                f.write(chunk)
            except OSError as e:
                assert e.errno == errno.ENOSPC, e
                break
    for n in range(100):                                  # and the last pages of small files
        try:
            with open(os.path.join(folder, "filler%d" % n), "wb", buffering=0) as f:
                f.write(b"\0")
        except OSError:
            break


def mounted_tmpfs(folder, size):
    os.makedirs(folder)
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s" % size, "scrv-full", folder],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if r.returncode != 0:
        raise harness.Skip("a tmpfs can't be mounted here: %s" % r.stdout.strip())


def unmount(folder):
    if subprocess.run(["umount", folder], stderr=subprocess.DEVNULL).returncode != 0:
        subprocess.run(["umount", "-l", folder], check=True)


def test_on_a_full_disk_every_refused_change_says_so_and_the_files_stay_as_they_were(ctx):
    folder = ctx.path("full")
    mounted_tmpfs(folder, "1m")
    try:
        form = white_form(ctx, name="full/form.bmp")
        dta = os.path.join(folder, "form.dta")
        with open(dta, "wb") as f:
            f.write(grid(40))
        app = open_at_full_size(ctx, form)
        size = app.client_size()

        def on_disk():
            with open(form, "rb") as f, open(dta, "rb") as g:
                return f.read(), g.read()

        # Two deletes and an undo while there is room: both undo and redo have a step.
        for index in (5, 5):
            data = on_disk()[1]
            delete(app, target(data, index, size))
            until(lambda: on_disk()[1], without(data, index), "a delete with room on the disk")
        undo(app)
        until(lambda: len(on_disk()[1]), 39 * RECORD, "an undo with room on the disk")
        fill(folder)
        files = on_disk()
        data = files[1]
        cases = [
            ("a new entry", lambda: place(app, 700, 700, "Full", key="Return"), "could not be stored"),
            ("a delete", lambda: delete(app, target(data, 3, size)), "could not be changed"),
            ("a move", lambda: place(app, 900, 800, None, key=None, drag_from=target(data, 7, size)),
             "can't be moved"),
            ("an undo", lambda: undo(app), "could not be changed"),
            ("a redo", lambda: redo(app), "could not be changed"),
        ]
        for what, act, fragment in cases:
            act()
            caption, text = app.wait_msgbox()
            assert fragment in text and "full" in text, (what, text)          # the reason named
            app.dismiss_msgbox()
            if what == "a new entry":
                app.key("Escape")                         # the typed text stays in its box until then
            app.sync()
            assert on_disk() == files, what
            for left in ("SCRV.tmp", "form.dta.recovered"):
                assert not os.path.exists(os.path.join(folder, left)), (what, left)
        print("    %d changes refused on a full disk" % len(cases))
        # Room again: the next change is stored.
        for name in os.listdir(folder):
            if name.startswith("filler"):
                os.remove(os.path.join(folder, name))
        delete(app, target(data, 3, size))
        until(lambda: on_disk()[1], without(data, 3), "a delete once there is room again")
        assert app.close() == 0
    finally:
        for app in list(ctx.apps):
            app.kill()
        unmount(folder)


# ---- 3. a long mixed run

def resources(app):
    """(GDI objects, USER objects, handles) the program holds."""
    d = app.s.probe.kv("resources")
    assert d["rc"] == 0, d
    return int(d["gdi"]), int(d["user"]), int(d["handles"])


def free_point(rng, data, size):
    """A window point at full size in no entry's rectangle: a right-press
    there places a new entry."""
    while True:
        x, y = rng.randrange(30, 1400), rng.randrange(250, size[1] - 60)
        if not any(r["x"] - 3 <= x <= r["x"] + r["width"] + 3 and r["y"] - 3 <= y <= r["y"] + r["height"] + 3
                   for r in records_of(data or b"")):
            return x, y


class Pages:
    """What the operations say the entry files hold: each page's bytes, and
    the steps undo and redo walk on the page shown (a page opened anew
    starts without any)."""

    def __init__(self, ctx, count):
        self.ctx = ctx
        self.names = ["Form%d" % (i + 1) for i in range(count)]
        self.data = {}
        self.page = 0
        self.done, self.undone = [], []

    def name(self):
        return self.names[self.page] + ".dta"

    def shown(self):
        return self.data[self.page]

    def changed(self, after):
        self.done.append((self.shown(), after))
        self.undone = []
        self.data[self.page] = after

    def check(self, what):
        until(lambda: dta_bytes(self.ctx, self.name()), self.shown(), what)


def test_thousands_of_mixed_changes_end_as_they_say_and_hold_no_more_resources(ctx):
    operations = int(os.environ.get("SCRV_E2E_OPERATIONS", "600"))
    warm_up = min(30, operations // 2)
    rng = random.Random(SEED)
    pages = Pages(ctx, 3)
    for i, name in enumerate(pages.names):
        white_form(ctx, name + ".bmp")
        pages.data[i] = grid(20) if i != 1 else None      # page 2 has no entry file yet
        if pages.data[i]:
            ctx.write(name + ".dta", pages.data[i])
    app = open_at_full_size(ctx, ctx.path("Form1.bmp"))
    size = app.client_size()
    counts, start = {}, None
    for n in range(operations):
        if n == warm_up:
            app.sync()
            start = resources(app)
        data = pages.shown() or b""
        count = len(data) // RECORD
        kinds = ["page"] * 2 + ["undo"] * 3 * bool(pages.done) + ["redo"] * 2 * bool(pages.undone)
        kinds += ["place"] * 4 * (count < 60) + ["move"] * 4 * (count > 0) + ["delete"] * 3 * (count > 10)
        kind = rng.choice(kinds)
        counts[kind] = counts.get(kind, 0) + 1
        what = "%s (%d)" % (kind, n)
        if kind == "page":
            step = -1 if pages.page == len(pages.names) - 1 or (pages.page and rng.random() < 0.5) else 1
            app.key("Next" if step > 0 else "Prior")
            pages.page += step
            pages.done, pages.undone = [], []
            app.wait_title(pages.names[pages.page] + ".bmp")
        elif kind in ("undo", "redo"):
            before, after = (pages.done if kind == "undo" else pages.undone).pop()
            (undo if kind == "undo" else redo)(app)
            (pages.undone if kind == "undo" else pages.done).append((before, after))
            pages.data[pages.page] = before if kind == "undo" else after
        elif kind == "place":
            x, y = free_point(rng, data, size)
            text = "P%d" % n
            place(app, x, y, text)
            until(lambda: records_of(dta_bytes(ctx, pages.name()) or b"")[-1:] and
                  records_of(dta_bytes(ctx, pages.name()))[-1]["text"], text, what)
            got = dta_bytes(ctx, pages.name())
            assert got[:len(data)] == data and len(got) == len(data) + RECORD, what
            assert (records_of(got)[-1]["x"], records_of(got)[-1]["y"]) == (x, y), what
            pages.changed(got)
        else:
            index, point = pick(rng, data, size)
            if kind == "delete":
                delete(app, point)
                pages.changed(without(data, index))
            else:
                drop = free_point(rng, data, size)
                move(app, point, drop)
                until(lambda: ends_with_moved(dta_bytes(ctx, pages.name()), data, index, *drop), True, what)
                pages.changed(dta_bytes(ctx, pages.name()))
        pages.check(what)
    app.sync()
    end = resources(app)
    for i, name in enumerate(pages.names):
        assert dta_bytes(ctx, name + ".dta") == pages.data[i], name
    print("    %d operations (%s); GDI objects, USER objects, handles after %d: %s, at the end: %s" % (
        operations, ", ".join("%s %d" % kv for kv in sorted(counts.items())), warm_up, start, end))
    assert all(e <= s for s, e in zip(start, end)), (start, end)
    assert app.close() == 0
