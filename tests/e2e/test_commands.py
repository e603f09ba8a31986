"""The mode, font and help commands: the six help boxes, F1, the check marks
of the entry modes and the refused mode, and the font dialog."""
import time

import bmpfiles
import forms
import harness
from resource_ids import (IDM_EDIT_HELP, IDM_FONT, IDM_HELP_ABOUT, IDM_HELP_ADVANCED, IDM_HELP_FORMULAS,
                          IDM_HELP_GHOSTSCRIPT, IDM_HELP_USING, IDM_HORIZONTAL, IDM_LEFT_JUSTIFIED,
                          IDM_RIGHT_JUSTIFIED, IDM_VERTICAL, IDM_ZOOM_IN)
from test_placing import entries, place
from test_startup import edit_menu_check_rows

USAGE = [
    "Either select File -Convert .pdf to .bmp\n(see Help -GhostScript)\nor scan a form and save it as a .bmp file\nand then select File -Open .bmp file.",
    "Press '+' or '-' to zoom in or zoom out.",
    "Press and hold the Left Mouse button\nwhile moving the mouse to scroll the\nform, or use the Arrow keys,\nor use the mousewheel to scroll up/down,\nor the mousewheel with the Ctrl key down\nto scroll left/right.",
    "To enter text, press and hold the Right\nMouse button, move the Edit Box with the\nMouse to where you want it, and then\nrelease the Mouse button.",
    "Use the Backspace key to delete while entering.\nPress Enter to save text, or Esc to cancel.",
    "To delete an entry, put the Mouse pointer\nover it, and press the Delete key.",
    "To move already entered text, move the\nmouse pointer over the entered text\nand then press the Right Mouse button,\nand before releasing the Right Mouse button,\nmove the mouse.",
    "All your entries are saved in a .dta file\n(e.g. 1040.dta for a file named 1040.bmp),\nand when you reload the form, all entries\nare loaded with it.",
]

# The second paragraph is checked apart: its address line is ours to choose.
GHOSTSCRIPT = [
    "GhostScript will convert a .pdf file to a .bmp file\n(or a series of .bmp files) with the same name,\nbut with a number added at the end for each page.\nFor example, a one-page file named Document.pdf\nwill be converted to Document1.bmp.",
    None,
    "Install it at:\nC:/Program Files/gs/\n(Scrivelander looks for it there).\nIf you have 64-bit Windows 7, move the\ngs folder from Program Files (x86) to\nProgram Files.",
]

ADVANCED = [
    "Scan a form at the same dpi (dots per inch) as your printer uses, if possible.",
    "At 300 dpi, an 8 1/2 by 11 inch piece of paper will be 2,550 dots across. A computer\nscreen with a 1024 by 768 resolution will be 1,024 pixels (or dots) across. That's a\ntypical relationship between a printed page and a computer screen.",
    "If you hold an Arrow key down, the screen scrolls faster the longer you hold it down.",
    "If you load saved form entries, the default font will be set to the first entry's font.",
    "You can run this program multiple times and switch between them to show different pages.",
    "Older Windows operating systems are limited to the size of a .bmp file of about 16\nMegabytes. A .bmp file bigger than that is probably color, which normally uses 3\nbytes/pixel. You can reduce its size to 1/3 of its current size by opening your color\n.bmp file in Paint and then saving it as a 256 color .bmp file, which uses 1 byte/pixel.",
    "Selected font colors will be saved if the form itself is in color.",
]

FORMULAS = [
    "If you enter a # followed by a number (e.g. #1),\nthat will tell Scrivelander that it's a formula\nentry. If you enter something like #1=5,\n(don't put any spaces in a formula)\nthen 5 will be assigned to #1, so that later\nyou can enter #2=#1, and #2 will equal 5.\nYou can also enter #3=#2+7/2, and #3 will\nequal 6. Scrivelander adds, subtracts, multiplies,\nand divides numbers from left to right.",
    "Sorry, no decimal points. This is integer math only.",
    "Results are rounded down to the nearest whole number.",
    "When you press Enter after entering a formula,\nthe result of the formula will replace the formula.",
    "BUT, the formula will still be displayed if it:\n  can't find a reference number (e.g.#1),\n  contains non-numbers,\n  creates a negative number,\n  contains a bad operation like divide by zero,\n  has no equal sign,\n  would cause an infinite loop.",
    "If you move the Mouse pointer over a number\ncreated by a formula, its formula will be\ndisplayed on the Title bar.",
]

# Version and date; the two credit lines after them are ours to choose.
ABOUT = [None]

EDIT = [
    "To edit an input, move the Mouse pointer over it\nand press and hold the Right Mouse button to move it\nwhere you want it moved, and release the button.",
    "Edit it (using the Backspace key to delete)\nand then press Enter to save, or Esc to delete.",
]

HELP_BOXES = [
    (IDM_HELP_USING, "Help", USAGE),
    (IDM_HELP_GHOSTSCRIPT, "GhostScript", GHOSTSCRIPT),
    (IDM_HELP_ADVANCED, "Advanced", ADVANCED),
    (IDM_HELP_FORMULAS, "Formula Help", FORMULAS),
    (IDM_HELP_ABOUT, "Scrivelander", ABOUT),
    (IDM_EDIT_HELP, "Edit Help", EDIT),
]

REFUSAL = ("Sorry", "I didn't write any right-justified vertical entry routines.")


def check_paragraphs(caption, text, expected):
    paragraphs = text.split("\n\n")
    assert len(paragraphs) == len(expected), (caption, len(paragraphs))
    for i, (got, want) in enumerate(zip(paragraphs, expected)):
        if want is not None:
            assert got == want, (caption, i, got)
    if caption == "GhostScript":
        lead, address = paragraphs[1].split("\n")
        assert lead == "Get the free GhostScript at:", lead
        assert address.startswith("https://") and " " not in address, address
    if caption == "Scrivelander":
        lines = paragraphs[0].split("\n")
        assert lines[:2] == ["Version 2.96", "Mar 16, 2012"], lines
        assert len(lines) == 4 and all(line.strip() for line in lines[2:]), lines


def only_ok_button(app):
    boxes = [d for d in app.dialogs() if d.text is not None]
    assert len(boxes) == 1, boxes
    assert [b[1] for b in boxes[0].buttons] == ["OK"], boxes[0].buttons


def main_window_has_focus(app):
    harness.wait_until(lambda: app.focus()[1] == "Scrivelander", 5,
                       what="the focus back on the main window (now %r)" % (app.focus(),))


def test_each_help_command_shows_its_text_under_its_caption(app):
    for command, caption, expected in HELP_BOXES:
        app.post_command(command)
        got_caption, text = app.wait_msgbox()
        assert got_caption == caption, (command, got_caption)
        check_paragraphs(caption, text, expected)
        only_ok_button(app)
        app.dismiss_msgbox()
        main_window_has_focus(app)
    assert app.close() == 0


def test_f1_opens_the_same_box_as_help_using(app):
    app.key("F1")
    assert app.wait_msgbox() == ("Help", "\n\n".join(USAGE))
    app.dismiss_msgbox()
    main_window_has_focus(app)
    # Again, to see that closing the box left the window ready for F1.
    app.key("F1")
    assert app.wait_msgbox()[0] == "Help"
    app.dismiss_msgbox()


def test_help_boxes_open_from_the_menus(app):
    for keys, caption in ((("alt+h", "a"), "Scrivelander"), (("alt+e", "h"), "Edit Help"),
                          (("alt+h", "f"), "Formula Help"), (("alt+h", "i"), "Filling fields")):
        app.key(keys[0])
        harness.wait_until(app.in_menu, 5, what="the menu")
        app.key(keys[1])
        assert app.wait_msgbox()[0] == caption
        app.dismiss_msgbox()
        main_window_has_focus(app)


def mode_step(app, command, refused):
    """Posts a mode command; answers the "Sorry" box if it comes, and checks
    that it came exactly when expected."""
    app.post_command(command)
    app.sync()
    if refused:
        assert app.wait_msgbox() == REFUSAL
        only_ok_button(app)
        app.dismiss_msgbox()
    else:
        assert app.msgbox() is None, app.msgbox()


# Check marks in the Edit menu: Edit Help, Left-justified, Right-justified,
# Horizontal, Vertical, then Undo and Redo, which never carry one.
# The Edit menu's rows; the last two, Show fields and Snap to fields, stay off.
LEFT_HORIZONTAL = [False, True, False, True, False, False, False, False, False]
RIGHT_HORIZONTAL = [False, False, True, True, False, False, False, False, False]
LEFT_VERTICAL = [False, True, False, False, True, False, False, False, False]

MODE_STEPS = [
    (IDM_RIGHT_JUSTIFIED, False, RIGHT_HORIZONTAL),
    (IDM_VERTICAL, True, RIGHT_HORIZONTAL),       # right-justified vertical: refused
    (IDM_LEFT_JUSTIFIED, False, LEFT_HORIZONTAL),
    (IDM_VERTICAL, False, LEFT_VERTICAL),
    (IDM_RIGHT_JUSTIFIED, True, LEFT_VERTICAL),  # refused until horizontal is chosen
    (IDM_VERTICAL, False, LEFT_VERTICAL),         # the mode already set: nothing changes
    (IDM_HORIZONTAL, False, LEFT_HORIZONTAL),
    (IDM_RIGHT_JUSTIFIED, False, RIGHT_HORIZONTAL),
]


DOUBLE_CLICK_TIME = 0.5     # Wine's default, in seconds


def check_marks(app):
    # A second click on the menu bar within the double-click time is a double
    # click, which opens no menu: let that time pass since the last look.
    last = getattr(app, "last_menu_click", None)
    if last is not None:
        time.sleep(max(0.0, last + DOUBLE_CLICK_TIME + 0.1 - time.monotonic()))
    marks = edit_menu_check_rows(app)
    app.last_menu_click = time.monotonic()
    harness.wait_until(lambda: not app.in_menu(), 5, what="the Edit menu to close")
    return marks


def test_mode_commands_move_the_check_marks_and_refuse_right_justified_vertical(app):
    assert check_marks(app) == LEFT_HORIZONTAL
    for command, refused, marks in MODE_STEPS:
        mode_step(app, command, refused)
        assert check_marks(app) == marks, (command, marks)
    assert app.close() == 0


def control_text(dialog, control_id):
    for c in dialog.controls:
        if c[0] == control_id:
            return c[2]
    raise AssertionError("no control %d in %r" % (control_id, dialog))


SIZE_BOX, COLOUR_BOX = 1138, 1139     # the font dialog's size and colour combo boxes


def open_font_dialog(app):
    app.post_command(IDM_FONT)
    dialog = app.wait_dialog(5, lambda d: d.caption == "Font", "the font dialog")
    harness.wait_until(lambda: app.foreground() == ("Font", "#32770"), 5,
                       what="the font dialog to have the focus")
    return dialog


def choose_in_font_dialog(app, size, colour_steps):
    """Types a size and moves down the colour list, as a user would."""
    app.key("alt+s")
    app.key("Home", "shift+End")
    app.type(size)
    app.key("alt+c")
    for _ in range(colour_steps):
        app.key("Down")


def test_font_dialog_keeps_what_was_confirmed_and_forgets_what_was_cancelled(ctx):
    # The dialog opens, closes either way, opens again on what was confirmed
    # last, and the form stays as it was.
    app = ctx.start_app()
    for bits in (1, 24):
        name = "form%d.bmp" % bits
        app.open_bmp(ctx.write(name, forms.small_form(bits)), via="command")
        app.wait_title(name)
        app.sync()
        before = app.screenshot_stable()

        colour_before = control_text(open_font_dialog(app), COLOUR_BOX)
        size = "12" if bits == 1 else "14"
        choose_in_font_dialog(app, size, 1)
        app.key("Return")
        app.wait_no_dialog()
        app.sync()
        assert app.screenshot_stable().data == before.data, bits

        dialog = open_font_dialog(app)
        assert control_text(dialog, SIZE_BOX) == size, bits
        chosen_colour = control_text(dialog, COLOUR_BOX)
        assert chosen_colour != colour_before, bits
        # Only the size is changed here: Wine's dialog hands back a colour
        # picked in its list even when cancelled.
        choose_in_font_dialog(app, "30", 0)
        app.click_button("Font", "Cancel")
        app.wait_no_dialog()

        dialog = open_font_dialog(app)
        assert control_text(dialog, SIZE_BOX) == size, bits
        assert control_text(dialog, COLOUR_BOX) == chosen_colour, bits
        app.click_button("Font", "OK")
        app.wait_no_dialog()
        app.sync()
        assert app.title() == name
        assert app.screenshot_stable().data == before.data, bits
    assert app.close() == 0


MAROON = (128, 0, 0)      # one step down the dialog's colour list from black


def white_form(bits, width=600, height=400):
    return bmpfiles.raw_bmp(width, height, bits, [b"\xff" * bmpfiles.stride(width, bits)] * height)


def test_new_entries_take_the_chosen_font_and_on_a_colour_form_its_colour(ctx):
    # (form depth, colour index stored with the entry, colour of its ink,
    # colour that must not show)
    for bits, colour_index, ink, absent in ((1, 0, (0, 0, 0), MAROON), (24, 1, MAROON, (0, 0, 0))):
        name = "white%d" % bits
        form = ctx.write(name + ".bmp", white_form(bits))
        app = ctx.start_app()
        app.open_bmp(form, via="command")
        app.post_command(IDM_ZOOM_IN)               # full size
        open_font_dialog(app)
        choose_in_font_dialog(app, "12", 1)
        app.key("Return")
        app.wait_no_dialog()
        place(app, 100, 100, "Ink")
        [record] = entries(ctx, name + ".dta")
        # 12 points at 96 dpi are 16 pixels; a record keeps half the height.
        assert (record["text"], record["size"], record["colour"]) == ("Ink", 8, colour_index), (bits, record)
        shot = app.screenshot_stable()
        assert shot.count(ink, tolerance=8) > 0, bits
        assert shot.count(absent, tolerance=8) == 0, bits
        assert app.close() == 0


def test_help_while_editing_an_entry(ctx):
    form = ctx.write("form.bmp", white_form(1))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    place(app, 100, 100, "Draft", key=None)
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the edit box")
    # F1 goes to the edit box then, and shows nothing.
    app.key("F1")
    app.sync()
    assert app.msgbox() is None
    assert app.focus()[1] == "Edit"
    # A help command ends the edit without storing it; afterwards the keyboard
    # is the main window's.
    app.post_command(IDM_EDIT_HELP)
    assert app.wait_msgbox()[0] == "Edit Help"
    app.dismiss_msgbox()
    main_window_has_focus(app)
    assert entries(ctx) == []
    assert app.close() == 0
