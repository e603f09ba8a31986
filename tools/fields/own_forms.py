#!/usr/bin/env python3
"""Writes two small forms of our own, drawn in PostScript, with the fields
they hold, so the field finder can be measured on forms unlike the real ones:

    own_forms.py OUT_DIR      writes OUT_DIR/NAME.ps and OUT_DIR/NAME.json

The truth is in the format of ../shared/fields (points from the page's
top-left corner, kinds text, comb and check), so score.py reads it. The forms
vary what real forms vary: rule weights and grays, dotted leaders, labels on
the rule and inside cells, combs of ticks and of closed boxes, check boxes
close to their labels, a heavy section rule, a table with a cents column open
to the margin."""
import json
import os
import sys

H = 792.0


class Form:
    def __init__(self, name):
        self.name, self.ps, self.fields = name, [], []

    def gray(self, g):
        self.ps.append("%.2f setgray" % g)

    def rule(self, x0, x1, y, weight=0.6, g=0.0):
        self.gray(g)
        self.ps.append("%.2f setlinewidth newpath %.2f %.2f moveto %.2f %.2f lineto stroke" % (weight, x0, H - y, x1, H - y))

    def upright(self, x, y0, y1, weight=0.6, g=0.0):
        self.gray(g)
        self.ps.append("%.2f setlinewidth newpath %.2f %.2f moveto %.2f %.2f lineto stroke" % (weight, x, H - y0, x, H - y1))

    def frame(self, x0, y0, x1, y1, weight=0.6, g=0.0):
        self.gray(g)
        self.ps.append("%.2f setlinewidth newpath %.2f %.2f %.2f %.2f rectstroke" % (weight, x0, H - y1, x1 - x0, y1 - y0))

    def text(self, x, baseline, words, size=9, g=0.0):
        self.gray(g)
        words = words.replace("(", "\\(").replace(")", "\\)")
        self.ps.append("/Helvetica findfont %.1f scalefont setfont %.2f %.2f moveto (%s) show" % (size, x, H - baseline, words))

    def dots(self, x0, x1, y, period=2.8):
        self.gray(0)
        self.ps.append("[0.8 %.2f] 0 setdash 0.8 setlinewidth newpath %.2f %.2f moveto %.2f %.2f lineto stroke [] 0 setdash"
                       % (period - 0.8, x0, H - y, x1, H - y))

    def field(self, kind, x0, y0, x1, y1):
        self.fields.append({"kind": kind, "rect": [x0, y0, x1, y1]})

    def write(self, out):
        with open(os.path.join(out, self.name + ".ps"), "w") as f:
            f.write("%!PS\n<< /PageSize [612 792] >> setpagedevice\n1 setlinecap\n" + "\n".join(self.ps) + "\nshowpage\n")
        with open(os.path.join(out, self.name + ".json"), "w") as f:
            json.dump({"pdf": self.name + ".ps", "pages": [{"page": 1, "width": 612, "height": 792, "fields": self.fields}]},
                      f, indent=1)


def application():
    f = Form("own_application")
    f.text(60, 60, "APPLICATION FOR A PERMIT", 16)
    f.text(60, 80, "Please print clearly. Every field marked with a star must be filled in before you sign the form.", 8)
    # Labels standing on their underlines, at two weights and a gray.
    f.text(60, 120, "Surname")
    f.rule(100, 330, 120, 0.5)
    f.field("text", 100, 104, 330, 120)
    f.text(345, 120, "Given names")
    f.rule(400, 550, 120, 0.5)
    f.field("text", 400, 104, 550, 120)
    f.text(60, 148, "Street and number")
    f.rule(140, 550, 148, 0.5, 0.45)
    f.field("text", 140, 132, 550, 148)
    # Dotted leaders.
    f.text(60, 176, "Town")
    f.dots(85, 330, 176)
    f.field("text", 85, 160, 330, 176)
    f.text(345, 176, "Postcode")
    f.dots(385, 550, 176)
    f.field("text", 385, 160, 550, 176)
    # A comb of ticks and a comb of closed boxes.
    f.text(60, 206, "Permit number")
    f.rule(140, 140 + 10 * 13, 206, 0.6)
    for i in range(11):
        f.upright(140 + i * 13, 206, 199 if i % 5 else 194, 0.6)
    f.field("comb", 140, 192, 270, 206)
    f.text(300, 206, "Date")
    for i in range(8):
        f.frame(330 + i * 14, 192, 344 + i * 14, 208, 0.6)
    f.field("comb", 330, 192, 442, 208)
    # A heavy section rule, then check boxes close to their labels.
    f.rule(60, 552, 232, 2.5)
    f.text(60, 252, "Kind of permit", 11)
    for i, label in enumerate(["Residential", "Commercial", "Temporary"]):
        x = 60 + i * 120
        f.frame(x, 262, x + 8, 270, 0.5)
        f.field("check", x, 262, x + 8, 270)
        f.text(x + 10, 269.5, label)
    # Boxes with a small label at their top.
    for i, label in enumerate(["Signature of the applicant", "Date signed"]):
        x0, x1 = (60, 380) if i == 0 else (390, 552)
        f.frame(x0, 290, x1, 326, 0.6)
        f.text(x0 + 3, 298, label, 6)
        f.field("text", x0, 290, x1, 326)
    return f


def ledger():
    f = Form("own_ledger")
    f.text(60, 60, "Statement of expenses", 14)
    f.text(60, 78, "List each expense on its own row. Amounts in dollars and cents.", 8)
    top, row, rows = 100, 20, 8
    xs = [60, 140, 400, 480, 552]
    # Heavy outer rules, light inner ones; the cents column has no right side.
    f.rule(60, 552, top, 1.5)
    for r in range(1, rows + 1):
        f.rule(60, 552, top + r * row, 0.4 if r < rows else 1.5)
    for x in xs[:-1]:
        f.upright(x, top, top + rows * row, 1.2 if x == 60 else 0.4)
    for x, label in zip([63, 143, 403, 483], ["Date", "Description", "Dollars", "Cents"]):
        f.text(x, top + 13, label, 8)
    for r in range(1, rows):
        y0 = top + r * row
        for a, b in zip(xs, xs[1:]):
            f.field("text", a, y0, b, y0 + row)
        f.text(403, y0 + 13, "$", 8)
    # A total row with a gray rule and a label at its left.
    f.text(300, top + rows * row + 26, "Total", 9)
    f.rule(400, 552, top + rows * row + 28, 0.6, 0.5)
    f.field("text", 400, top + rows * row + 12, 552, top + rows * row + 28)
    # A paragraph, which holds no field.
    for i in range(5):
        f.text(60, 320 + i * 11, "I certify that these expenses were incurred for the purposes of the work and that no part of "
               "them has been claimed before.", 8)
    return f


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for form in (application(), ledger()):
        form.write(out)


if __name__ == "__main__":
    main()
