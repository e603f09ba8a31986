#!/usr/bin/python3
"""Opens the sample form in Scrivelander on a virtual display and saves a
screenshot of the whole window: what `make run` does without a display.
The view is scrolled down to the boxes, so the table and its total show,
and the pointer rests on the total, so the title bar shows its formula."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

# Where the sample's total is drawn (tools/make_sample_entries.py), in the
# 300-dpi form's pixels; and how far down the view starts: 400 pixels, four
# presses of Down at half size, just above the NAME box.
TOTAL = (2250, 2150)
SCROLL_KEYS = 4
TOP = 100 * SCROLL_KEYS


def main(form, screenshot):
    form = os.path.abspath(form)
    screenshot = os.path.abspath(screenshot)
    with harness.Session() as session:
        app = session.start_app(cwd=os.path.dirname(form))
        app.open_bmp(form, via="keys")
        app.wait_title(os.path.basename(form), 10)
        for _ in range(SCROLL_KEYS):
            app.key("Down")
        app.sync()
        # At half size a window point is half the form's point from the top.
        app.mouse_move(10, 10)
        app.mouse_move(TOTAL[0] // 2, (TOTAL[1] - TOP) // 2)
        harness.wait_until(lambda: app.title().startswith("#"), 5, what="the total's formula")
        session.screenshot_screen_stable().save_png(screenshot)
        app.close()
    print("Scrivelander showed %s; screenshot: %s" % (form, screenshot))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
