"""Forms of many pages: Page Down and Page Up walk the pages of a converted
PDF, and Print all pages prints every page in one job."""
import os

import bmpfiles
import entryfiles
import ghostscript
import harness
import printing
from resource_ids import IDM_NEXT_PAGE, IDM_PRINT_ALL_PAGES, IDM_ZOOM_IN
from test_entries_kept import hold, until
from test_placing import entries, place, white_form
from test_print import confirm_print_dialog, printer_caps

DPI = 400          # a 2 x 3 inch page is 800 x 1200 pixels: taller than the window
BLACK, WHITE = (0, 0, 0), (255, 255, 255)


def entry_region(page):
    """Where page `page`'s entry stands on the page, in full-size pixels."""
    return (440, 100 * page - 5, 800, 100 * page + 45)


def ink(shot, region):
    left, top, right, bottom = region
    return shot.crop(left, top, right - left, bottom - top).bbox(BLACK, tolerance=127) is not None


def square_top(page):
    """The first pixel row of page `page`'s black square."""
    return round((ghostscript.PAGE_H - 30 * page - 40) * DPI / 72)


def shows_page(app, page):
    """The window shows page `page` at full size from its top-left corner:
    its own square and its own entry, and no other page's."""
    x = ghostscript.square_centre(page, DPI)[0]
    app.wait_pixel(x, square_top(page) + 4, BLACK)
    shot = app.screenshot_stable()
    assert shot.pixel(x, square_top(page) - 4) == WHITE, page
    for other in (1, 2, 3):
        assert ink(shot, entry_region(other)) == (other == page), (page, other)


def test_page_down_and_up_walk_the_pages_of_a_converted_pdf(ctx):
    pdf = ghostscript.make_pdf(ctx.path("pdfs", "Document.pdf"), 3)
    for page in (1, 2, 3):
        x, y = entry_region(page)[:2]
        ctx.write(os.path.join("pdfs", "Document%d.dta" % page),
                  entryfiles.entry_file(entryfiles.record(x + 10, y + 5, "Page %d entry" % page)))
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        ghostscript.convert(app, pdf, resolution=str(DPI))
        gs.wait_runs("gs9.05", 1)
        ghostscript.open_page(app, ctx.path("pdfs", "Document1.bmp"))
        app.wait_title("Document1.bmp")
        # Full size, scrolled to the bottom: the square's top row moves up.
        app.post_command(IDM_ZOOM_IN)
        app.wheel("down", clicks=30, x=800, y=500)
        x = ghostscript.square_centre(1, DPI)[0]
        app.wait_pixel(x, square_top(1) - 1200 + 956 + 4, BLACK)

        # Each page opens at the zoom chosen, from its top-left corner.
        app.key("Next")
        app.wait_title("Document2.bmp")
        shows_page(app, 2)
        app.key("Next")
        app.wait_title("Document3.bmp")
        shows_page(app, 3)
        # Past the last page nothing happens: the key after it goes back one.
        app.key("Next")
        app.key("Prior")
        app.wait_title("Document2.bmp")
        app.key("Prior")
        app.wait_title("Document1.bmp")
        shows_page(app, 1)
        app.key("Prior")
        app.key("Next")
        app.wait_title("Document2.bmp")
        assert app.dialogs() == []

        # A missing middle page is passed over.
        app.key("Prior")
        app.wait_title("Document1.bmp")
        os.remove(ctx.path("pdfs", "Document2.bmp"))
        app.key("Next")
        app.wait_title("Document3.bmp")
        shows_page(app, 3)
        app.key("Prior")
        app.wait_title("Document1.bmp")
        assert app.dialogs() == []
        assert app.close() == 0


def test_a_page_command_waits_while_a_picked_entry_cant_go_back(ctx):
    for page in (1, 2):
        white_form(ctx, "Form%d.bmp" % page)
    ctx.write("Form1.dta", entryfiles.entry_file(entryfiles.record(400, 300, "Mine", width=120, height=35)))
    app = ctx.start_app()
    app.open_bmp(ctx.path("Form1.bmp"), via="command")
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    place(app, 700, 600, None, key=None, drag_from=(420, 310))   # picked up: out of its file
    until(lambda: entries(ctx, "Form1.dta"), [])
    holder = hold(ctx, "Form1.dta")
    app.post_command(IDM_NEXT_PAGE)
    assert '"Mine" could not be stored' in app.wait_msgbox()[1]
    app.dismiss_msgbox()
    app.sync()
    assert app.title() == "Form1.bmp" and app.dialogs() == []
    holder.kill()
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the keyboard back in the entry")
    # With its file free, the entry goes back where it was, then the page opens.
    app.post_command(IDM_NEXT_PAGE)
    app.wait_title("Form2.bmp")
    assert [(r["text"], r["x"], r["y"]) for r in entries(ctx, "Form1.dta")] == [("Mine", 400, 300)]
    assert entries(ctx, "Form2.dta") == [] and not os.path.exists(ctx.path("Form2.dta"))
    assert app.close() == 0


# ---- Print all pages

W, H = 600, 400


def page_form(page):
    """A framed form whose black block stands further right on each page."""
    left = 100 * page

    def pixel(x, y):
        if x < 6 or y < 6 or x >= W - 6 or y >= H - 6:
            return BLACK
        if left <= x < left + 60 and 100 <= y < 150:
            return BLACK
        return WHITE
    return pixel


def document(ctx, mark):
    """Three framed 300 dpi pages, each with an entry of its own below its
    block. Returns the first page's path."""
    for page in (1, 2, 3):
        ctx.write("Form%d.bmp" % page, bmpfiles.bmp_bytes(W, H, 1, page_form(page), dpi=300))
        ctx.write("Form%d.dta" % page, entryfiles.entry_file(
            entryfiles.record(100 * page, 250, "%s page%d" % (mark, page), width=100, height=35)))
    return ctx.path("Form1.bmp")


def print_all_pages(app):
    """Print all pages through its messages and the print dialog."""
    app.post_command(IDM_PRINT_ALL_PAGES)
    caption, text = app.wait_msgbox()
    assert (caption, text) == ("Info", "Scanner resolution was 300 dpi"), (caption, text)
    app.dismiss_msgbox()
    confirm_print_dialog(app)
    caption, text = app.wait_msgbox(10)
    assert caption == "Info" and text.startswith("Printer resolution is "), (caption, text)
    return text


def test_print_all_pages_prints_each_page_on_its_own_sheet_in_one_job(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    document(ctx, mark)
    app = ctx.start_app()
    app.open_bmp(ctx.path("Form2.bmp"), via="command")   # the middle page is on screen
    app.wait_title("Form2.bmp")
    app.post_command(IDM_ZOOM_IN)
    shown = app.screenshot_stable()
    before = printing.printed_pdfs()
    print_all_pages(app)
    app.dismiss_msgbox()
    pdf = printing.wait_pdf_with(before, mark)
    # One message of each resolution, then nothing more.
    assert app.dialogs() == []
    assert printing.pdf_page_count(pdf) == 3
    p = int(printer_caps(ctx)["physicalwidth"]) * 10 // 88
    for page in (1, 2, 3):
        text = " ".join(printing.pdf_text(pdf, page).split())
        assert text == "%s page%d" % (mark, page), (page, text)
        sheet = printing.page_image(pdf, page=page)
        frame = printing.ink_box(sheet, region=(0, 0, W, H))   # the form takes less room on the sheet
        assert frame[:2] == (0, 0) and abs(frame[2] - W * p // 300) <= 2, (page, frame)
        # The page's own block, and no other page's.
        for block in (1, 2, 3):
            region = tuple(v * p // 300 for v in (100 * block + 10, 110, 100 * block + 50, 140))
            dark = printing.ink_box(sheet, region=region) is not None
            assert dark == (block == page), (page, block)
        # Its entry, where it stands on its form.
        region = tuple(v * p // 300 for v in (100 * page - 5, 240, 100 * page + 300, 300))
        entry = printing.ink_box(sheet, region=region)
        assert entry and abs(entry[0] - 100 * page * p // 300) <= 4, (page, entry)
    # The form on screen stays as it was.
    assert app.title() == "Form2.bmp"
    assert app.screenshot_stable().data == shown.data


def test_a_damaged_page_stops_print_all_pages_before_anything_is_sent(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    document(ctx, mark)
    good = open(ctx.path("Form2.bmp"), "rb").read()
    ctx.write("Form2.bmp", b"not a bitmap")
    app = ctx.start_app()
    app.open_bmp(ctx.path("Form1.bmp"), via="command")
    app.wait_title("Form1.bmp")
    before = printing.printed_pdfs()
    app.post_command(IDM_PRINT_ALL_PAGES)
    assert app.wait_msgbox() == ("Error", "This page can't be loaded, so nothing was printed:\n%s\n\nNot a .bmp file"
                                 % harness.windows_path(ctx.path("Form2.bmp")))
    app.dismiss_msgbox()
    app.sync()
    assert app.dialogs() == []          # no print dialog: nothing was sent

    # Damaged while the printer's resolution is asked about: the job is given
    # up and the user told.
    ctx.write("Form2.bmp", good)
    print_all_pages(app)
    ctx.write("Form2.bmp", b"not a bitmap")
    app.dismiss_msgbox()
    assert app.wait_msgbox() == ("Error", "This page could not be read again, so the print job was cancelled:\n"
                                 "%s\n\nNot a .bmp file" % harness.windows_path(ctx.path("Form2.bmp")))
    app.dismiss_msgbox()
    # A job sent after it arrives; the one given up never does.
    ctx.write("Form2.bmp", good)
    other = printing.marker()
    ctx.write("Form1.dta", entryfiles.entry_file(entryfiles.record(100, 250, other, width=100, height=35)))
    print_all_pages(app)
    app.dismiss_msgbox()
    printing.wait_pdf_with(before, other)
    assert not [f for f in printing.printed_pdfs() - before if mark + " page1" in printing.pdf_text(f)]


def test_pages_of_another_resolution_are_listed_first_and_print_at_their_own(ctx):
    printing.ensure_printer(ctx.session)
    mark = printing.marker()
    document(ctx, mark)
    ctx.write("Form2.bmp", bmpfiles.bmp_bytes(W, H, 1, page_form(2), dpi=150))
    ctx.write("Form3.bmp", bmpfiles.bmp_bytes(W, H, 1, page_form(3), dpi=0))
    app = ctx.start_app()
    app.open_bmp(ctx.path("Form1.bmp"), via="command")
    app.wait_title("Form1.bmp")
    notice = ("These pages have another scanner resolution than the first page, Form1.bmp (300 dpi):\n\n"
              "Form2.bmp: 150 dpi\nForm3.bmp: unknown\n\n"
              "Each page prints at its own resolution, so it keeps the size of its paper. "
              "A page of unknown resolution prints at the first page's.")
    for answer in ("Escape", "Return"):
        app.post_command(IDM_PRINT_ALL_PAGES)
        assert app.wait_msgbox() == ("Info", "Scanner resolution was 300 dpi")
        app.dismiss_msgbox()
        assert app.wait_msgbox() == ("Print all pages", notice)
        app.dismiss_msgbox(answer)
        if answer == "Escape":
            app.sync()
            assert app.dialogs() == []       # cancelled: no print dialog
    before = printing.printed_pdfs()
    confirm_print_dialog(app)
    app.wait_msgbox(10)
    app.dismiss_msgbox()
    pdf = printing.wait_pdf_with(before, mark)
    p = int(printer_caps(ctx)["physicalwidth"]) * 10 // 88
    for page, dpi in ((1, 300), (2, 150), (3, 300)):
        frame = printing.ink_box(printing.page_image(pdf, page=page), region=(0, 0, 2 * W, 2 * H))
        assert abs(frame[2] - W * p // dpi) <= 2 and abs(frame[3] - H * p // dpi) <= 2, (page, frame)
