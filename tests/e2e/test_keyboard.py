"""After every dialog, message box and outside program, and after a form
opened from the command line, the main window is in front and has the
keyboard (the entry box, while an entry is open), so the next key works
without a click."""
import ghostscript
import harness
from resource_ids import IDM_FONT, IDM_HELP_ABOUT, IDM_OPEN_BMP, IDM_PRINT_CALIBRATION
from test_placing import entries, place, white_form


def keyboard_is_the_programs(app, klass="Scrivelander"):
    harness.wait_until(lambda: app.foreground()[1] == "Scrivelander" and app.focus()[1] == klass, 5,
                       what="the keyboard back at the %s" % klass)


def pages(ctx):
    """Two pages of one document; returns the first's path."""
    for n in (1, 2):
        white_form(ctx, "Doc%d.bmp" % n, 300, 200)
    return ctx.path("Doc1.bmp")


def test_the_next_key_works_after_each_dialog_and_at_start(ctx):
    first = pages(ctx)
    # Opened from the command line: Page Down works at once.
    app = ctx.start_app(args=[harness.windows_path(first)])
    app.wait_title("Doc1.bmp")
    keyboard_is_the_programs(app)
    app.key("Next")
    app.wait_title("Doc2.bmp")
    # After the open dialog, a message box, the calibration dialog and the
    # font dialog, each ended with the keyboard alone.
    steps = [
        ("the open dialog", IDM_OPEN_BMP, lambda: app.open_bmp(first, via="command")),
        ("a message box", IDM_HELP_ABOUT, None),
        ("the calibration dialog", IDM_PRINT_CALIBRATION, None),
        ("the font dialog", IDM_FONT, None),
    ]
    for name, command, run in steps:
        if run:
            run()
        else:
            app.post_command(command)
            harness.wait_until(lambda: app.foreground()[1] != "Scrivelander", 10, what=name)
            app.key("Escape")
        keyboard_is_the_programs(app)
        title = app.title()
        app.key("Prior" if title == "Doc2.bmp" else "Next")
        app.wait_title("Doc1.bmp" if title == "Doc2.bmp" else "Doc2.bmp")


def caret_x(app):
    return int(app.window()["caret"].split()[0])


def test_the_caret_follows_the_insertion_point_in_the_entry_box(ctx):
    white_form(ctx, "form.bmp", 600, 400)
    app = ctx.start_app()
    app.open_bmp(ctx.path("form.bmp"), via="command")
    app.wait_title("form.bmp")
    place(app, 100, 100, "abcd", key=None)
    harness.wait_until(lambda: caret_x(app) > 110, 5, what="the caret after the text")
    end = caret_x(app)
    app.key("Left", "Left")
    harness.wait_until(lambda: caret_x(app) < end, 5, what="the caret to move left")
    middle = caret_x(app)
    assert 101 < middle < end, (middle, end)
    app.key("Home")
    harness.wait_until(lambda: caret_x(app) == 101, 5, what="the caret at the start")
    app.key("End", "Left", "Left")
    harness.wait_until(lambda: caret_x(app) == middle, 5, what="the caret back in the middle")
    # What is typed goes in where the caret shows; + and - are the box's
    # text there, not the zoom keys.
    app.type("X+-")
    harness.wait_until(lambda: caret_x(app) > middle, 5, what="the caret after the X")
    app.key("Return")
    harness.wait_until(lambda: [r["text"] for r in entries(ctx)] == ["abX+-cd"], 5, what="the entry stored")


def test_page_down_works_after_a_conversion_without_a_click(ctx):
    pdf = ghostscript.make_pdf(ctx.path("pdfs", "Document.pdf"), 2)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        ghostscript.convert(app, pdf, resolution="72")
        gs.wait_runs("gs9.05", 1)
        ghostscript.open_page(app, ctx.path("pdfs", "Document1.bmp"))
        app.wait_title("Document1.bmp")
        keyboard_is_the_programs(app)
        app.key("Next")
        app.wait_title("Document2.bmp")
        assert app.close() == 0
