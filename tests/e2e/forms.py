"""Forms the scenarios open, and how to read the view from a screenshot."""
import bmpfiles
import harness


def pattern_colour(x, y):
    """A picture with structure at every scale: coloured quadrants, a
    diagonal, and a black frame."""
    if x < 2 or y < 2:
        return (0, 0, 0)
    if (x + y) % 40 < 3:
        return (0, 0, 160)
    if x < 100:
        return (200, 40, 40) if y < 80 else (40, 160, 40)
    return (250, 250, 250) if (x // 16 + y // 16) % 2 else (120, 120, 120)


def small_form(bits, width=150, height=110, top_down=False):
    return bmpfiles.bmp_bytes(width, height, bits, pattern_colour, top_down=top_down)


def expected_full(pixel, bits, width, height):
    """What a picture built from `pixel` looks like once stored at this depth."""
    palette = bmpfiles.default_palette(bits)
    def stored(x, y):
        c = pixel(x, y)
        if bits <= 8:
            return palette[bmpfiles.nearest_index(palette, c)]
        if bits == 16:
            return tuple(((v >> 3) * 255 + 15) // 31 for v in c)
        return c
    return stored


def average_view(stored, width, height, ox, oy, w, h):
    """The half-size view computed here: each screen pixel the rounded mean
    of its 2x2 block; image pixels beyond the edges count as white."""
    def px(x, y):
        return stored(x, y) if x < width and y < height else (255, 255, 255)
    out = {}
    for j in range(h):
        for i in range(w):
            block = [px(ox + 2 * i + a, oy + 2 * j + b) for a in (0, 1) for b in (0, 1)]
            out[(i, j)] = tuple((sum(c[k] for c in block) + 2) // 4 for k in range(3))
    return out


def offsets_at_full_size(app):
    """The view's offsets, read from a coordinate form at full size."""
    return bmpfiles.position_of_colour(app.pixel(0, 0))


def wait_offsets(app, expected, timeout=5):
    harness.wait_until(lambda: offsets_at_full_size(app) == expected, timeout,
                       what="offsets %s (now %s)" % (expected, offsets_at_full_size(app)))


def open_refused(app, path, fragment, before, name):
    """Opens a file the program must refuse: a message box with no caption
    of its own saying `fragment`, and after it the program alive and the
    screen as `before` showed it."""
    app.open_bmp(path, via="command")
    caption, text = app.wait_msgbox()
    assert fragment in text, (name, text)
    assert caption == "Error", (name, caption)   # the system's own caption: none given
    app.dismiss_msgbox()
    app.sync()
    assert app.is_alive(), name
    assert app.screenshot().data == before.data, name
