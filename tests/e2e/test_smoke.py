"""Smoke scenario: the program starts, shows its main window over the whole
work area, and quits with exit code 0 when its close box is clicked."""


def test_start_and_close(app):
    assert app.title() == "Scrivelander", app.title()
    assert app.window_rect() == (0, 0, 1600, 1000), app.window_rect()
    assert app.close() == 0, "exit code %s" % app.returncode
    assert not app.is_alive()
