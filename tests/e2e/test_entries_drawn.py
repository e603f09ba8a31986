"""Stored entries appear drawn into the form: each kind of entry, at full
size, pixel for pixel as the same text drawn independently with GDI."""
import bmpfiles
import entryfiles
import harness
from resource_ids import IDM_ZOOM_IN

WIDTH, HEIGHT = 1000, 700
RED = 9

# (record fields, what is drawn, where its region lies: left, top, w, h)
ENTRIES = [
    (dict(x=50, y=40, text="Plain entry", width=140, height=35), "Plain entry", (40, 30, 260, 60)),
    (dict(x=600, y=40, text="Right side", width=120, height=35, right=1), "Right side", (380, 30, 300, 60)),
    (dict(x=80, y=620, text="Upward", width=90, height=35, vertical=1), "Upward", (60, 480, 80, 160)),
    (dict(x=50, y=150, text="#1=5", width=60, height=35), "5", (40, 140, 120, 60)),
    (dict(x=600, y=250, text="#2=#1*3", width=200, height=35, right=1), "15", (380, 240, 300, 60)),
    (dict(x=900, y=350, text="#3=#9+1", width=150, height=35, right=1), "#3=#9+1", (700, 340, 280, 60)),
    (dict(x=50, y=350, text="Bold red serif", width=200, height=40, face="Times New Roman", size=20,
          weight=700, colour=RED), "Bold red serif", (40, 340, 360, 70)),
    (dict(x=50, y=450, text="Colour 15", width=120, height=35, colour=15), "Colour 15", (40, 440, 260, 60)),
]


def white_form(ctx, name):
    rows = [b"\xff" * bmpfiles.stride(WIDTH, 24)] * HEIGHT
    return ctx.write(name, bmpfiles.raw_bmp(WIDTH, HEIGHT, 24, rows))


def rendered(session, fields, shown, region):
    """The region as GDI draws the entry's text into white, in another process."""
    left, top, w, h = region
    colour = {RED: 0x0000FF}.get(fields.get("colour", 0), 0)   # a COLORREF: red in the low byte
    escapement = 900 if fields.get("vertical") else 0
    right = 1 if fields.get("right") else 0
    # A right-justified entry starts at x - width; a formula's value ends at x.
    x = fields["x"]
    if right and not (fields["text"].startswith("#") and shown != fields["text"]):
        x -= fields["width"]
        right = 0
    command = "render %s %d %d %d %d %d %d %d %d %d %d %s" % (
        harness.quote(fields.get("face", "Arial")), -2 * fields.get("size", 15), fields.get("weight", 400),
        fields.get("pitch", 0), escapement, colour, x - left, fields["y"] - top, w, h, right,
        harness.quote(shown))
    lines, rc = session.probe.call(command, timeout=20)
    assert rc == 0, lines
    rows = [bytes.fromhex(line[4:]) for line in lines if line.startswith("row ")]
    return harness.Shot(w, h, b"".join(rows))


def test_each_kind_of_entry_is_drawn_as_gdi_draws_it(ctx):
    form = white_form(ctx, "entries.bmp")
    records = [entryfiles.record(**fields) for fields, _, _ in ENTRIES]
    ctx.write("entries.dta", entryfiles.entry_file(*records))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.post_command(IDM_ZOOM_IN)  # full size: one image pixel per screen pixel
    app.sync()
    shot = app.screenshot()
    for fields, shown, region in ENTRIES:
        expected = rendered(ctx.session, fields, shown, region)
        got = shot.crop(*region)
        assert expected.count((255, 255, 255)) < expected.width * expected.height, ("no ink", shown)
        assert got.data == expected.data, (fields["text"], "differs from GDI's own drawing")


def test_right_justified_formula_value_ends_exactly_at_x(ctx):
    form = white_form(ctx, "sum.bmp")
    ctx.write("sum.dta", entryfiles.entry_file(
        entryfiles.record(300, 100, "#1=123456", width=300, height=35, right=1),
        entryfiles.record(300, 200, "#2=#1-123450", width=300, height=35, right=1)))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    shot = app.screenshot()
    for top in (100, 200):
        ink = shot.crop(0, top, WIDTH, 40).bbox((0, 0, 0), tolerance=200)
        assert ink is not None
        # The value's last ink lies just left of x (a glyph's advance may
        # hold a pixel or two of space), never past it.
        assert 290 <= ink[2] <= 300, ink


def test_original_form_mode_prints_only_the_entries(ctx):
    form = ctx.write("ink.bmp", bmpfiles.bmp_bytes(300, 200, 8, lambda x, y: (0, 0, 0) if y < 100 else (255,) * 3))
    ctx.write("ink.dta", entryfiles.entry_file(entryfiles.record(20, 120, "Only me", width=100, height=35)))
    app = ctx.start_app()
    app.open_bmp(form, mode="original", via="command")
    app.post_command(IDM_ZOOM_IN)
    app.sync()
    shot = app.screenshot()
    assert shot.crop(0, 0, 300, 100).count((255, 255, 255)) == 300 * 100   # the form's ink is gone
    assert shot.crop(0, 110, 300, 60).bbox((0, 0, 0), tolerance=100) is not None


def test_original_form_without_entries_says_oops(ctx):
    form = ctx.write("bare.bmp", bmpfiles.bmp_bytes(200, 100, 8, lambda x, y: (0, 0, 0)))
    app = ctx.start_app()
    app.open_bmp(form, mode="original", via="command")
    caption, text = app.wait_msgbox()
    assert caption == "Oops"
    assert text == "First you have to Open .bmp file\nTo enter or print entries on .bmp file", repr(text)
    app.dismiss_msgbox()
    app.sync()
    shot = app.screenshot()
    assert shot.count((255, 255, 255)) == shot.width * shot.height   # the blank page stays
    # The ordinary way of opening says nothing about a missing entry file.
    app.open_bmp(form, via="command")
    app.sync()
    assert app.msgbox() is None
