"""A real form walked with Tab only: a page of a fillable PDF whose author
declared every field, rendered as the blank printed form, filled field after
field from the keyboard, and the entries scored against the declared fields
by the folder's own score.py. The forms live beside the repository
(../shared/fields); without them the scenario is skipped."""
import os
import re
import shutil
import subprocess

import harness
from test_fields import tab
from test_placing import entries

FORMS = os.path.join(harness.REPO, "..", "shared", "fields")
FORM, PAGE, DPI = "sample_form", 1, 150
TIMEOUT = 150   # a page of some thirty fields, each typed into


def rendered_page(ctx):
    """The page as render.sh makes it: a 24-bit .bmp at DPI, which the
    program opens as it is."""
    if not os.path.isfile(os.path.join(FORMS, "render.sh")):
        raise harness.Skip("no real forms beside the repository (%s)" % os.path.normpath(FORMS))
    if not shutil.which("gs"):
        raise harness.Skip("rendering a real form needs Ghostscript (gs)")
    out = ctx.path(FORM + ".bmp")
    subprocess.run(["sh", os.path.join(FORMS, "render.sh"), os.path.join(FORMS, FORM + ".pdf"), str(PAGE),
                    str(DPI), out], check=True)
    return out


def editing(app):
    return app.focus()[1] == "Edit"


def walk(ctx, app):
    """Tab into the first field, then into each next one until the box
    closes after the last: each field gets an "x" first, which a check box
    takes as its mark (storing it and moving on at once), and a text field
    keeps, followed by a "g" (a descender, to sit inside the field too): two
    letters, as short as the narrowest field here (a middle initial) takes. Returns how many fields were
    visited and how many of them were check boxes."""
    name = FORM + ".dta"
    tab(app, "Tab")
    assert editing(app), "Tab opened no field"
    visited = checks = 0
    while editing(app):
        assert visited < 200, "Tab never came past the last field"
        visited += 1
        stored = len(entries(ctx, name))
        tab(app, "x")
        if len(entries(ctx, name)) == stored + 1:
            checks += 1
            continue
        app.type("g")
        tab(app, "Tab")
    return visited, checks


def score(ctx):
    """score.py's figures for the filled form, as a dict of numbers."""
    out = subprocess.run(["python3", os.path.join(FORMS, "score.py"), os.path.join(FORMS, FORM + ".json"),
                          str(PAGE), str(DPI), "--dta", ctx.path(FORM + ".dta")],
                         stdout=subprocess.PIPE, check=True, text=True).stdout
    print(out.rstrip())
    figures = {}
    for kind in ("text", "comb", "check"):
        found, total = re.search(r"%s\s+found (\d+) of (\d+)" % kind, out).groups()
        figures[kind] = (int(found), int(total))
    finds, false, double = re.search(r"finds (\d+), in no field (\d+) .* twice or more (\d+)", out).groups()
    fits, in_field = re.search(r"entries inside their field (\d+) of (\d+)", out).groups()
    figures.update(finds=int(finds), false=int(false), double=int(double), fits=int(fits), in_field=int(in_field))
    return figures


def test_a_real_form_walked_with_tab_holds_every_entry_inside_its_field(ctx):
    form = rendered_page(ctx)
    app = ctx.start_app()
    app.open_bmp(form, via="command")
    app.wait_title(os.path.basename(form))
    app.sync()
    visited, checks = walk(ctx, app)
    print("fields visited %d, check boxes among them %d" % (visited, checks))
    assert app.close() == 0
    s = score(ctx)
    text, check = s["text"], s["check"]
    # Nearly every declared field holds an entry, and nearly every entry is
    # in a declared field (a printed line with no declared field, such as a
    # signature line, counts against it)...
    assert text[0] >= 0.85 * text[1] and check[0] >= 0.9 * check[1], s
    assert s["finds"] - s["false"] >= 0.85 * s["finds"], s
    assert s["double"] == 0, s
    # ...and every entry in a field fits inside it.
    assert s["fits"] == s["in_field"], s
