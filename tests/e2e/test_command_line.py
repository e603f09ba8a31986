"""A form named on the command line opens as File > Open .bmp file > "To
enter or print entries on .bmp file" opens it; a command line the program
can't take is refused with a message box, and the program starts empty."""
import os

import bmpfiles
import entryfiles
import harness
from test_placing import entries, place

ENTRIES = entryfiles.entry_file(
    entryfiles.record(300, 200, "Filled in", 150, 30, colour=2),
    entryfiles.record(900, 600, "#1=40+2", 60, 30, right=1))


def form_in(ctx, folder, name="claim.bmp"):
    """A form larger than the window, with two entries, in a subfolder."""
    os.makedirs(ctx.path(folder), exist_ok=True)
    form = ctx.write(os.path.join(folder, name), bmpfiles.coordinate_form(2200, 1600))
    ctx.write(os.path.join(folder, name[:-3] + "dta"), ENTRIES)
    return form


def test_a_form_on_the_command_line_opens_as_the_open_command_opens_it(ctx):
    form = form_in(ctx, "my forms")
    # As the menu's Open shows it: half size, from the top-left corner, with
    # its entries.
    app = ctx.start_app()
    app.open_bmp(form, via="keys")
    app.wait_title("claim.bmp")
    by_menu = app.screenshot_stable()
    assert app.close() == 0

    # A relative path with a blank, quoted by Wine as Windows would quote it,
    # is taken from the folder the program starts in.
    for argument in (harness.windows_path(form), "my forms\\claim.bmp"):
        app = ctx.start_app(args=[argument])
        app.wait_title("claim.bmp")
        assert app.screenshot_stable().data == by_menu.data, argument
        assert app.close() == 0

    # New entries go into the entry file beside the form.
    app = ctx.start_app(args=[harness.windows_path(form)])
    app.wait_title("claim.bmp")
    place(app, 40, 40, None, key=None)
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the edit box")
    app.type("New")
    app.key("Return")
    dta = os.path.join("my forms", "claim.dta")
    harness.wait_until(lambda: [r["text"] for r in entries(ctx, dta)] == ["Filled in", "#1=40+2", "New"], 5,
                       what="the new entry in %s" % dta)
    assert app.close() == 0


def refused_at_start(ctx, args, text):
    app = ctx.start_app(args=args)
    assert app.wait_msgbox() == ("Error", text), args
    app.dismiss_msgbox()
    app.sync()
    assert app.title() == "Scrivelander", args
    assert app.close() == 0


def test_files_the_open_command_refuses_are_refused_with_its_messages(ctx):
    for name, data, text in (("empty.bmp", b"", "File size was 0"),
                             ("notes.bmp", b"Monday: call the bank\n", "Not a .bmp file")):
        refused_at_start(ctx, [harness.windows_path(ctx.write(name, data))], text)
    # What can't be opened is named with the reason.
    os.makedirs(ctx.path("forms.bmp"))
    for argument, reason in [(harness.windows_path(ctx.path("nothing-here.bmp")), "There is no such file."),
                             (harness.windows_path(ctx.path("forms.bmp")), "It is a folder, not a .bmp file."),
                             ("CON", "It is a device, not a .bmp file.")]:
        app = ctx.start_app(args=[argument])
        caption, text = app.wait_msgbox()
        assert text.startswith("The form can't be opened:\n") and text.endswith("\n\n" + reason), text
        assert argument in text, (argument, text)
        app.dismiss_msgbox()
        app.sync()
        assert app.title() == "Scrivelander", argument
        assert app.close() == 0


TOO_MANY = ("Scrivelander opens one form at a time. A path with blanks in it goes in double quotes:\n\n"
            "Scrivelander.exe \"C:\\My Forms\\1040.bmp\"")
TOO_LONG = ("This form's path is longer than the 259 characters Scrivelander can keep, so the form "
            "was not opened.\n\nMove the form to a folder with a shorter path and open it from there.")


def test_more_than_one_argument_or_a_path_too_long_is_refused(ctx):
    form = form_in(ctx, "forms")
    refused_at_start(ctx, [harness.windows_path(form), "second.bmp"], TOO_MANY)
    # A path of 260 characters exists, and is refused rather than cut.
    folder = ctx.dir
    while len(harness.windows_path(os.path.join(folder, "claim.bmp"))) < 260:
        folder = os.path.join(folder, "a-long-folder-name")
    deep = os.path.join(folder, "claim.bmp")
    os.makedirs(folder)
    bmpfiles.write(deep, bmpfiles.coordinate_form(100, 100))
    refused_at_start(ctx, [harness.windows_path(deep)], TOO_LONG)
