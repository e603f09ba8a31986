"""A .bmp file that can't be opened (missing, held by another program) or is
damaged or unknown is refused with a message box (no caption of its own),
and the form on screen and its title stay; the program goes on. A read-only
form opens: the program only reads it."""
import os
import struct
import subprocess

import bmpfiles
import entryfiles
import forms
import harness
from resource_ids import IDM_NEXT_PAGE
from test_entries_kept import hold
from test_unwritable_files import unwritable


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


def test_a_file_that_cant_be_opened_is_named_and_the_title_keeps_the_form_on_screen(ctx):
    # The form on screen is page 1 of a document, with a formula entry:
    # hovering over it and off it again puts the form's title back.
    rows = [b"\xff" * bmpfiles.stride(1200, 1)] * 800
    page = bmpfiles.raw_bmp(1200, 800, 1, rows)
    form = ctx.write("Form1.bmp", page)
    ctx.write("Form1.dta", entryfiles.entry_file(entryfiles.record(400, 300, "#1=5", width=80, height=35)))
    held = ctx.write("held.bmp", page)
    ctx.write("Form2.bmp", page)
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.wait_title("Form1.bmp")
    app.mouse_move(500, 350)
    app.sync()
    before = app.screenshot()
    holders = [hold(ctx, "held.bmp"), hold(ctx, "Form2.bmp")]
    for name, path, fragment, act in [
            ("missing", ctx.path("nothing-here.bmp"), "There is no such file.", None),
            ("held", held, "Another program has it open.", None),
            ("next page held", ctx.path("Form2.bmp"), "Another program has it open.", IDM_NEXT_PAGE)]:
        if act:
            app.post_command(act)
        else:
            app.open_bmp(path, via="command")
        caption, text = app.wait_msgbox()
        assert harness.windows_path(path) in text and fragment in text, (name, text)
        app.dismiss_msgbox()
        app.sync()
        assert app.screenshot().data == before.data, name
        assert app.title() == "Form1.bmp", name
        app.mouse_move(210, 160)                          # over the formula, at half size
        app.wait_title("#1=5")
        app.mouse_move(500, 350)
        app.wait_title("Form1.bmp")
    for holder in holders:
        holder.kill()
    assert app.is_alive()


def test_a_read_only_form_opens(ctx):
    form = ctx.write("form.bmp", forms.small_form(24))
    with unwritable(form):
        app = ctx.start_app()
        app.open_bmp(form, via="command")
        app.wait_title("form.bmp")
        app.sync()
        assert app.msgbox() is None
    assert app.close() == 0


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
