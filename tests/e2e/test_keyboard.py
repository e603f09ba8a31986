"""After every dialog, message box and outside program, and after a form
opened from the command line, the main window is in front and has the
keyboard (the entry box, while an entry is open), so the next key works
without a click."""
import harness
from test_placing import white_form

IDM_OPEN_BMP, IDM_PRINT_CALIBRATION, IDM_HELP_ABOUT, IDM_FONT = 40040, 40046, 40006, 65535


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
