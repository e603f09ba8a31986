"""No entry is lost to a crash, and no entry is written into the picture
itself: what the user sees in the message boxes and what the files hold."""
import contextlib
import os
import random
import shutil
import stat
import subprocess

import entryfiles
import harness
from resource_ids import IDM_UNDO, IDM_ZOOM_IN
from test_entries_kept import delete_at, dta_bytes, hold, placed, record, until
from test_placing import entries, open_form, place, white_form


def test_a_picked_entry_outlives_a_kill_during_its_edit_and_is_offered_back(ctx):
    alpha, picked = record(400, 300, "Alpha"), record(400, 500, "Survivor")
    recovery = ctx.path("form.dta.recovered")
    for typed in (None, " and more"):
        app = open_form(ctx, dta=[alpha, picked], full_size=True)
        place(app, 700, 700, typed, key=None, drag_from=(420, 510))
        until(lambda: dta_bytes(ctx), alpha)               # out of the file while it is edited
        app.kill()                                        # SIGKILL: nothing is put back
        assert dta_bytes(ctx) == alpha, typed
        # The next open names the entry and leaves the choice to the user:
        # No keeps the copy for later, Yes puts it back.
        for answer in ("n", "Return"):
            app = ctx.start_app()
            app.open_bmp(ctx.path("form.bmp"), via="command")
            caption, text = app.wait_msgbox()
            assert '"Survivor"' in text and harness.windows_path(recovery) in text, (typed, text)
            app.dismiss_msgbox(key=answer)
            if answer == "n":
                assert dta_bytes(ctx) == alpha and dta_bytes(ctx, "form.dta.recovered") == picked, typed
                assert app.close() == 0
        until(lambda: placed(ctx), [("Alpha", 400, 300), ("Survivor", 400, 500)])
        until(lambda: os.path.exists(recovery), False, "the recovery file put back")
        app.post_command(IDM_ZOOM_IN)                     # full size: Survivor is where it was
        app.sync()
        place(app, 800, 800, None, key="Escape", drag_from=(420, 510))
        until(lambda: placed(ctx), [("Alpha", 400, 300), ("Survivor", 400, 500)])
        until(lambda: os.path.exists(recovery), False, "no copy beside the file once it is back in it")
        app.kill()


def test_a_refused_pick_up_leaves_no_copy_beside_the_file(ctx):
    dta = [record(400, 300, "Apple")]
    app = open_form(ctx, dta=dta, full_size=True)
    holder = hold(ctx, "form.dta")
    place(app, 700, 700, None, key=None, drag_from=(420, 310))
    caption, text = app.wait_msgbox()
    assert "could not be changed" in text, text
    app.dismiss_msgbox()
    holder.kill()
    until(lambda: os.path.exists(ctx.path("form.dta.recovered")), False, "no copy beside the file")
    assert dta_bytes(ctx) == dta[0]


def garbage(size):
    return random.Random(size).randbytes(size)


ALPHA, SURVIVOR = record(400, 300, "Alpha"), record(400, 500, "Survivor")
NOT_ENTRIES = [record(-2 ** 31, 600, "Far left"), entryfiles.record(400, 700, "Huge", size=2 ** 31 - 1),
               record(400, 800, "\x01\x02\x1b")]


def recovery_file(content, read_only=False):
    """Makes form.dta.recovered hold `content`; read-only as an ordinary user
    finds it (root writes through the bits, so as root it is immutable too)."""
    def make(ctx):
        path = ctx.write("form.dta.recovered", content)
        if read_only:
            os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
            if os.geteuid() == 0:
                subprocess.run(["chattr", "+i", path], check=True)
    return make


def recovery_folder(ctx):
    os.mkdir(ctx.path("form.dta.recovered"))
    ctx.write(os.path.join("form.dta.recovered", "inside.txt"), "a folder of that name\n")


def recovery_held(ctx):
    recovery_file(SURVIVOR)(ctx)
    return hold(ctx, "form.dta.recovered")


def remove_recovery(ctx):
    path = ctx.path("form.dta.recovered")
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        if os.geteuid() == 0:
            subprocess.run(["chattr", "-i", path], check=True)
        os.chmod(path, stat.S_IRUSR | stat.S_IWUSR)
        os.remove(path)


# (what form.dta.recovered is, how it is made, what the open says of it,
#  what the answer Enter leaves in form.dta, what a pick-up then says (None:
#  it works))
RECOVERY_CASES = [
    ("read-only", recovery_file(SURVIVOR, read_only=True),
     ['"Survivor"', "Put them back"], [ALPHA, SURVIVOR], "that file is read-only"),
    ("held by another program", recovery_held,
     ["can't be read: another program has that file open"], [ALPHA], "another program has that file open"),
    ("a folder of that name", recovery_folder,
     ["can't be read: a folder of that name is in its place"], [ALPHA], "a folder of that name"),
    ("random bytes", recovery_file(garbage(100 * 160)),
     ["none of its 100 records can be an entry"], [ALPHA], None),
    ("10 MB of random bytes", recovery_file(garbage(10 * 1024 * 1024)),
     ["none of its 65536 records can be an entry"], [ALPHA], None),
    ("records that can't be entries beside a sound one", recovery_file(b"".join(NOT_ENTRIES + [SURVIVOR])),
     ['"Survivor"', "3 other records in that file can't be entries"], [ALPHA, SURVIVOR], None),
]


def test_a_recovery_file_is_offered_once_and_only_its_sound_records(ctx):
    for what, make, offer, kept, pick_up in RECOVERY_CASES:
        ctx.write("form.dta", ALPHA)
        white_form(ctx)
        holder = make(ctx)
        try:
            app = ctx.start_app()
            app.open_bmp(ctx.path("form.bmp"), via="command")
            caption, text = app.wait_msgbox()
            assert all(words in text for words in offer), (what, text)
            app.dismiss_msgbox()
            if "Put them back" in text and os.path.exists(ctx.path("form.dta.recovered")):
                # Put back, but the file can't go: said, with the reason.
                caption, text = app.wait_msgbox()
                assert "can't be removed: " + pick_up in text, (what, text)
                app.dismiss_msgbox()
            until(lambda: dta_bytes(ctx), b"".join(kept), what)
            # Offered once: the next open of the form in this run is quiet.
            app.open_bmp(ctx.path("form.bmp"), via="command")
            app.sync()
            assert app.msgbox() is None, what
            app.post_command(IDM_ZOOM_IN)
            app.sync()
            place(app, 700, 900, None, key=None, drag_from=(420, 310))
            if pick_up:
                caption, text = app.wait_msgbox()
                assert "that copy can't be written: " + pick_up in text, (what, text)
                assert "The folder may be read-only" not in text, (what, text)
                app.dismiss_msgbox()
                assert dta_bytes(ctx) == b"".join(kept), what
            else:
                app.key("Escape")                     # back where it was
                back = sorted((r["text"], r["x"], r["y"]) for r in entryfiles.records_of(b"".join(kept)))
                until(lambda: sorted(placed(ctx)), back, what)
            app.kill()
        finally:
            if holder:
                holder.kill()
            remove_recovery(ctx)


def test_a_form_that_would_hold_its_own_entries_is_refused(ctx):
    for name in ("picture.dta", "SCRV.tmp"):
        form = white_form(ctx, name=name, width=800, height=600)
        with open(form, "rb") as f:
            picture = f.read()
        app = ctx.start_app()
        app.open_bmp(form, via="command")
        caption, text = app.wait_msgbox()
        assert "which is the picture itself" in text and harness.windows_path(form) in text, (name, text)
        app.dismiss_msgbox()
        place(app, 200, 200, "Entry", key="Return")       # no form: nothing is stored anywhere
        with open(form, "rb") as f:
            assert f.read() == picture, name
        assert not os.path.exists(ctx.path("SCRV.dta")), name
        assert app.close() == 0
        os.remove(form)


def test_a_folder_too_deep_for_the_temporary_file_is_named_as_the_reason(ctx):
    # A folder of 251 characters: "f.bmp" fits in 259, "SCRV.tmp" beside it doesn't.
    folder = ctx.dir
    while len(harness.windows_path(folder)) < 251:
        folder = os.path.join(folder, "d" * min(60, 251 - len(harness.windows_path(folder)) - 1))
    os.makedirs(folder)
    assert len(harness.windows_path(folder)) == 251
    form = os.path.join(folder, "f.bmp")
    white_form(ctx, name=os.path.relpath(form, ctx.dir), width=800, height=600)
    app = ctx.start_app(args=[harness.windows_path(form)])
    app.wait_title("f.bmp")
    place(app, 200, 200, "Deep", key="Return")
    caption, text = app.wait_msgbox()
    assert '"Deep"' in text and "SCRV.tmp" in text and "259 characters" in text, text
    assert "in use by another program" not in text, text
    app.dismiss_msgbox()
    assert not os.path.exists(os.path.join(folder, "f.dta"))


def test_a_torn_record_at_the_end_of_the_entry_file_outlives_every_change(ctx):
    alpha = record(400, 300, "Alpha")
    torn = b"\x5a" * 30                                   # another program's record, cut short
    app = open_form(ctx, dta=[alpha], full_size=True)
    ctx.write("form.dta", alpha + torn)
    steps = [
        ("a new entry", lambda: place(app, 700, 600, "Bravo"), [("Alpha", 400, 300), ("Bravo", 700, 600)]),
        ("a move", lambda: place(app, 900, 800, None, drag_from=(420, 310)),
         [("Bravo", 700, 600), ("Alpha", 900, 800)]),
        ("a delete", lambda: delete_at(app, 710, 610), [("Alpha", 900, 800)]),
        ("an undo", lambda: app.post_command(IDM_UNDO), [("Bravo", 700, 600), ("Alpha", 900, 800)]),
    ]
    for what, step, expected in steps:
        step()
        until(lambda: placed(ctx), expected, what)
        data = dta_bytes(ctx)
        assert len(data) == 160 * len(expected) + len(torn) and data.endswith(torn), what
    assert app.close() == 0


def test_an_entry_file_of_more_than_200_records_says_so_once_at_open(ctx):
    dta = [record(10 + 5 * (i % 100), 10 + 40 * (i // 100), "e%d" % i) for i in range(230)]
    app = open_form(ctx, dta=dta, full_size=True)
    caption, text = app.wait_msgbox()
    assert "230 entries" in text and harness.windows_path(ctx.path("form.dta")) in text, text
    app.dismiss_msgbox()
    delete_at(app, 12, 12)                                # a change reads the file again: no second notice
    until(lambda: len(dta_bytes(ctx)), 229 * 160)
    assert app.msgbox() is None
    assert app.close() == 0


def test_an_entry_stored_after_the_picture_lost_its_file_says_so_once(ctx):
    app = open_form(ctx, full_size=True)
    os.rename(ctx.path("form.bmp"), ctx.path("moved.bmp"))
    place(app, 300, 300, "First")
    caption, text = app.wait_msgbox()
    assert "no longer has its file" in text and harness.windows_path(ctx.path("form.bmp")) in text, text
    app.dismiss_msgbox()
    place(app, 300, 500, "Second")
    until(lambda: [r["text"] for r in entries(ctx)], ["First", "Second"])
    assert app.msgbox() is None
    assert app.close() == 0
