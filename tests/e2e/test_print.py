"""Printing through the real print path: Wine's spooler into a CUPS queue
that writes PDFs, read back at 300 dpi."""
import time

import bmpfiles
import entryfiles
import harness
import printing

W, H = 600, 400


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


def print_through_dialogs(app, scanner_text, scanner_caption="Info", confirm=True):
    app.post_command(40011)
    caption, text = app.wait_msgbox()
    assert (caption, text) == (scanner_caption, scanner_text), (caption, text)
    app.dismiss_msgbox()
    dialog = app.wait_dialog(10, lambda d: d.caption == "Print", "the print dialog")
    harness.wait_until(lambda: app.foreground()[0] == "Print", 5, what="the print dialog in front")
    app.key("Return")
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
    app = open_for_print(ctx, dpi=0)
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution is unknown,\nso printer output size may not be correct.",
                          scanner_caption="Error")
    page = printing.page_image(printing.wait_new_pdf(before))
    frame = printing.ink_box(page)
    # At half size the window shows the 600 x 400 form as 300 x 200.
    assert abs((frame[2] - frame[0]) - W // 2) <= 2 and abs((frame[3] - frame[1]) - H // 2) <= 2, frame


def test_cancel_at_the_printer_resolution_prints_nothing(ctx):
    app = open_for_print(ctx)
    before = printing.printed_pdfs()
    print_through_dialogs(app, "Scanner resolution was 300 dpi", confirm=False)
    app.sync()
    time.sleep(2)   # a job, had one been sent, would have reached the queue by now
    assert printing.printed_pdfs() == before
    assert printing.jobs_pending() == ""
    assert app.is_alive()
