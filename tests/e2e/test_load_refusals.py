"""A damaged or unknown .bmp file is refused with a message box (no caption
of its own) and the form on screen stays; the program goes on."""
import os
import struct
import subprocess

import bmpfiles
import forms
import harness


def test_every_damaged_file_is_refused_and_the_previous_form_stays(ctx):
    good = ctx.write("good.bmp", forms.small_form(24))
    damaged_source = bmpfiles.bmp_bytes(20, 10, 8, forms.pattern_colour)
    app = ctx.start_app()
    app.open_bmp(good, via="command")
    harness.wait_until(lambda: app.title() == "good.bmp", 5, what="the good form")
    app.sync()
    before = app.screenshot()
    for name, data, fragment in bmpfiles.damaged_variants(damaged_source):
        forms.open_refused(app, ctx.write(name + ".bmp", data), fragment, before, name)


def test_a_missing_file_is_passed_over_in_silence(ctx):
    good = ctx.write("good.bmp", forms.small_form(1))
    app = ctx.start_app()
    app.open_bmp(good, via="command")
    app.sync()
    before = app.screenshot()
    app.open_bmp(ctx.path("nothing-here.bmp"), via="command")
    app.sync()
    assert app.msgbox() is None
    assert app.screenshot().data == before.data
    assert app.is_alive()


def test_a_file_held_open_elsewhere_is_passed_over(ctx):
    # The form is opened with no sharing, so a copy of it being read by
    # another program can't be opened: nothing is shown, nothing changes.
    good = ctx.write("good.bmp", forms.small_form(8))
    app = ctx.start_app()
    held = ctx.write("held.bmp", forms.small_form(24))
    app.open_bmp(good, via="command")
    app.sync()
    before = app.screenshot()
    holder = ctx.start_app(exe=harness.PROBE_EXE, args=["hold", harness.windows_path(held), "30"],
                           wait=False)
    harness.wait_until(lambda: "holding" in holder.output(), 10, what="the file to be held")
    app.open_bmp(held, via="command")
    app.sync()
    assert app.msgbox() is None
    assert app.screenshot().data == before.data
    holder.kill()


def test_run_length_bitmaps_open_as_their_plain_twins(ctx):
    """RLE8 as ImageMagick writes it, and RLE4, show the same pixels as the
    same picture stored plain."""
    width, height = 150, 110
    grey = [[(x // 10 + y // 10) % 16 for x in range(width)] for y in range(height)]
    palette16 = [(i * 17, 255 - i * 17, (i * 40) % 256) for i in range(16)]
    plain8 = bmpfiles.raw_bmp(width, height, 8, [bytes(r) + b"\0" * (bmpfiles.stride(width, 8) - width) for r in grey])
    plain8_path = ctx.write("plain8.bmp", plain8)
    magick = ctx.path("magick-rle8.bmp")
    subprocess.run([harness.CONVERT, plain8_path, "-compress", "RLE", "BMP3:" + magick], check=True)
    with open(magick, "rb") as f:
        assert struct.unpack_from("<HI", f.read(), 28) == (8, 1), "ImageMagick wrote RLE8"
    plain4 = bmpfiles.bmp_bytes(width, height, 4, lambda x, y: palette16[grey[y][x]], palette=palette16)
    pairs = [(plain8_path, magick),
             (ctx.write("plain4.bmp", plain4), ctx.write("rle4.bmp", bmpfiles.rle_bmp(width, height, 4, grey,
                                                                                        palette=palette16)))]
    app = ctx.start_app()
    for plain, compressed in pairs:
        shots = []
        for path in (plain, compressed):
            app.open_bmp(path, via="command")
            harness.wait_until(lambda: app.title() == os.path.basename(path), 5, what=path)
            app.sync()
            assert app.msgbox() is None, path
            shots.append(app.screenshot_stable())
        assert shots[0].data == shots[1].data, compressed
