"""At half size every screen pixel is the average of its 2x2 block of image
pixels: a 1-pixel rule on an even or an odd row or column shows as a grey
line, never missing and never solid, at even and odd offsets."""
import bmpfiles
import forms
import harness
from resource_ids import IDM_ZOOM_IN, IDM_ZOOM_OUT

WIDTH, HEIGHT = 1700, 1300
# Vertical rules on even and odd columns, horizontal rules on even and odd rows.
RULE_COLUMNS = (300, 451, 602, 753)
RULE_ROWS = (200, 351, 502, 653)


def ruled(x, y):
    if x in RULE_COLUMNS or y in RULE_ROWS:
        return (0, 0, 0)
    return (255, 255, 255)


def ruled_rows(bits):
    palette = bmpfiles.default_palette(bits)
    white_index = len(palette) - 1 if palette else None
    stride = bmpfiles.stride(WIDTH, bits)
    def row(y):
        if bits == 24:
            r = bytearray(b'\xff' * (3 * WIDTH)) + bytearray(stride - 3 * WIDTH)
            for x in (range(WIDTH) if y in RULE_ROWS else RULE_COLUMNS):
                r[3 * x:3 * x + 3] = b'\0\0\0'
            return bytes(r)
        if bits == 8:
            r = bytearray([white_index] * WIDTH) + bytearray(stride - WIDTH)
            for x in (range(WIDTH) if y in RULE_ROWS else RULE_COLUMNS):
                r[x] = 0
            return bytes(r)
        r = bytearray(b'\xff' * stride)
        for x in (range(WIDTH) if y in RULE_ROWS else RULE_COLUMNS):
            r[x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
        return bytes(r)
    return [row(y) for y in range(HEIGHT)]


def check_rules(shot, ox, oy):
    """Each rule is a grey line on the screen where its blocks lie."""
    for c in RULE_COLUMNS:
        x = (c - ox) // 2
        for y in (10, 300, 500):
            if (oy + 2 * y) in RULE_ROWS or (oy + 2 * y + 1) in RULE_ROWS:
                continue
            got = shot.pixel(x, y)
            assert all(abs(v - 128) <= 1 for v in got), ("column", c, ox, oy, x, y, got)
            assert shot.pixel(x - 1, y) == (255, 255, 255) and shot.pixel(x + 1, y) == (255, 255, 255)
    for r in RULE_ROWS:
        y = (r - oy) // 2
        for x in (10, 100, 700):
            got = shot.pixel(x, y)
            assert all(abs(v - 128) <= 1 for v in got), ("row", r, ox, oy, x, y, got)


def check_average(shot, ox, oy):
    """A region of the view equals the 2x2 averages computed here."""
    sx, sy = (290 - ox) // 2, (190 - oy) // 2
    region = forms.average_view(ruled, WIDTH, HEIGHT, ox + 2 * sx, oy + 2 * sy, 400, 200)
    for (i, j), colour in region.items():
        got = shot.pixel(sx + i, sy + j)
        assert all(abs(a - b) <= 1 for a, b in zip(got, colour)), (i, j, got, colour)


def test_rules_stay_grey_at_even_and_odd_offsets_at_every_depth(ctx):
    app = ctx.start_app()
    for bits in (1, 8, 24):
        name = "ruled%d.bmp" % bits
        path = ctx.write(name, bmpfiles.raw_bmp(WIDTH, HEIGHT, bits, ruled_rows(bits)))
        app.open_bmp(path, via="command")
        harness.wait_until(lambda: app.title() == name, 5, what=name)
        app.sync()
        shot = app.screenshot()
        check_rules(shot, 0, 0)
        check_average(shot, 0, 0)
        # Odd offsets: at full size the wheel moves 10, 11, then sideways 12, 13.
        app.post_command(IDM_ZOOM_IN)
        app.wheel("down", clicks=2)
        app.wheel("down", ctrl=True, clicks=2)
        app.post_command(IDM_ZOOM_OUT)
        app.sync()
        shot = app.screenshot()
        check_rules(shot, 25, 21)
        check_average(shot, 25, 21)
