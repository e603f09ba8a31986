"""Printing through the real print path: Wine's spooler into a CUPS queue
that writes PDFs, read back at 300 dpi."""
import time

import bmpfiles
import entryfiles
import harness
import printing
from resource_ids import IDM_PRINT, IDM_ZOOM_IN

W, H = 600, 400
PRINTER_LIST = 1139   # the print dialog's list of printers


def framed(x, y):
    """A thick black frame round the form, and a black block inside."""
    if x < 6 or y < 6 or x >= W - 6 or y >= H - 6:
        return (0, 0, 0)
    if 100 <= x < 200 and 100 <= y < 150:
        return (0, 0, 0)
    return (255, 255, 255)


def open_for_print(ctx, dpi=300, mode="bmp", entries=()):
    printing.ensure_printer(ctx.session)
    form = ctx.write("form.bmp", bmpfiles.bmp_bytes(W, H, 1, framed, dpi=dpi))
    if entries:
        ctx.write("form.dta", entryfiles.entry_file(*entries))
    app = ctx.start_app()
    app.open_bmp(form, mode=mode, via="command")
    app.sync()
    return app


def printer_caps(ctx):
    return ctx.session.probe.kv("printer")


def choose_printer(app, name):
    """In the print dialog: pick the printer `name` from its list."""
    lines, rc = app.s.probe.call("select-combo %s %d %s" % (harness.quote("Print"), PRINTER_LIST,
                                                            harness.quote(name)))
    assert rc == 0, lines
    harness.wait_until(lambda: any(c[0] == PRINTER_LIST and c[2] == name
                                   for d in app.dialogs() if d.caption == "Print" for c in d.controls),
                       5, what="the printer %s chosen" % name)


def confirm_print_dialog(app, printer=None):
    """The print dialog: wait for it, pick `printer` if given, press OK.
    Returns the dialog as it first showed."""
    dialog = app.wait_dialog(10, lambda d: d.caption == "Print", "the print dialog")
    if printer:
        choose_printer(app, printer)
    harness.wait_until(lambda: app.foreground()[0] == "Print", 5, what="the print dialog in front")
    app.key("Return")
    return dialog


def print_through_dialogs(app, scanner_text, scanner_caption="Info", confirm=True, printer=None):
    app.post_command(IDM_PRINT)
    caption, text = app.wait_msgbox()
    assert (caption, text) == (scanner_caption, scanner_text), (caption, text)
    app.dismiss_msgbox()
    dialog = confirm_print_dialog(app, printer)
    caption, text = app.wait_msgbox(10)
    app.dismiss_msgbox("Return" if confirm else "Escape")
    return caption, text, dialog


def test_a_300_dpi_form_prints_at_paper_size_with_its_entries(ctx):
    entry = entryfiles.record(300, 250, "Printed", width=100, height=35)
    app = open_for_print(ctx, entries=[entry])
    caps = printer_caps(ctx)
    physical = int(caps["physicalwidth"])
    before = printing.printed_pdfs()
    caption, text, _ = print_through_dialogs(app, "Scanner resolution was 300 dpi")
    shown = "%.0f" % (physical / 8.8)
    assert (caption, text) == ("Info", "Printer resolution is %s dpi\n" % shown), (caption, text)
    page = printing.page_image(printing.wait_new_pdf(before))
    p, s = int(physical / 8.8), 300
    frame = printing.ink_box(page)
    assert frame is not None
    width, height = frame[2] - frame[0], frame[3] - frame[1]
    assert abs(width - W * p // s) <= 2 and abs(height - H * p // s) <= 2, (frame, W * p // s, H * p // s)
    # The entry is inside the frame, right of the block, where it stands on the form.
    left, top = frame[0], frame[1]
    inside = printing.ink_box(page, region=(left + 280 * p // s, top + 240 * p // s,
                                            left + 480 * p // s, top + 300 * p // s))
    assert inside is not None, "the entry is missing from the page"


def test_the_original_form_mode_prints_only_the_entries(ctx):
    entry = entryfiles.record(300, 250, "Only me", width=100, height=35)
    app = open_for_print(ctx, mode="original", entries=[entry])
    physical = int(printer_caps(ctx)["physicalwidth"])
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution was 300 dpi")
    page = printing.page_image(printing.wait_new_pdf(before))
    p = int(physical / 8.8)
    ink = printing.ink_box(page)
    assert ink is not None
    # No frame: the only ink is the entry's, which starts at x 300 of the form.
    width = ink[2] - ink[0]
    assert width < 200 * p // 300, ink


def test_an_unknown_resolution_prints_the_view_unscaled(ctx):
    app = open_for_print(ctx, dpi=0, entries=[entryfiles.record(300, 250, "Shown", width=100, height=35)])
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution is unknown,\nso printer output size may not be correct.",
                          scanner_caption="Error")

    def as_the_window_shows_it(pdf):
        # At half size the window shows the 600 x 400 form as 300 x 200, and
        # the entry, at (300, 250) on the form, in the picture's pixels.
        page = printing.page_image(pdf)
        frame = printing.ink_box(page)
        return (frame and abs((frame[2] - frame[0]) - W // 2) <= 2 and abs((frame[3] - frame[1]) - H // 2) <= 2
                and printing.ink_box(page, region=(145, 120, 260, 150)) is not None
                and printing.pdf_text(pdf).split() == [])
    # Printed without text, the page is told from other people's by what it shows.
    printing.wait_pdf_where(before, as_the_window_shows_it, "the window's view, printed")


def test_cancel_at_the_printer_resolution_prints_nothing(ctx):
    app = open_for_print(ctx)
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution was 300 dpi", confirm=False)
    app.sync()
    time.sleep(harness.scaled(2))   # a job, had one been sent, would have reached the queue by now
    assert printing.printed_pdfs() == before
    assert printing.jobs_pending() == ""
    assert app.is_alive()


# Entries of a 150 dpi form, each with the region of the form it is drawn in
# and which of its edges the entry's anchor holds. The far edges follow the
# font's widths at the printer's size, which are not quite proportional.
TEXT_ENTRIES = [
    (dict(x=250, y=40, text="Placed here", width=100, height=35), (240, 30, 500, 80), "left top"),
    (dict(x=550, y=200, text="Righty", width=120, height=35, right=1), (400, 190, 560, 240), "left top"),
    (dict(x=550, y=260, text="#1=1234", width=150, height=35, right=1), (400, 250, 560, 300), "right top"),
    (dict(x=60, y=380, text="Upward", width=90, height=35, vertical=1), (50, 250, 120, 393), "left bottom"),
]


def test_entries_print_as_text_where_they_stand_on_the_form(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    records = [entryfiles.record(**fields) for fields, _, _ in TEXT_ENTRIES]
    records.append(entryfiles.record(250, 320, mark, width=100, height=35))
    form = ctx.write("form.bmp", bmpfiles.bmp_bytes(W, H, 1, framed, dpi=150))
    ctx.write("form.dta", entryfiles.entry_file(*records))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.post_command(IDM_ZOOM_IN)  # full size: the screen shows the form's own pixels
    app.sync()
    shot = app.screenshot_stable()
    physical = int(printer_caps(ctx)["physicalwidth"])
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution was 150 dpi")
    pdf = printing.wait_pdf_with(before, mark)

    # The text is in the PDF: formulas as their values.
    text = " ".join(printing.pdf_text(pdf).split())
    for shown in ("Placed here", "Righty", "1234", "Upward", mark):
        assert shown in text, (shown, text)
    assert "#1" not in text, text
    page = printing.page_image(pdf)
    p, s = physical * 10 // 88, 150
    frame = printing.ink_box(page)
    assert frame[:2] == (0, 0) and abs(frame[2] - W * p // s) <= 1, frame
    for fields, region, anchored in TEXT_ENTRIES:
        left, top, right, bottom = region
        on_screen = shot.crop(left, top, right - left, bottom - top).bbox((0, 0, 0), tolerance=127)
        assert on_screen is not None, fields["text"]
        expected = [(v + o) * p / s for v, o in zip(on_screen, (left, top, left, top))]
        printed = printing.ink_box(page, region=tuple(v * p // s for v in region))
        assert printed is not None, "%s is missing from the page" % fields["text"]
        # The anchored edges land within two device pixels of the screen's,
        # scaled; the far ones within 3 % of the entry's length.
        extent = max(expected[2] - expected[0], expected[3] - expected[1])
        for edge, name in enumerate(("left", "top", "right", "bottom")):
            slack = 2 if name in anchored else 2 + 0.03 * extent
            assert abs(printed[edge] - expected[edge]) <= slack, (fields["text"], name, printed, expected)
    # The picture on the page is the form without its entries: leaving the
    # text out leaves no ink in the entries' regions.
    picture = printing.page_image_without_text(pdf)
    for _, region, _ in TEXT_ENTRIES:
        assert printing.ink_box(picture, region=tuple(v * p // s for v in region)) is None, region


def test_in_original_form_mode_only_the_entries_text_prints(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    app = open_for_print(ctx, mode="original", entries=[entryfiles.record(300, 250, mark, width=100, height=35)])
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution was 300 dpi")
    pdf = printing.wait_pdf_with(before, mark)
    assert printing.ink_box(printing.page_image_without_text(pdf)) is None
    assert printing.ink_box(printing.page_image(pdf)) is not None
