"""Start-up and shut-down: the window, its menu, its check marks, and how it
ends."""
import os

import harness
from resource_ids import (IDM_CONVERT_PDF, IDM_EDIT_HELP, IDM_EXIT, IDM_FONT, IDM_HELP_ABOUT, IDM_HELP_ADVANCED,
                          IDM_HELP_FILLING_FIELDS,
                          IDM_HELP_FORMULAS, IDM_HELP_GHOSTSCRIPT, IDM_HELP_USING, IDM_HORIZONTAL, IDM_LEFT_JUSTIFIED,
                          IDM_NEXT_PAGE, IDM_OPEN_BMP, IDM_OPEN_ORIGINAL, IDM_PREVIOUS_PAGE, IDM_PRINT,
                          IDM_PRINT_ALL_PAGES, IDM_PRINT_CALIBRATION, IDM_PRINT_FROM_TABLE, IDM_REDO, IDM_SAVE_AS_PDF,
                          IDM_RIGHT_JUSTIFIED, IDM_SHOW_FIELDS, IDM_SNAP_TO_FIELDS, IDM_UNDO, IDM_VERTICAL,
                          IDM_ZOOM_IN, IDM_ZOOM_OUT)

# The "FORMFILE" menu as a user sees it: (text, id) for commands, (text,
# [items]) for pop-ups.
ORIGINAL_MENU = [
    ("&File", [
        ("&Convert .pdf to .bmp", IDM_CONVERT_PDF),
        ("&Open .bmp file", [
            ("To enter or print entries on .&bmp file", IDM_OPEN_BMP),
            ("To print entries on &Original form", IDM_OPEN_ORIGINAL),
        ]),
        ("&Print", IDM_PRINT),
        ("E&xit", IDM_EXIT),
    ]),
    ("&Edit", [
        ("Edit &Help", IDM_EDIT_HELP),
        ("Enter &Left-justified text", IDM_LEFT_JUSTIFIED),
        ("Enter &Right-justified text", IDM_RIGHT_JUSTIFIED),
        ("Enter Horizontal text", IDM_HORIZONTAL),
        ("Enter &Vertical text", IDM_VERTICAL),
    ]),
    ("F&ont", IDM_FONT),
    ("-", IDM_ZOOM_OUT),
    ("+", IDM_ZOOM_IN),
    ("&Help", [
        ("&Using     F1", IDM_HELP_USING),
        ("&GhostScript", IDM_HELP_GHOSTSCRIPT),
        ("A&dvanced", IDM_HELP_ADVANCED),
        ("&Formulas", IDM_HELP_FORMULAS),
        ("&About", IDM_HELP_ABOUT),
    ]),
]

# The items added since, each after every original item of its menu.
ADDED_ITEMS = {
    "&File": [("Print ca&libration...", IDM_PRINT_CALIBRATION), ("&Next page\tPgDn", IDM_NEXT_PAGE),
              ("Pre&vious page\tPgUp", IDM_PREVIOUS_PAGE), ("Print &all pages...", IDM_PRINT_ALL_PAGES),
              ("Print from &table...", IDM_PRINT_FROM_TABLE), ("Save as P&DF...", IDM_SAVE_AS_PDF)],
    "&Edit": [("&Undo\tCtrl+Z", IDM_UNDO), ("R&edo\tCtrl+Y", IDM_REDO), ("Show &fields", IDM_SHOW_FIELDS),
              ("&Snap to fields", IDM_SNAP_TO_FIELDS)],
    "&Help": [("F&illing fields...", IDM_HELP_FILLING_FIELDS)],
}

EXPECTED_MENU = [(text, items + ADDED_ITEMS.get(text, []) if isinstance(items, list) else items)
                 for text, items in ORIGINAL_MENU]


def simplify(items):
    """The menu dump as (text, id) / (text, [items]), with no item checked,
    grayed or disabled in the resource."""
    out = []
    for item in items:
        assert not item.checked and not item.grayed, item.text
        if item.popup:
            out.append((item.text, simplify(item.items)))
        else:
            out.append((item.text, item.id))
    return out


def test_menu_resource_has_every_item_with_its_text_and_id(ctx):
    menu = ctx.session.menu_resource()
    assert simplify(menu) == EXPECTED_MENU, simplify(menu)


def access_key(text):
    at = text.find("&")
    return text[at + 1].lower() if at >= 0 else None


def test_no_two_items_of_a_menu_share_an_access_key(ctx):
    def check(items, where):
        keys = [access_key(item.text) for item in items if access_key(item.text)]
        assert len(keys) == len(set(keys)), (where, keys)
        for item in items:
            if item.popup:
                check(item.items, item.text)
    check(ctx.session.menu_resource(), "the menu bar")


def test_window_covers_the_work_area_with_its_title(app):
    assert app.title() == "Scrivelander"
    assert app.window_rect() == (0, 0, 1600, 1000), app.window_rect()
    assert app.client_size() == (1594, 956), app.client_size()
    w = app.window()
    assert w.get("visible") == "1"
    # No sizing border and no maximise box: caption, system menu, minimise.
    assert int(w["style"], 16) & 0x00FF0000 == 0x00CA0000, w["style"]
    # Without a form the client area is white.
    shot = app.screenshot()
    assert shot.count((255, 255, 255)) == shot.width * shot.height


def test_restoring_after_minimising_puts_the_window_back_over_the_work_area(app):
    x, y = app.s.probe.kv("ncbutton min Scrivelander")["center"].split()
    app.s.xdotool("mousemove", int(x) + app.desk()[0], int(y) + app.desk()[1], "click", 1)
    app.sync()
    hwnd = app.window()["hwnd"]
    app.s.probe.call("post %s %d %d 0" % (hwnd, 0x0112, 0xF120))   # WM_SYSCOMMAND, SC_RESTORE
    app.sync()
    harness.wait_until(lambda: app.window_rect() == (0, 0, 1600, 1000), 5, what="the window back in place")
    assert app.client_size() == (1594, 956)


def edit_menu_check_rows(app):
    """Opens the Edit menu and tells, for each of its items (the five of the
    resource, then Undo and Redo), whether a check mark shows in the margin
    left of the text."""
    before = app.s.screenshot_screen()
    # Clicked open, the menu highlights none of its items.
    dx, dy = app.desk()
    app.s.xdotool("mousemove", dx + 46, dy + 32, "click", 1)
    harness.wait_until(app.in_menu, 5, what="the Edit menu")
    def changed():
        after = app.s.screenshot_screen()
        return after if after.data != before.data else None
    harness.wait_until(changed, 5, what="the menu to show")
    after = app.s.screenshot_screen_stable()
    # The pop-up: the changed area below the menu bar.
    w = after.width
    rows = [y for y in range(42, after.height)
            if after.data[y * w * 3:(y + 1) * w * 3] != before.data[y * w * 3:(y + 1) * w * 3]]
    top, bottom = rows[0], rows[-1]
    cols = [x for x in range(w) if any(after.pixel(x, y) != before.pixel(x, y) for y in range(top, bottom, 3))]
    left, right = cols[0], cols[-1]
    popup = after.crop(left, top, right - left + 1, bottom - top + 1)
    # Item rows: bands of rows with dark text pixels.
    dark = lambda p: sum(p) < 200
    text_rows = [y for y in range(popup.height)
                 if any(dark(popup.pixel(x, y)) for x in range(20, popup.width - 4))]
    bands = []
    for y in text_rows:
        if bands and y <= bands[-1][1] + 2:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    marks = [any(dark(popup.pixel(x, y)) for x in range(3, 18) for y in range(b[0] - 2, b[1] + 3))
             for b in bands]
    app.key("Escape")
    app.key("Escape")
    return marks


def test_left_justified_and_horizontal_are_checked_at_start(app):
    marks = edit_menu_check_rows(app)
    # Edit Help, Left-justified, Right-justified, Horizontal, Vertical, Undo, Redo,
    # Show fields and Snap to fields (both off at start).
    assert marks == [False, True, False, True, False, False, False, False, False], marks


def test_close_box_ends_with_exit_code_0(app):
    assert app.close("closebox") == 0
    assert not app.is_alive()


def test_alt_f4_ends_with_exit_code_0(app):
    assert app.close("alt_f4") == 0


def test_closing_brings_the_window_behind_forward(ctx):
    notepad = os.path.join(harness.WINEPREFIX, "drive_c", "windows", "system32", "notepad.exe")
    behind = ctx.start_app(exe=notepad, window_class="Notepad")
    app = ctx.start_app()
    assert app.foreground()[1] == "Scrivelander"
    assert app.close() == 0
    harness.wait_until(lambda: behind.foreground()[1] == "Notepad", 5, what="notepad in front")
    behind.kill()


def test_any_settings_file_and_a_deep_start_up_folder_start_normally(ctx):
    # The settings file is read before anything shows: whatever it holds,
    # and however long the folder's path, the program starts and runs.
    deep = ctx.path(*(["d" * 60] * 5))
    os.makedirs(deep)
    cases = [
        (ctx.dir, "PrinterResolution=600"),
        (ctx.dir, "=" + "9" * 5000),
        (ctx.dir, "\0" * 70),
        (deep, "PrinterResolution=1200"),
    ]
    for folder, content in cases:
        with open(os.path.join(folder, "Scrivelander.ini"), "w") as f:
            f.write(content)
        app = ctx.start_app(cwd=folder)
        assert app.title() == "Scrivelander"
        assert app.close() == 0, (folder, content[:20])
