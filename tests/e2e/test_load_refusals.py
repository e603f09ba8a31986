"""A damaged or unknown .bmp file is refused with a message box (no caption
of its own) and the form on screen stays; the program goes on."""
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
