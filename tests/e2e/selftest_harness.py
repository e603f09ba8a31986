"""Checks of the harness itself, run with `run.py --selftest`.

They drive the fixture program (fixture/selftest_app.c, built into
build/tests/selftest_app.exe), which logs every input it gets to
selftest-events.log in its working folder, so each check can compare what
the harness sent with what a Win32 program received."""

import os

import harness

EXE = harness.FIXTURE_EXE


def events(app):
    """The fixture's event log, after the program has handled its input."""
    app.sync()
    try:
        with open(os.path.join(app.cwd, "selftest-events.log")) as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def wait_event(app, line, timeout=5):
    return harness.wait_until(lambda: line in events(app), timeout, what="event %r" % line)


def test_window_facts(app):
    assert app.title() == "Scrivelander"
    assert app.window_rect() == (0, 0, 1600, 1000)
    w = app.window()
    assert w["workarea"] == "0 0 1600 1000", w["workarea"]
    assert app.foreground() == ("Scrivelander", "Scrivelander"), app.foreground()
    assert app.close("wm_close") == 0


def test_exit_code(ctx):
    app = ctx.start_app(args=["--exit", "7"])
    assert app.close() == 7


def test_mouse_and_keys(app):
    app.click(200, 300)
    wait_event(app, "lbuttonup 200 300")
    app.click(20, 30, button="right")
    wait_event(app, "rbuttonup 20 30")
    app.key("a")
    app.type("Hi!")
    wait_event(app, "char 33")
    ev = events(app)
    assert [e for e in ev if e.startswith("char")] == ["char 97", "char 72", "char 105", "char 33"], ev
    app.wheel("up", ctrl=True, x=400, y=100)
    wait_event(app, "wheel 120 ctrl=1 400 100")
    app.wheel("down")
    wait_event(app, "wheel -120 ctrl=0 400 100")
    app.drag(300, 400, 350, 420)
    wait_event(app, "lbuttonup 350 420")
    assert "lbuttondown 300 400" in events(app)
    app.press()
    app.release()
    wait_event(app, "lbuttonup 350 420")


def test_screenshot(app):
    app.wait_pixel(20, 20, (255, 0, 0))
    shot = app.screenshot()
    w, h = app.client_size()
    assert (shot.width, shot.height) == (w, h)
    assert shot.pixel(10, 10) == (255, 0, 0) and shot.pixel(59, 59) == (255, 0, 0)
    assert shot.pixel(9, 9) == (255, 255, 255) and shot.pixel(60, 60) == (255, 255, 255)
    assert shot.bbox((255, 0, 0)) == (10, 10, 60, 60), shot.bbox((255, 0, 0))
    assert shot.bbox((0, 0, 255)) == (100, 50, 150, 100)
    assert shot.count((0, 0, 255)) == 2500
    assert app.pixel(120, 70) == (0, 0, 255)


def test_message_box(app):
    app.post_command(40100)
    caption, text = app.wait_msgbox()
    assert caption == "Fixture box", caption
    assert text == "Hello from the fixture.\nSecond line.", text
    d = app.dialogs()[0]
    assert [b[1] for b in d.buttons] == ["OK"], d.buttons
    assert app.window()["enabled"] == "0"
    app.dismiss_msgbox()
    assert app.msgbox() is None
    assert app.window()["enabled"] == "1"


def test_open_dialog_keys(ctx):
    bmp = ctx.write("form.bmp", b"BM" + bytes(60))
    app = ctx.start_app()
    app.open_bmp(bmp, "bmp")
    assert app.wait_msgbox() == ("Opened", harness.windows_path(bmp))
    app.dismiss_msgbox()
    assert "command %d" % harness.IDM_OPEN_BMP in events(app)


def test_open_dialog_command(ctx):
    bmp = ctx.write("other form.bmp", b"BM" + bytes(60))
    app = ctx.start_app()
    app.open_bmp(bmp, "original", via="command")
    assert app.wait_msgbox() == ("Opened", harness.windows_path(bmp))
    app.click_button("Opened", "OK")
    app.wait_no_dialog()
    assert "command %d" % harness.IDM_OPEN_ORIGINAL in events(app)


def test_menu_resource(ctx):
    menu = ctx.session.menu_resource(EXE)
    assert [m["text"] for m in menu] == ["&File", "F&ont", "&Help"]
    file_menu = menu[0]
    assert file_menu["popup"] and file_menu["items"][0]["text"] == "&Open .bmp file"
    sub = file_menu["items"][0]["items"]
    assert [(i["text"], i["id"]) for i in sub] == [
        ("To enter or print entries on .&bmp file", 40040),
        ("To print entries on &Original form", 40041)]
    assert menu[1]["id"] == 65535 and not menu[1]["popup"]
    help_items = menu[2]["items"]
    assert help_items[0]["text"] == "&Using     F1" and help_items[0]["checked"]
    assert help_items[1]["text"] == "&About\tTab" and help_items[1]["grayed"]


def test_menu_from_keyboard(app):
    app.key("alt+f")
    harness.wait_until(app.in_menu, what="menu mode")
    app.key("Escape", "Escape")
    harness.wait_until(lambda: not app.in_menu(), what="menu closed")
    app.key("alt+f", "m")
    assert app.wait_msgbox()[0] == "Fixture box"
    app.dismiss_msgbox()
