"""A 24-bit form of the largest size the program takes (512 MB of pixels)
opens, scrolls at half size at even and odd offsets, and takes an entry
that lands in the entry file and on the screen."""
import os

import bmpfiles
import entryfiles
import harness
from resource_ids import IDM_ZOOM_IN, IDM_ZOOM_OUT

# 13376 x 13376 at 3 bytes a pixel: 536,752,128 bytes, just under 512 MB.
SIDE = 13376
# The top-left corner of the picture is white, the rest black: where the
# edges of the white land on screen shows which pixels the view averaged.
WHITE_WIDTH, WHITE_HEIGHT = 3000, 1500
# The program holds the pixels, the system the file's pages as they are read.
MEMORY_NEEDED = 1536 << 20


def available_memory():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemAvailable:"):
                return int(line.split()[1]) * 1024
    return 0


def largest_form(path):
    """Top-down, so the white rows come first; the black is a hole the file
    system does not store."""
    head, size = bmpfiles.headers(SIDE, -SIDE, 24)
    bmpfiles.write_sparse(path, head, size)
    stride = bmpfiles.stride(SIDE, 24)
    with open(path, "r+b") as f:
        for y in range(WHITE_HEIGHT):
            f.seek(len(head) + y * stride)
            f.write(b"\xff" * (3 * WHITE_WIDTH))
    return path


def grey(rgb):
    return all(abs(v - 128) <= 1 for v in rgb)


def check_edges(shot, ox, oy):
    """The white's right and bottom edges at half size for offsets (ox, oy):
    white, then a grey column (row) where a 2x2 block takes in both, or
    none at even offsets, then black."""
    x = (WHITE_WIDTH - ox) // 2        # the first block reaching past the white
    y = (WHITE_HEIGHT - oy) // 2
    assert shot.pixel(x - 1, 20) == (255, 255, 255), ("left of the edge", ox, oy, shot.pixel(x - 1, 20))
    assert shot.pixel(x + 1, 20) == (0, 0, 0), ("right of the edge", ox, oy, shot.pixel(x + 1, 20))
    assert shot.pixel(20, y - 1) == (255, 255, 255), ("above the edge", ox, oy, shot.pixel(20, y - 1))
    assert shot.pixel(20, y + 1) == (0, 0, 0), ("below the edge", ox, oy, shot.pixel(20, y + 1))
    edge = (shot.pixel(x, 20), shot.pixel(20, y))
    if ox % 2:
        assert grey(edge[0]), ("odd x offset: a grey column", ox, edge)
    else:
        assert edge[0] == (0, 0, 0), ("even x offset: no grey", ox, edge)
    if oy % 2:
        assert grey(edge[1]), ("odd y offset: a grey row", oy, edge)
    else:
        assert edge[1] == (0, 0, 0), ("even y offset: no grey", oy, edge)


def test_a_512_mb_form_opens_scrolls_and_takes_an_entry(ctx):
    if available_memory() < MEMORY_NEEDED:
        raise harness.Skip("this machine has %d MB of memory available; a form of 512 MB needs %d"
                           % (available_memory() >> 20, MEMORY_NEEDED >> 20))
    form = largest_form(ctx.path("largest.bmp"))
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    harness.wait_until(lambda: app.title() == "largest.bmp", 30, what="the form to open")
    app.sync()
    assert app.msgbox() is None
    check_edges(app.screenshot(), 0, 0)

    # At half size each arrow key moves 100 image pixels: even offsets.
    app.key("Right", "Down")
    app.sync()
    check_edges(app.screenshot(), 100, 100)

    # At full size the wheel moves 10, 11, then sideways 12, 13: odd offsets.
    app.post_command(IDM_ZOOM_IN)
    app.wheel("down", clicks=2)
    app.wheel("down", ctrl=True, clicks=2)
    app.post_command(IDM_ZOOM_OUT)
    app.sync()
    harness.wait_until(lambda: grey(app.pixel((WHITE_WIDTH - 125) // 2, 20)), 5, what="the view at (125, 121)")
    check_edges(app.screenshot(), 125, 121)

    # An entry at half size: at form point (125 + 2 * 300, 121 + 2 * 200).
    app.mouse_move(300, 200)
    app.press("right")
    app.release("right")
    app.sync()
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the entry box")
    app.type("Largest form")
    app.key("Return")
    dta = ctx.path("largest.dta")
    harness.wait_until(lambda: os.path.exists(dta) and os.path.getsize(dta) == 160, 5, what="the entry file")
    with open(dta, "rb") as f:
        [r] = entryfiles.records_of(f.read())
    assert (r["x"], r["y"], r["text"]) == (725, 521, "Largest form"), r
    app.sync()
    shot = app.screenshot()
    ink = shot.crop(295, 195, 300, 40).bbox((0, 0, 0), tolerance=200)
    assert ink is not None, "the entry does not show"
    check_edges(shot, 125, 121)
    assert app.msgbox() is None
