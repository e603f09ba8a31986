"""Files anyone can be sent: a .bmp whose headers no DIB section can be made
of is refused with a message and the form on screen stays; a .dta whose
records hold any values at all is drawn without harm and stays as it was,
byte for byte. The program lives on through all of them."""
import bmpfiles
import entryfiles
import forms
import harness

INT32_MIN, INT32_MAX = -2 ** 31, 2 ** 31 - 1


def test_bitmaps_no_dib_section_can_hold_are_refused_and_the_form_stays(ctx):
    good = ctx.write("good.bmp", forms.small_form(24))
    app = ctx.start_app()
    app.open_bmp(good, via="command")
    harness.wait_until(lambda: app.title() == "good.bmp", 5, what="the good form")
    app.sync()
    before = app.screenshot()
    for name, head, size, fragment in bmpfiles.hostile_variants():
        forms.open_refused(app, bmpfiles.write_sparse(ctx.path(name + ".bmp"), head, size), fragment, before, name)
        assert app.title() == "good.bmp", name
    # Run-length streams that would write outside the picture or end early.
    for name, stream, fragment in bmpfiles.rle_hostile_streams():
        path = ctx.write(name + ".bmp", bmpfiles.rle_bmp(4, 2, 8, None, stream=stream))
        forms.open_refused(app, path, fragment, before, name)
        assert app.title() == "good.bmp", name


def text_without_terminator(data):
    """A record whose text and face name fill their fields with no zero."""
    return data[:16] + b"W" * 100 + b"F" * 32 + data[148:]


# (name, records before the ordinary entry that ends every file)
HOSTILE_RECORDS = [
    ("ms-sans-serif-size-65536", [entryfiles.record(10, 10, "W", face="MS Sans Serif", size=65536)]),
    ("small-fonts-size-minus-100000",
     [entryfiles.record(10, -100000, "Hello", face="Small Fonts", size=-100000)]),
    ("most-negative", [entryfiles.record(INT32_MIN, INT32_MIN, "Low", INT32_MIN, INT32_MIN, size=INT32_MIN,
                                         weight=INT32_MIN, right=1)]),
    ("most-positive", [entryfiles.record(INT32_MAX, INT32_MAX, "High", INT32_MAX, INT32_MAX, size=INT32_MAX,
                                         weight=INT32_MAX, vertical=1, right=1)]),
    ("weights", [entryfiles.record(20, 20, "Minus", weight=-1), entryfiles.record(20, 60, "Max", weight=INT32_MAX)]),
    ("no-terminators", [text_without_terminator(entryfiles.record(20, 20, "", colour=255, vertical=255,
                                                                  right=255))]),
    ("formula-at-the-far-end", [entryfiles.record(INT32_MAX, 40, "#1=5", width=INT32_MIN, size=-1093, right=1)]),
]


def test_entry_files_with_any_values_are_drawn_safely_and_kept(ctx):
    rows = [b"\xff" * bmpfiles.stride(400, 24)] * 200
    white = bmpfiles.raw_bmp(400, 200, 24, rows)
    # An ordinary entry after the others: it is drawn as ever.
    ordinary = entryfiles.record(300, 150, "OK", size=10)
    app = ctx.start_app()
    for name, records in HOSTILE_RECORDS:
        form = ctx.write(name + ".bmp", white)
        stored = entryfiles.entry_file(*records, ordinary)
        entries = ctx.write(name + ".dta", stored)
        app.open_bmp(form, via="command")
        harness.wait_until(lambda: app.title() == name + ".bmp", 5, what=name)
        app.sync()
        assert app.is_alive(), name
        assert app.msgbox() is None, name
        # At half size the ordinary entry lies from (150, 75).
        ink = app.screenshot().crop(145, 70, 40, 20).bbox((0, 0, 0), tolerance=200)
        assert ink is not None, (name, "the ordinary entry is not drawn")
        with open(entries, "rb") as f:
            assert f.read() == stored, (name, "the entry file changed")
