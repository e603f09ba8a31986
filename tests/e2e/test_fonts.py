"""The fonts entries name are real in the program's Wine prefix: Arial,
Times New Roman and Courier New are Liberation Sans, Serif and Mono, which
have their metrics, so entries measure and draw as on Windows whatever other
fonts the machine has."""
import entryfiles
import harness
from test_commands import control_text, open_font_dialog
from test_placing import entries, open_form, place

FACE_BOX = 1136     # the font dialog's face name combo box


def test_the_font_dialog_opens_on_arial_for_a_new_user(app):
    assert control_text(open_font_dialog(app), FACE_BOX) == "Arial"
    app.click_button("Font", "Cancel")
    app.wait_no_dialog()


def text_width(session, face, height, text):
    fields = session.probe.kv("text-extent %s %d %s" % (harness.quote(face), height, harness.quote(text)))
    assert fields["rc"] == 0, fields
    return fields["face"], int(fields["extent"].split()[0])


TEXT = "Quarterly estimated tax, 2012"


def test_an_entry_stored_as_times_new_roman_is_measured_as_liberation_serif(ctx):
    # Picked up and put back at full size, the entry is measured again in its
    # own font, and the width stored is that font's.
    stored = entryfiles.record(400, 300, TEXT, width=400, height=35, face="Times New Roman", size=15)
    app = open_form(ctx, dta=[stored], full_size=True)
    place(app, 420, 420, None, key=None, drag_from=(420, 310))
    harness.wait_until(lambda: app.focus()[1] == "Edit", 5, what="the picked entry's edit box")
    app.key("Return")
    [moved] = harness.wait_until(lambda: entries(ctx), 5, what="the entry stored again")
    assert (moved["text"], moved["face"], moved["y"]) == (TEXT, "Times New Roman", 420), moved

    serif = text_width(ctx.session, "Liberation Serif", -30, TEXT)
    assert moved["width"] == serif[1], (moved, serif)
    assert text_width(ctx.session, "Times New Roman", -30, TEXT) == ("Times New Roman", serif[1])
    # Not the face Wine falls back on for names it does not know.
    assert serif[1] != text_width(ctx.session, "Liberation Sans", -30, TEXT)[1]
