"""A form's files may be read-only (a read-only share, an archive) or held
by another program. The program reads them with read access alone: a
read-only form and entry file open, show and print, and each change is
refused with a message naming the reason. Entries that can't be read at all
are named at open, and the form is never printed as if it had none."""
import contextlib
import os
import subprocess

import bmpfiles
import entryfiles
import harness
import printing
from resource_ids import IDM_PRINT, IDM_PRINT_ALL_PAGES, IDM_ZOOM_IN
from test_entries_kept import dta_bytes, hold, ink
from test_placing import place
from test_print import framed, print_through_dialogs

W, H = 600, 400


@contextlib.contextmanager
def unwritable(*paths):
    """The files as an ordinary user finds read-only files. Root writes
    through read-only bits, so as root they are also made immutable, which
    not even root can write through; both are undone at the end."""
    root = os.geteuid() == 0
    for path in paths:
        os.chmod(path, 0o444)
    if root:
        subprocess.run(["chattr", "+i"] + list(paths), check=True)
    try:
        yield
    finally:
        if root:
            subprocess.run(["chattr", "-i"] + list(paths))
        for path in paths:
            os.chmod(path, 0o644)


def form_with_entry(ctx, text):
    """A 300 dpi form with one entry at (300, 250): its hit point at full
    size is (320, 260)."""
    form = ctx.write("form.bmp", bmpfiles.bmp_bytes(W, H, 1, framed, dpi=300))
    dta = ctx.write("form.dta", entryfiles.entry_file(entryfiles.record(300, 250, text, width=100, height=35)))
    return form, dta


def refused_with(app, fragment, what):
    caption, text = app.wait_msgbox()
    assert fragment in text, (what, text)
    app.dismiss_msgbox()
    app.sync()
    return text


def test_a_read_only_form_opens_shows_and_prints_its_entries_and_refuses_changes(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    form, dta = form_with_entry(ctx, mark)
    stored = dta_bytes(ctx)
    with unwritable(form, dta):
        app = ctx.start_app()
        app.open_bmp(form, via="command")
        app.post_command(IDM_ZOOM_IN)
        app.sync()
        assert app.msgbox() is None
        assert app.title() == "form.bmp"
        assert ink(app.screenshot(), 300, 250, 100, 35), "the entry is drawn"
        # Each change is refused, naming the read-only file; the file stays.
        for what, act, box_stays in [
                ("a new entry", lambda: place(app, 450, 330, "New"), True),
                ("a move", lambda: place(app, 450, 200, None, key=None, drag_from=(320, 260)), False),
                ("a delete", lambda: (app.mouse_move(320, 260), app.key("Delete")), False)]:
            act()
            refused_with(app, "form.dta is read-only", what)
            if box_stays:                                 # the typed text is kept: give it up
                harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the keyboard back in the entry")
                app.key("Escape")
                app.sync()
            assert dta_bytes(ctx) == stored, what
        before = printing.printed_pdfs()
        print_through_dialogs(app, "Scanner resolution was 300 dpi")
        printing.wait_pdf_with(before, mark)
        assert app.close() == 0


def test_entries_another_program_holds_are_named_at_open_and_nothing_prints_without_them(ctx):
    form, dta = form_with_entry(ctx, "Held")
    holder = hold(ctx, "form.dta")
    app = ctx.start_app()
    # Both ways of opening, the second one onto the pre-printed paper.
    for mode in ("bmp", "original"):
        app.open_bmp(form, mode=mode, via="command")
        text = refused_with(app, "can't be read", mode)
        assert harness.windows_path(dta) in text, (mode, text)
        assert app.msgbox() is None, (mode, app.msgbox())  # no "First you have to Open .bmp file"
        assert app.title() == "form.bmp", mode
        for command, fragment in [(IDM_PRINT, "Nothing was printed"),
                                  (IDM_PRINT_ALL_PAGES, "nothing was printed")]:
            app.post_command(command)
            text = refused_with(app, fragment, (mode, command))
            assert app.dialogs() == [], (mode, command)  # no print dialog follows
    holder.kill()
    assert app.close() == 0
