#!/usr/bin/env python3
"""Writes the entry file of the sample form (samples/sample-form.ps rendered
at 300 dpi): an expense claim filled in with a name, a date, four amounts and
their total, a formula over them.

    tools/make_sample_entries.py OUTPUT.dta

Each entry is placed by the box of the form it fills, given in the form's
PostScript points (from the bottom-left corner of the page) and turned into
pixels of the 300-dpi picture (from its top-left corner). Records are
written field by field at their offsets, as the program stores them."""
import struct
import sys

DPI = 300
PAGE_HEIGHT = 792          # points, Letter
RECORD_SIZE = 160

# The font of every entry: Arial of 50 pixels (12 points on the 300-dpi
# form). A record keeps half the height.
FACE, HEIGHT, WEIGHT = "Arial", 50, 400
# Widths and heights as the program measures the typed texts in that font at
# full size (it stores them for finding an entry under the pointer).
CELL_HEIGHT = 56
MEASURED = {
    "Margaret Ellison": 363, "40217": 140, "Field Sales": 248, "March 30, 2012": 350,
    "Train fare, Boston - New York": 662, "Hotel, two nights": 371,
    "Meals with the client": 452, "Taxi to the airport": 392,
    "#1=148": 169, "#2=386": 169, "#3=97": 141, "#4=42": 141, "#5=#1+#2+#3+#4": 396,
}


def px(points):
    return round(points * DPI / 72)


def from_top(points):
    return px(PAGE_HEIGHT - points)


# The boxes of samples/sample-form.ps (x, y, width, height in points); text
# starts 6 points in from a box's left side, and its top is 68 pixels above
# the box's bottom, below the box's label.
def in_box(x, y, text):
    return entry(px(x + 6), from_top(y) - 68, text)


# A line of the table of items, from 1: its bottom is 560 - 24 (line - 1)
# points; the description starts after the line number's column, the amount
# ends 8 points before the table's right side.
def item_line(line, description, amount_formula):
    bottom = from_top(560 - 24 * (line - 1))
    return [entry(px(90 + 6), bottom - 78, description),
            entry(px(558 - 8), bottom - 78, amount_formula, right=True)]


def entry(x, y, text, right=False):
    return dict(x=x, y=y, text=text, right=right)


ENTRIES = [
    in_box(54, 660, "Margaret Ellison"),            # NAME
    in_box(360, 660, "40217"),                      # EMPLOYEE NUMBER
    in_box(54, 624, "Field Sales"),                 # DEPARTMENT
    in_box(260, 624, "March 30, 2012"),             # DATE
    *item_line(1, "Train fare, Boston - New York", "#1=148"),
    *item_line(2, "Hotel, two nights", "#2=386"),
    *item_line(3, "Meals with the client", "#3=97"),
    *item_line(4, "Taxi to the airport", "#4=42"),
    # TOTAL, a box of its own at (460, 264): the amounts added up.
    entry(px(558 - 8), from_top(264) - 78, "#5=#1+#2+#3+#4", right=True),
]


def record(e):
    r = bytearray(RECORD_SIZE)
    text = e["text"].encode("latin-1")
    face = FACE.encode("latin-1")
    assert len(text) < 100 and len(face) < 32
    struct.pack_into("<i", r, 0, e["x"])
    struct.pack_into("<i", r, 4, e["y"])
    struct.pack_into("<i", r, 8, MEASURED[e["text"]])
    struct.pack_into("<i", r, 12, CELL_HEIGHT)
    r[16:16 + len(text)] = text
    r[116:116 + len(face)] = face
    struct.pack_into("<i", r, 148, HEIGHT // 2)
    struct.pack_into("<i", r, 152, WEIGHT)
    r[156] = 0                          # pitch and family
    r[157] = 0                          # colour: black
    r[158] = 0                          # horizontal
    r[159] = 1 if e["right"] else 0     # right-justified
    return bytes(r)


def main(path):
    with open(path, "wb") as f:
        f.write(b"".join(record(e) for e in ENTRIES))


if __name__ == "__main__":
    main(sys.argv[1])
