"""Printer calibration: stored offsets, scales and the paper's corner move
and stretch the printed page; the dialog checks and saves the values; the
test sheet's marks lie where they say. Pages are printed into the CUPS PDF
queues and measured at 300 dpi."""
import os

import entryfiles
import ghostscript
import harness
import printing
from resource_ids import (IDC_CAL_OFFSET_X, IDC_CAL_OFFSET_Y, IDC_CAL_PAPER_CORNER, IDC_CAL_PRINTER, IDC_CAL_SCALE_X,
                          IDC_CAL_SCALE_Y, IDC_CAL_TRUE_SIZE, IDM_PRINT, IDM_PRINT_CALIBRATION)
from test_print import H, W, confirm_print_dialog, open_for_print, print_through_dialogs, printer_caps

DIALOG = "Print calibration"
CALIBRATION_FILE = "Scrivelander-calibration.ini"
SCANNED = "Scanner resolution was 300 dpi"
BLOCK = (100, 100, 200, 150)   # the black block inside the framed form


def p_over_s(ctx):
    """The printer's resolution as the program scales by it, over the form's 300 dpi."""
    return int(printer_caps(ctx)["physicalwidth"]) * 10 // 88, 300


def print_form(app, mark, printer=None):
    """Prints the open form; returns the page of the PDF holding `mark`."""
    before = printing.printed_pdfs()
    print_through_dialogs(app, SCANNED, printer=printer)
    return printing.page_image(printing.wait_pdf_with(before, mark))


def calibrated_form(ctx, calibration=None):
    """The framed 300 dpi form with one entry, its calibration file, and the
    program showing it. Returns (app, mark, entry region on the form)."""
    mark = printing.marker()
    if calibration is not None:
        ctx.write(CALIBRATION_FILE, calibration)
    app = open_for_print(ctx, entries=[entryfiles.record(300, 250, mark, width=100, height=35)])
    return app, mark, (290, 240, 560, 300)


def scaled(box, p, s):
    return tuple(v * p // s for v in box)


def test_a_stored_offset_moves_the_frame_and_the_entries(ctx):
    app, mark, entry = calibrated_form(ctx)
    p, s = p_over_s(ctx)
    plain = print_form(app, mark)
    ctx.write(CALIBRATION_FILE, "[ScrivelanderPDF]\r\nOffsetX=5\r\nOffsetY=-3\r\n")
    moved = print_form(app, mark)
    # 5 mm and -3 mm at 300 dots per inch: 59 and -35 device pixels.
    dx, dy = 59, -35
    for name, region in (("block", scaled(BLOCK, p, s)), ("entry", scaled(entry, p, s))):
        before = printing.ink_box(plain, region=region)
        after = printing.ink_box(moved, region=(region[0] + dx, region[1] + dy, region[2] + dx, region[3] + dy))
        assert before and after, name
        assert all(abs(a - b - d) <= 1 for a, b, d in zip(after, before, (dx, dy, dx, dy))), (name, before, after)
    # The frame's left edge moved in; its top edge went off the paper.
    frame = printing.ink_box(moved)
    assert frame[0] == dx and frame[1] == 0 and abs(frame[3] - (H * p // s + dy)) <= 1, frame


def test_a_98_percent_scale_shrinks_the_extent(ctx):
    app, mark, entry = calibrated_form(ctx, "[ScrivelanderPDF]\r\nScaleX=98\r\nScaleY=98\r\n")
    p, s = p_over_s(ctx)
    page = print_form(app, mark)
    frame = printing.ink_box(page)
    width, height = round(W * p // s * 0.98), round(H * p // s * 0.98)
    assert frame[:2] == (0, 0) and abs(frame[2] - width) <= 1 and abs(frame[3] - height) <= 1, (frame, width, height)
    block = printing.ink_box(page, region=(80, 80, 250, 200))
    assert all(abs(v - round(b * p // s * 0.98)) <= 1 for v, b in zip(block, BLOCK)), block
    # The entry shrinks toward the corner with the picture.
    text = printing.ink_box(page, region=scaled(entry, p, s))
    assert round(300 * p // s * 0.98) <= text[0] <= round(300 * p // s * 0.98) + 6, text


def test_start_at_the_papers_corner_puts_the_frame_at_the_papers_corner(ctx):
    app, mark, _ = calibrated_form(ctx)
    # The printable area of this printer starts 75 and 50 pixels in...
    frame = printing.ink_box(print_form(app, mark, printer=printing.MARGINS_QUEUE))
    assert frame[:2] == (printing.MARGIN_X, printing.MARGIN_Y), frame
    # ... and with the box checked for it, the form starts at the paper's corner.
    ctx.write(CALIBRATION_FILE, "[ScrivelanderMargins]\r\nPaperCorner=1\r\n")
    corner = printing.ink_box(print_form(app, mark, printer=printing.MARGINS_QUEUE))
    assert corner == (0, 0, frame[2] - printing.MARGIN_X, frame[3] - printing.MARGIN_Y), (corner, frame)


def test_a_stored_value_that_is_not_valid_stops_the_print_with_a_message(ctx):
    app, mark, _ = calibrated_form(ctx, "[ScrivelanderPDF]\r\nScaleX=abc\r\n")
    before = printing.printed_pdfs()
    app.post_command(IDM_PRINT)
    app.dismiss_msgbox()
    confirm_print_dialog(app)
    app.wait_msgbox(10)
    app.dismiss_msgbox()   # the printer's resolution
    assert app.wait_msgbox() == (DIALOG, 'The calibration of the printer "ScrivelanderPDF" in '
                                 'Scrivelander-calibration.ini is not valid:\nThe horizontal scale must be a '
                                 'percentage from 50 to 200, such as 98.5.\n"abc" is not a number.\nCorrect it '
                                 'with Print calibration... in the File menu.')
    app.dismiss_msgbox()
    # Corrected, the next print is the only one to arrive.
    ctx.write(CALIBRATION_FILE, "[ScrivelanderPDF]\r\nScaleX=100\r\n")
    print_through_dialogs(app, SCANNED)
    printing.wait_pdf_with(before, mark)
    assert len([f for f in printing.printed_pdfs() - before if mark in printing.pdf_text(f)]) == 1


def test_true_size_prints_at_the_printers_own_resolution(ctx):
    mark = printing.marker()
    printing.ensure_printer(ctx.session)
    caps = printer_caps(ctx)
    dpi = int(caps["logpixelsx"])
    ctx.write(CALIBRATION_FILE, "[ScrivelanderPDF]\r\nTrueSize=1\r\n")
    app = open_for_print(ctx, dpi=150, entries=[entryfiles.record(300, 250, mark, width=100, height=35)])
    before = printing.printed_pdfs()
    _, text, _ = print_through_dialogs(app, "Scanner resolution was 150 dpi")
    # The printer message tells the printer's own figure, not its page width / 8.8.
    assert text == "Printer resolution is %d dpi\n" % dpi, text
    page = printing.page_image(printing.wait_pdf_with(before, mark))
    frame = printing.ink_box(page)
    assert frame[:2] == (0, 0) and abs(frame[2] - W * dpi // 150) <= 1 and abs(frame[3] - H * dpi // 150) <= 1, \
        (frame, dpi)

    # The dialog shows the box checked; its test sheet's 100 mm bar goes through
    # a form's scaling and so is 100 mm long at true size.
    open_dialog(app)
    assert checked(app, IDC_CAL_TRUE_SIZE) == 1
    before = printing.printed_pdfs()
    app.click_button(DIALOG, "Print test sheet")
    pdf = printing.wait_pdf_with(before, "calibration sheet for ScrivelanderPDF")
    assert "100 mm of a form as forms print (%d dpi across, %d dpi down)" % (dpi, dpi) in \
        " ".join(printing.pdf_text(pdf).split())
    row = 800 * dpi // 254   # 80 mm down a form of 254 dpi
    bar = printing.ink_box(printing.page_image(pdf), region=(200, row - 1, 2400, row + 2))
    assert abs((bar[2] - bar[0]) - 100 * 300 / 25.4) <= 2, bar
    # Unchecked and saved, the printer's section no longer has it.
    ghostscript.click_control(app, IDC_CAL_TRUE_SIZE, DIALOG)
    harness.wait_until(lambda: checked(app, IDC_CAL_TRUE_SIZE) == 0, 5, what="the box unchecked")
    app.click_button(DIALOG, "OK")
    app.wait_no_dialog()
    with open(os.path.join(ctx.dir, CALIBRATION_FILE), "rb") as f:
        assert b"TrueSize" not in f.read()


# ---- the dialog

def open_dialog(app, via="command"):
    if via == "keys":
        # The File menu's sixth item from its end, before the three page
        # items, Print from table and Save as PDF.
        app.key("alt+f")
        harness.wait_until(app.in_menu, 5, what="the File menu")
        app.key("Up", "Up", "Up", "Up", "Up", "Up", "Return")
    else:
        app.post_command(IDM_PRINT_CALIBRATION)
    app.wait_dialog(10, lambda d: d.caption == DIALOG, "the calibration dialog")
    harness.wait_until(lambda: app.foreground()[0] == DIALOG, 5, what="the calibration dialog in front")


def boxes(app):
    """What the dialog shows: printer, the four values, the check box; and the
    id of the control with the focus."""
    _, controls, focus = ghostscript.controls(app, DIALOG)
    by_id = {c["id"]: c for c in controls}
    shown = [by_id[i]["text"] for i in range(IDC_CAL_PRINTER, IDC_CAL_PAPER_CORNER)]
    return shown + [by_id[IDC_CAL_PAPER_CORNER]["checked"]], focus


def checked(app, box):
    _, controls, _ = ghostscript.controls(app, DIALOG)
    return {c["id"]: c for c in controls}[box]["checked"]


def type_into(app, box, text):
    lines, rc = app.s.probe.call("set-text %s %d %s" % (harness.quote(DIALOG), box, harness.quote(text)))
    assert rc == 0, lines


def message_over_dialog(app):
    """The message box the dialog shows over itself (the same caption, but no
    boxes to type in): its text, once it has been answered with Enter."""
    d = app.wait_dialog(5, lambda d: d.caption == DIALOG and d.text is not None
                        and not any(c[1] == "Edit" for c in d.controls), "a message over the dialog")
    harness.wait_until(lambda: int(app.window()["foreground"].split()[0], 16) == d.hwnd, 5,
                       what="the message in front")
    app.key("Return")
    harness.wait_until(lambda: all(x.hwnd != d.hwnd for x in app.dialogs()), 5, what="the message to close")
    return d.text


def test_bad_values_are_refused_and_nothing_is_saved(ctx):
    printing.ensure_printer(ctx.session)
    app = ctx.start_app()
    open_dialog(app)
    assert boxes(app) == (["ScrivelanderPDF", "0", "0", "100", "100", 0], IDC_CAL_OFFSET_X)
    cases = [
        (IDC_CAL_OFFSET_X, "abc", "The X offset must be a number of millimetres, such as 2.5 or -3.\n"
                              "\"abc\" is not a number."),
        (IDC_CAL_OFFSET_Y, "", "The Y offset must be a number of millimetres, such as 2.5 or -3."),
        (IDC_CAL_SCALE_X, "0", "The horizontal scale is 0 %; it must be from 50 to 200 %."),
        (IDC_CAL_SCALE_Y, "200.5", "The vertical scale is 200.5 %; it must be from 50 to 200 %."),
        (IDC_CAL_SCALE_Y, "49", "The vertical scale is 49 %; it must be from 50 to 200 %."),
        # The PDF queue's paper is A4, 209.89 mm by 297.01.
        (IDC_CAL_OFFSET_X, "-215", "The X offset of -215 mm is beyond the paper, which is 209.89 mm wide."),
        (IDC_CAL_OFFSET_Y, "300", "The Y offset of 300 mm is beyond the paper, which is 297.01 mm high."),
    ]
    for box, text, message in cases:
        type_into(app, box, text)
        app.click_button(DIALOG, "OK")
        assert message_over_dialog(app) == message, text
        # The dialog stays, with the box at fault to correct.
        harness.wait_until(lambda: boxes(app)[1] == box, 5, what="the focus on box %d" % box)
        type_into(app, box, {IDC_CAL_SCALE_X: "100", IDC_CAL_SCALE_Y: "100"}.get(box, "0"))
    # The test sheet is refused the same way.
    type_into(app, IDC_CAL_SCALE_X, "x")
    app.click_button(DIALOG, "Print test sheet")
    assert message_over_dialog(app).startswith("The horizontal scale must be a percentage")
    app.click_button(DIALOG, "Cancel")
    app.wait_no_dialog()
    assert not os.path.exists(os.path.join(ctx.dir, CALIBRATION_FILE))


def test_ok_saves_the_printers_section_and_keeps_the_others(ctx):
    printing.ensure_printer(ctx.session)
    others = "; kept as it is\r\n[Office Laser]\r\nOffsetX=1.5\r\n"
    ctx.write(CALIBRATION_FILE, others)
    app = ctx.start_app()
    open_dialog(app, via="keys")
    for box, text in ((IDC_CAL_OFFSET_X, "5"), (IDC_CAL_OFFSET_Y, "-3,25"), (IDC_CAL_SCALE_X, " 98.50 "), (IDC_CAL_SCALE_Y, "100")):
        type_into(app, box, text)
    ghostscript.click_control(app, IDC_CAL_PAPER_CORNER, DIALOG)
    harness.wait_until(lambda: boxes(app)[0][5] == 1, 5, what="the check box checked")
    app.click_button(DIALOG, "OK")
    app.wait_no_dialog()
    with open(os.path.join(ctx.dir, CALIBRATION_FILE), "rb") as f:
        assert f.read() == (others + "[ScrivelanderPDF]\r\nOffsetX=5\r\nOffsetY=-3.25\r\nScaleX=98.5\r\n"
                            "ScaleY=100\r\nPaperCorner=1\r\n").encode()
    # Opened again, the dialog shows what was saved.
    open_dialog(app)
    assert boxes(app)[0] == ["ScrivelanderPDF", "5", "-3.25", "98.5", "100", 1]
    app.click_button(DIALOG, "Cancel")
    app.wait_no_dialog()


def crosshair(page, x, y):
    """The centre of the cross drawn near (x, y): the middle of its vertical
    arm above the centre and of its horizontal arm left of it."""
    width, _, data = page
    columns = [c for c in range(x - 40, x + 40) if any(data[r * width + c] < 128 for r in range(y - 50, y - 20))]
    rows = [r for r in range(y - 40, y + 40) if any(data[r * width + c] < 128 for c in range(x - 50, x - 20))]
    assert columns and rows, (x, y)
    return (columns[0] + columns[-1] + 1) / 2, (rows[0] + rows[-1] + 1) / 2


def test_the_test_sheet_marks_are_where_they_say(ctx):
    printing.ensure_printer(ctx.session)
    app = open_for_print(ctx)
    # The printer chosen in the print dialog is the one calibrated.
    print_through_dialogs(app, SCANNED, printer=printing.MARGINS_QUEUE, confirm=False)
    open_dialog(app, via="keys")
    assert boxes(app)[0][0] == printing.MARGINS_QUEUE
    before = printing.printed_pdfs()
    app.click_button(DIALOG, "Print test sheet")
    pdf = printing.wait_pdf_with(before, "calibration sheet for " + printing.MARGINS_QUEUE)
    text = " ".join(printing.pdf_text(pdf).split())
    page = printing.page_image(pdf)
    pixels = lambda mm: mm * 300 / 25.4
    # A4: crosses 30 mm in from the left and top, at 170 mm across and 260 mm down.
    for x, y in ((30, 30), (170, 30), (30, 260), (170, 260)):
        assert "x %d mm, y %d mm" % (x, y) in text, text
        cx, cy = crosshair(page, round(pixels(x)), round(pixels(y)))
        assert abs(cx - pixels(x)) <= 2 and abs(cy - pixels(y)) <= 2, ((x, y), (cx, cy))
    # The top ruler's 50 mm tick, on the paper's corner despite the printer's margin.
    tick = printing.ink_box(page, region=(round(pixels(48)), round(pixels(5.5)), round(pixels(52)),
                                          round(pixels(7.5))))
    assert abs((tick[0] + tick[2]) / 2 - pixels(50)) <= 2, tick
    # Printing the sheet saves nothing.
    app.click_button(DIALOG, "Cancel")
    app.wait_no_dialog()
    assert not os.path.exists(os.path.join(ctx.dir, CALIBRATION_FILE))
