"""File > Save as PDF...: the form with its entries as a PDF at true size,
checked with qpdf, pdfinfo, pdffonts, pdftotext and pdftoppm; a document of
pages; the blank mode; the refusals, each leaving the old file as it was."""
import os
import subprocess

import bmpfiles
import entryfiles
import ghostscript
import harness
import printing
from resource_ids import IDM_SAVE_AS_PDF, IDM_ZOOM_IN

CAPTION = "Save as PDF"
DPI = 150
WIDTH, HEIGHT = 1100, 750
RED, MAGENTA = 9, 12

# Every kind of entry: (record fields, the text pdftotext finds).
ENTRIES = [
    (dict(x=40, y=30, text="Plain left entry", width=200, height=35), "Plain left entry"),
    (dict(x=900, y=30, text="Right anchored", width=180, height=35, right=1), "Right anchored"),
    (dict(x=60, y=600, text="Upward", width=90, height=35, vertical=1), "Upward"),
    (dict(x=300, y=150, text="#1=1250", width=80, height=35), "1250"),
    (dict(x=900, y=250, text="#2=#1*3", width=200, height=35, right=1), "3750"),
    (dict(x=300, y=350, text="Bold red serif", width=250, height=40, face="Times New Roman", size=20,
          weight=700, colour=RED), "Bold red serif"),
    (dict(x=300, y=450, text="Magenta courier (1)", width=250, height=35, face="Courier New", colour=MAGENTA),
     "Magenta courier (1)"),
]


def ruled_form(width=WIDTH, height=HEIGHT, dpi=DPI, bits=8):
    """A gray (or 1-bit) form with a rule every 100 rows, as a scan has them."""
    size = bmpfiles.stride(width, bits)
    white = b"\xff" * size
    if bits >= 8:
        n = bits // 8
        rule = b"\xff" * 21 * n + b"\x00" * (width - 41) * n + b"\xff" * (size - (width - 20) * n)
    else:
        rule = b"\x00" * size
    rows = [rule if y % 100 == 90 else white for y in range(height)]
    return bmpfiles.raw_bmp(width, height, bits, rows, dpi=dpi)


def run(*command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def page_sizes(pdf):
    out = run("pdfinfo", "-f", "1", "-l", "999", pdf).stdout
    sizes = []
    for line in out.splitlines():
        if line.startswith("Page") and "size:" in line:
            parts = line.split("size:")[1].split()
            sizes.append((float(parts[0]), float(parts[2])))
    return sizes


def type_name(app, path):
    """In the save dialog: the full path typed, Enter; the dialog is returned."""
    d = app.wait_dialog(10, lambda d: d.caption == CAPTION, "the save dialog")
    harness.wait_until(lambda: app.focus()[1] in ("Edit", "ComboBox"), 10, what="the file name box")
    app.type(harness.windows_path(path))
    app.key("Return")
    return d


def dialog_gone(app, d):
    harness.wait_until(lambda: all(x.hwnd != d.hwnd for x in app.dialogs()), 10, what="the save dialog to close")


def save_as(app, path):
    app.post_command(IDM_SAVE_AS_PDF)
    dialog_gone(app, type_name(app, path))


def wait_file(path, timeout=20):
    harness.wait_until(lambda: os.path.exists(path) and run("qpdf", "--check", path).returncode == 0, timeout,
                       what="a sound PDF at " + path)


def ink(page, threshold=160):
    width, height, data = page
    return {(i % width, i // width) for i, v in enumerate(data) if v < threshold}


def hold(ctx, path, seconds=30):
    """Another program holds the file open without sharing it."""
    proc = harness.reaper().popen(["wine", harness.PROBE_EXE, "hold", harness.windows_path(path), str(seconds)],
                                  env=ctx.session.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    assert proc.stdout.readline().startswith(b"holding")
    return proc


def test_a_form_with_every_kind_of_entry_saves_as_a_true_size_pdf_with_its_entries_as_text(ctx):
    form = ctx.write("entries.bmp", ruled_form(bits=24))
    records = [entryfiles.record(**fields) for fields, _ in ENTRIES]
    ctx.write("entries.dta", entryfiles.entry_file(*records))
    before = {n: open(ctx.path(n), "rb").read() for n in ("entries.bmp", "entries.dta")}
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    pdf = ctx.path("entries.pdf")
    app.post_command(IDM_SAVE_AS_PDF)
    # The form's name with ".pdf" is proposed, in the form's folder.
    d = app.wait_dialog(10, lambda d: d.caption == CAPTION, "the save dialog")
    assert ghostscript.file_name_box(d) == "entries.pdf", d.controls
    assert any(c[2] == os.path.basename(ctx.dir) for c in d.controls if c[0] == 1137), d.controls
    dialog_gone(app, type_name(app, pdf))
    wait_file(pdf)
    check = run("qpdf", "--check", pdf)
    assert check.returncode == 0, check.stdout
    [(w, h)] = page_sizes(pdf)
    assert abs(w - WIDTH / DPI * 72) <= 0.5 and abs(h - HEIGHT / DPI * 72) <= 0.5, (w, h)
    fonts = run("pdffonts", pdf).stdout.splitlines()[2:]
    assert len(fonts) == 3, fonts
    assert all(line.split()[-5] == "yes" for line in fonts), fonts   # the "emb" column
    text = printing.pdf_text(pdf)
    for fields, shown in ENTRIES:
        assert shown in text, (shown, text)
    assert "#1=" not in text and "#2=" not in text
    # The page at the form's resolution against the program's own drawing of
    # the form at full size: every entry's ink within a pixel.
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    shot = app.screenshot()
    page = printing.page_image(pdf, dpi=DPI)
    assert (page[0], page[1]) == (WIDTH, HEIGHT)
    # Dark in gray, or in green for the screen: black, red and blue ink alike.
    width, height = min(shot.width, WIDTH), min(shot.height, HEIGHT)
    green = shot.data[1::3]
    drawn = {(x, y) for y in range(height) for x, v in enumerate(green[y * shot.width:y * shot.width + width])
             if v < 128}
    saved = {(x, y) for y in range(height) for x, v in enumerate(page[2][y * WIDTH:y * WIDTH + width]) if v < 128}

    def distance(p, points):
        for d in range(6):
            if any((p[0] + dx, p[1] + dy) in points for dx in range(-d, d + 1) for dy in range(-d, d + 1)):
                return d
        return 99
    # The glyphs' outlines are the same; the platform fits its stems and
    # serifs to whole pixels, which moves an edge by up to one pixel more.
    far = [p for p in saved if distance(p, drawn) > 1] + [p for p in drawn if distance(p, saved) > 1]
    assert all(distance(p, drawn) <= 2 for p in saved) and all(distance(p, saved) <= 2 for p in drawn)
    assert len(far) * 100 <= len(saved) + len(drawn), ("ink farther than a pixel", len(far), sorted(far)[:20])
    for name, data in before.items():
        assert open(ctx.path(name), "rb").read() == data, name + " was touched"


def test_a_document_of_pages_saves_as_one_pdf_in_page_order(ctx):
    for n in range(1, 18):
        ctx.write("Document%d.bmp" % n, ruled_form(400, 300, dpi=100, bits=1))
    for n in (2, 9, 17):
        ctx.write("Document%d.dta" % n, entryfiles.entry_file(entryfiles.record(50, 50, "Page %d text" % n,
                                                                                width=150, height=35)))
    app = ctx.start_app()
    app.open_bmp(ctx.path("Document9.bmp"), via="command")
    pdf = ctx.path("Document.pdf")
    save_as(app, pdf)
    wait_file(pdf)
    assert printing.pdf_page_count(pdf) == 17
    assert page_sizes(pdf) == [(288.0, 216.0)] * 17
    for n in range(1, 18):
        found = "Page %d text" % n in printing.pdf_text(pdf, page=n)
        assert found == (n in (2, 9, 17)), n


def test_blank_mode_saves_the_entries_without_the_picture(ctx):
    form = ctx.write("ink.bmp", bmpfiles.bmp_bytes(300, 200, 8, lambda x, y: (0, 0, 0) if y < 100 else (255,) * 3,
                                                   dpi=DPI))
    ctx.write("ink.dta", entryfiles.entry_file(entryfiles.record(20, 120, "Only me", width=100, height=35)))
    app = ctx.start_app()
    app.open_bmp(form, mode="original", via="command")
    pdf = ctx.path("ink.pdf")
    save_as(app, pdf)
    wait_file(pdf)
    page = printing.page_image(pdf, dpi=DPI)
    dots = ink(page)
    assert dots and all(y >= 110 for _, y in dots), "the form's picture is in the PDF"
    assert "Only me" in printing.pdf_text(pdf)
    assert "/Subtype /Image" not in open(pdf, "rb").read().decode("latin-1")


def test_a_target_that_cant_be_replaced_is_refused_with_the_old_file_unchanged(ctx):
    form = ctx.write("f.bmp", ruled_form(300, 200))
    ctx.write("f.dta", entryfiles.entry_file(entryfiles.record(20, 20, "Kept", width=100, height=35)))
    old = b"%PDF-1.4 the old file\n"
    readonly = ctx.write("readonly.pdf", old)
    held = ctx.write("held.pdf", old)
    os.chmod(readonly, 0o444)
    cases = [
        # (the target, how it was made unwritable, a word of the message)
        (readonly, "read-only", "read-only"),
        (held, "held by another program", "Another program has it open"),
        (ctx.path("f.dta"), "the form's own entry file", "entry file"),
    ]
    holder = hold(ctx, held)
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    for target, what, word in cases:
        existed = os.path.exists(target)
        content = open(target, "rb").read() if existed else None
        app.post_command(IDM_SAVE_AS_PDF)
        d = type_name(app, target)
        if existed:
            caption, text = app.wait_msgbox()
            assert "exist" in text, (what, text)
            app.key("y")
        caption, text = app.wait_msgbox()
        assert harness.windows_path(target).lower() in text.lower(), (what, text)
        assert word in text, (what, text)
        app.dismiss_msgbox()
        dialog_gone(app, d)
        if existed:
            assert open(target, "rb").read() == content, what + ": the old file changed"
        else:
            assert not os.path.exists(target), what
    holder.kill()
    assert not [n for n in os.listdir(ctx.dir) if n.endswith(".tmp")]


def test_a_form_of_unknown_resolution_is_saved_at_300_dpi_after_the_user_is_told(ctx):
    form = ctx.write("nodpi.bmp", ruled_form(600, 900, dpi=0, bits=1))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.post_command(IDM_SAVE_AS_PDF)
    caption, text = app.wait_msgbox()
    assert caption == CAPTION and "nodpi.bmp" in text and "300 dpi" in text, (caption, text)
    app.dismiss_msgbox()
    pdf = ctx.path("nodpi.pdf")
    dialog_gone(app, type_name(app, pdf))
    wait_file(pdf)
    assert page_sizes(pdf) == [(144.0, 216.0)]
