#!/usr/bin/python3
"""Opens the sample form in Scrivelander on a virtual display and saves a
screenshot of the whole window: what `make run` does without a display."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


def main(form, screenshot):
    form = os.path.abspath(form)
    screenshot = os.path.abspath(screenshot)
    with harness.Session() as session:
        app = session.start_app(cwd=os.path.dirname(form))
        app.open_bmp(form, via="keys")
        harness.wait_until(lambda: app.title() == os.path.basename(form), 10, what="the form")
        app.sync()
        session.screenshot_screen_stable().save_png(screenshot)
        app.close()
    print("Scrivelander showed %s; screenshot: %s" % (form, screenshot))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
