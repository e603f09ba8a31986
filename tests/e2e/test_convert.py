"""Converting a PDF to .bmp pages: the conversion dialog, the search for
Ghostscript under C:\\Program Files\\gs, the command line it is started
with, and the pages it writes, rendered for real by Debian's gs behind the
gswin32c.exe stand-in."""
import os
import subprocess
import time

import bmpfiles
import entryfiles
import ghostscript
import harness
from resource_ids import IDC_BLACK_WHITE, IDC_FULL_COLOR, IDC_RESOLUTION, IDC_SHADES_OF_GRAY, IDM_OPEN_BMP

BASE = '"C:\\Program Files\\gs\\gs%s\\bin\\gswin32c" -dBATCH -dNOPAUSE -sDEVICE='


def line(version, tail):
    return BASE % version + tail


def pdf_in(ctx, folder, name, pages=1):
    return ghostscript.make_pdf(ctx.path(folder, name), pages)


# ------------------------------------------------------------ the dialog

# The "PDFTOBMP" resource, control by control in tab order:
# (id, class, text, x, y, cx, cy, style).
DIALOG_ITEMS = [
    (1, "Button", "OK", 10, 80, 50, 14, 0x50010001),                    # default push button, tab stop
    (2, "Button", "Cancel", 105, 80, 50, 14, 0x50010000),               # push button, tab stop
    (-1, "Static", "Printer Resolution: ", 10, 60, 60, 8, 0x50020000),  # starts a group
    (-1, "Static", "dpi (dots per inch)", 100, 60, 57, 8, 0x50020000),
    (IDC_RESOLUTION, "Edit", "", 75, 60, 20, 12, 0x50810080),           # border, tab stop, auto scroll
    (IDC_BLACK_WHITE, "Button", "Black && White", 40, 10, 57, 10, 0x50000009),  # automatic radio buttons
    (IDC_SHADES_OF_GRAY, "Button", "Shades of Gray", 40, 25, 65, 10, 0x50000009),
    (IDC_FULL_COLOR, "Button", "Full Color", 40, 40, 45, 10, 0x50000009),
]


def test_the_conversion_dialog_resource_is_laid_out_as_designed(ctx):
    lines, rc = ctx.session.probe.call("dialog-template %s PDFTOBMP"
                                       % harness.quote(harness.windows_path(harness.APP_EXE)))
    assert rc == 0, lines
    head = harness.parse_fields(lines[0].partition(" ")[2])
    # DS_CENTER | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP, and
    # DS_SETFONT for the font.
    assert int(head["style"], 16) == 0x80000000 | 0x00C00000 | 0x00080000 | 0x0800 | 0x80 | 0x40
    assert (head["x"], head["y"], head["cx"], head["cy"]) == ("0", "0", "167", "103")
    assert (head["caption"], head["face"], head["points"]) == ("Convert .pdf to .bmp", "MS Sans Serif", "8")
    assert head["menu"] == "" and head["class"] == ""
    items = []
    for item in lines[1:]:
        f = harness.parse_fields(item.partition(" ")[2])
        items.append((int(f["id"]), f["class"], f["text"], int(f["x"]), int(f["y"]), int(f["cx"]),
                      int(f["cy"]), int(f["style"], 16)))
    assert items == DIALOG_ITEMS, items
    # The labels show as written: "&&" is an "&", not an access key.
    assert [ghostscript.shown_label(item[2]) for item in items[5:]] == [
        "Black & White", "Shades of Gray", "Full Color"]


def muldiv(a, b, c):
    return (a * b + c // 2) // c


def placed(dialog_units, bx, by):
    """Where Windows puts a control given in dialog units: its client rectangle."""
    x, y, cx, cy = dialog_units
    left, top = muldiv(x, bx, 4), muldiv(y, by, 8)
    return (left, top, left + muldiv(cx, bx, 4), top + muldiv(cy, by, 8))


def test_the_dialog_opens_with_shades_of_gray_and_the_saved_resolution(ctx):
    # A four-digit resolution read at start shows in full; OK keeps three.
    ctx.write("Scrivelander.ini", "PrinterResolution=1200")
    pdf = pdf_in(ctx, "pdfs", "Document.pdf", pages=3)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        dialog, controls, focus = ghostscript.controls(app)
        assert dialog["owner"] == "0x0"            # no owner window
        by_id = {c["id"]: c for c in controls if c["id"] > 0}
        assert [c["text"] for c in controls] == [item[2] for item in DIALOG_ITEMS[:4]] + [
            "1200", "Black && White", "Shades of Gray", "Full Color"]
        assert [by_id[i]["checked"] for i in (IDC_BLACK_WHITE, IDC_SHADES_OF_GRAY, IDC_FULL_COLOR)] == [0, 1, 0]
        # Every control sits where its dialog units put it: one pair of base
        # units for the whole dialog maps every rectangle exactly.
        units = [(bx, by) for bx in range(4, 20) for by in range(8, 40)
                 if all(c["rect"] == placed(item[3:7], bx, by) for c, item in zip(controls, DIALOG_ITEMS))]
        assert len(units) == 1, [c["rect"] for c in controls]
        bx, by = units[0]
        assert dialog["client"] == "%d,%d" % (muldiv(167, bx, 4), muldiv(103, by, 8))
        # Centred on the 1600 x 1000 screen.
        d = app.wait_dialog(5, lambda d: d.caption == ghostscript.DIALOG)
        assert abs((d.rect[0] + d.rect[2]) / 2 - 800) <= 2 and abs((d.rect[1] + d.rect[3]) / 2 - 500) <= 2
        ghostscript.press(app, "OK")
        bmp_dialog = ghostscript.wait_bmp_dialog(app)
        assert ghostscript.file_name_box(bmp_dialog) == ""
        assert ghostscript.settings(ctx.dir) == b"PrinterResolution=120"
        runs = gs.wait_runs("gs9.05", 1)
        assert runs[0]["cmdline"] == line(
            "9.05", 'bmpgray -r120 -sOutputFile="Document"%d.bmp "Document.pdf"'), runs[0]
        assert runs[0]["exit"] == "0"
        # Three pages at 120 dpi in the PDF's folder, grey, each with its square.
        for page in (1, 2, 3):
            bmp = ghostscript.Bmp(ctx.path("pdfs", "Document%d.bmp" % page))
            assert (bmp.width, bmp.height, bmp.bits) == (240, 360, 8)
            for other in (1, 2, 3):
                assert bmp.dark(*ghostscript.square_centre(other, 120)) == (other == page), (page, other)
        # The user picks the second page in the .bmp dialog; it opens at half size.
        ghostscript.open_page(app, ctx.path("pdfs", "Document2.bmp"))
        app.wait_title("Document2.bmp")
        app.sync()
        x, y = ghostscript.square_centre(2, 120)
        assert app.pixel(x // 2, y // 2) == (0, 0, 0)
        x, y = ghostscript.square_centre(1, 120)
        assert app.pixel(x // 2, y // 2) == (255, 255, 255)
        assert app.close() == 0


def test_the_colour_choice_picks_the_device_and_resets_each_time(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        cases = [
            (IDC_BLACK_WHITE, "bmpmono", 1),
            (IDC_FULL_COLOR, "bmp16m", 24),
            (None, "bmpgray", 8),      # the dialog offers Shades of Gray again
        ]
        for n, (choice, device, bits) in enumerate(cases, 1):
            ghostscript.convert(app, pdf, resolution="72", colour=choice, via="keys")
            runs = gs.wait_runs("gs9.05", n)
            assert runs[-1]["args"][2] == "-sDEVICE=" + device, (choice, runs[-1])
            assert ghostscript.Bmp(ctx.path("pdfs", "Document1.bmp")).bits == bits, choice
            ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


def test_the_resolution_box_gives_at_most_three_characters_of_any_kind(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        assert ghostscript.settings(ctx.dir) is None
        # With no settings file the box starts empty; typing 600 writes 21 bytes.
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        assert ghostscript.control(app, IDC_RESOLUTION)["text"] == ""
        ghostscript.click_control(app, IDC_RESOLUTION)
        harness.wait_until(lambda: ghostscript.controls(app)[2] == IDC_RESOLUTION, 5, what="focus in the box")
        app.type("600")
        ghostscript.press(app, "OK")
        ghostscript.wait_bmp_dialog(app)
        assert ghostscript.settings(ctx.dir) == b"PrinterResolution=600"
        assert gs.wait_runs("gs9.05", 1)[-1]["args"][3] == "-r600"
        ghostscript.cancel_bmp_dialog(app)
        # More than three characters: the first three count. Letters pass
        # unchecked; Ghostscript then refuses, which is told.
        cases = [("72000", b"PrinterResolution=720", "-r720", "0"),
                 ("abc", b"PrinterResolution=abc", "-rabc", None)]
        for n, (typed, stored, switch, exit_code) in enumerate(cases, 2):
            ghostscript.convert(app, pdf, resolution=typed, then=exit_code)
            if exit_code is None:
                caption, text = app.wait_msgbox(10)
                assert caption == "Conversion failed" and "exit code 1 and made 0 pages" in text, text
                app.dismiss_msgbox()
            assert ghostscript.settings(ctx.dir) == stored, typed
            run = gs.wait_runs("gs9.05", n)[-1]
            assert run["args"][3] == switch, run
            if exit_code is not None:
                assert run["exit"] == exit_code, run
                ghostscript.cancel_bmp_dialog(app)
            else:
                assert run["exit"] != "0", run
        assert app.close() == 0


def test_an_empty_box_blocks_ok_and_cancel_changes_nothing(ctx):
    ini = ctx.write("Scrivelander.ini", "PrinterResolution=300")
    past = time.time() - 3600
    os.utime(ini, (past, past))
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        assert ghostscript.control(app, IDC_RESOLUTION)["text"] == "300"
        ghostscript.set_resolution(app, "")
        ghostscript.press(app, "OK")
        # The dialog stays, with the keyboard focus in the box.
        harness.wait_until(lambda: ghostscript.controls(app)[2] == IDC_RESOLUTION, 5, what="focus in the box")
        assert [d.caption for d in app.dialogs()] == [ghostscript.DIALOG]
        # Cancel: nothing written, nothing started, no .bmp dialog.
        ghostscript.press(app, "Cancel")
        app.wait_no_dialog()
        assert ghostscript.settings(ctx.dir) == b"PrinterResolution=300"
        assert os.stat(ini).st_mtime == past
        # The next opening shows the box as the empty OK left it; Esc cancels too.
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        assert ghostscript.control(app, IDC_RESOLUTION)["text"] == ""
        app.key("Escape")
        app.wait_no_dialog()
        app.sync()
        assert os.stat(ini).st_mtime == past
        assert gs.runs("gs9.05") == []
        assert os.listdir(ctx.path("pdfs")) == ["Document.pdf"]
        assert app.close() == 0


def test_two_conversions_write_the_same_file_in_the_start_up_folder(ctx):
    start = ctx.path("start")
    os.makedirs(start)
    first = pdf_in(ctx, "a", "First.pdf")
    second = pdf_in(ctx, "b", "Second.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app(cwd=start)
        for n, (pdf, resolution) in enumerate([(first, "300"), (second, "600")], 1):
            ghostscript.convert(app, pdf, resolution=resolution)
            assert ghostscript.settings(start) == ("PrinterResolution=" + resolution).encode()
            run = gs.wait_runs("gs9.05", n)[-1]
            # Ghostscript ran in the PDF's folder, which the .pdf dialog made current.
            assert run["cwd"] == harness.windows_path(os.path.dirname(pdf)), run
            ghostscript.cancel_bmp_dialog(app)
        assert ghostscript.settings(ctx.path("a")) is None and ghostscript.settings(ctx.path("b")) is None
        assert os.path.exists(ctx.path("a", "First1.bmp")) and os.path.exists(ctx.path("b", "Second1.bmp"))
        assert app.close() == 0
    # The next start reads what the last conversion wrote.
    app = ctx.start_app(cwd=start)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, first, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        assert ghostscript.control(app, IDC_RESOLUTION)["text"] == "600"
        ghostscript.press(app, "Cancel")
        app.wait_no_dialog()
        assert app.close() == 0


# ---------------------------------------------------- finding Ghostscript

def test_gs905_is_found_at_once_before_later_versions(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        gs.install("gs9.06")
        app = ctx.start_app()
        ghostscript.convert(app, pdf, resolution="600")
        run = gs.wait_runs("gs9.05", 1)[0]
        assert run["cmdline"] == line("9.05", 'bmpgray -r600 -sOutputFile="Document"%d.bmp "Document.pdf"')
        assert gs.runs("gs9.06") == []
        ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


def test_the_search_steps_to_gs910_and_a_second_conversion_stays_there(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        # gs9.10 without its program: the message names the path the search
        # reached, so the directory and the program path both say 9.10.
        gs.folder("gs9.10")
        app = ctx.start_app()
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        assert app.wait_msgbox() == ("Couldn't find:", "C:\\Program Files\\gs\\gs9.10\\bin\\gswin32c.exe")
        app.dismiss_msgbox()
        app.sync()
        assert app.dialogs() == []
        # The version stays at 9.10: an older folder installed since is not looked at.
        gs.install("gs9.10")
        gs.install("gs9.07")
        ghostscript.convert(app, pdf, resolution="600")
        run = gs.wait_runs("gs9.10", 1)[0]
        assert run["cmdline"] == line("9.10", 'bmpgray -r600 -sOutputFile="Document"%d.bmp "Document.pdf"')
        assert gs.runs("gs9.07") == []
        ghostscript.cancel_bmp_dialog(app)
        ghostscript.convert(app, pdf, resolution="300")
        assert gs.wait_runs("gs9.10", 2)[1]["cmdline"] == line(
            "9.10", 'bmpgray -r300 -sOutputFile="Document"%d.bmp "Document.pdf"')
        ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


def test_without_a_gs_folder_the_user_is_sent_to_the_help(ctx):
    cases = [
        ("no C:\\Program Files\\gs", lambda gs: None),
        ("an empty gs folder", lambda gs: os.makedirs(ghostscript.GS_ROOT)),
        ("a file, not a folder", lambda gs: gs.file("gs9.05")),
    ]
    for what, make in cases:
        with ghostscript.Folders() as gs:
            make(gs)
            app = ctx.start_app()
            app.post_command(ghostscript.IDM_CONVERT_PDF)
            assert app.wait_msgbox() == ("File not found!", "Read Help -GhostScript"), what
            app.dismiss_msgbox()
            app.sync()
            assert app.dialogs() == [], what
            assert app.close() == 0


def test_folders_that_are_never_matched_end_the_search_at_gs999(ctx):
    for folder in ("gs9.5", "gs10.01"):
        with ghostscript.Folders() as gs:
            gs.install(folder)
            app = ctx.start_app()
            for attempt in (1, 2):      # the second search starts and ends at 9.99
                t0 = time.monotonic()
                app.post_command(ghostscript.IDM_CONVERT_PDF)
                caption, text = app.wait_msgbox()
                assert caption == "File not found!", (folder, caption)
                assert text == ("Ghostscript was looked for in the folders C:\\Program Files\\gs\\gs9.05 "
                                "to gs9.99 and is in none of them.\nRead Help -GhostScript"), (folder, text)
                assert time.monotonic() - t0 < 3, folder
                app.dismiss_msgbox()
                app.sync()
                assert app.dialogs() == []
            # A gs9.99 folder is found where the search stopped.
            gs.folder("gs9.99")
            app.post_command(ghostscript.IDM_CONVERT_PDF)
            assert app.wait_msgbox() == ("Couldn't find:", "C:\\Program Files\\gs\\gs9.99\\bin\\gswin32c.exe")
            app.dismiss_msgbox()
            assert gs.runs(folder) == []
            assert app.close() == 0


# ------------------------------------------------ the command line, pages

def test_the_command_line_quotes_the_program_the_stem_and_the_name(ctx):
    cases = [
        # (PDF name, pages, line after -sDEVICE=, argv[5] and argv[6] as the
        #  console program splits them, page files)
        ("Document.pdf", 3, 'bmpgray -r600 -sOutputFile="Document"%d.bmp "Document.pdf"',
         ["-sOutputFile=Document%d.bmp", "Document.pdf"], ["Document1.bmp", "Document2.bmp", "Document3.bmp"]),
        ("my.form.final.pdf", 1, 'bmpgray -r600 -sOutputFile="my"%d.bmp "my.form.final.pdf"',
         ["-sOutputFile=my%d.bmp", "my.form.final.pdf"], ["my1.bmp"]),
        ("tax form 2023.pdf", 1, 'bmpgray -r600 -sOutputFile="tax form 2023"%d.bmp "tax form 2023.pdf"',
         ["-sOutputFile=tax form 2023%d.bmp", "tax form 2023.pdf"], ["tax form 20231.bmp"]),
        (".hidden.pdf", 1, 'bmpgray -r600 -sOutputFile=""%d.bmp ".hidden.pdf"',
         ["-sOutputFile=%d.bmp", ".hidden.pdf"], ["1.bmp"]),
    ]
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        gs.decoy()
        app = ctx.start_app()
        for n, (name, pages, tail, args, files) in enumerate(cases, 1):
            folder = "pdf%d" % n
            pdf = pdf_in(ctx, folder, name, pages)
            ghostscript.convert(app, pdf, resolution="600")
            run = gs.wait_runs("gs9.05", n)[-1]
            assert run["cmdline"] == line("9.05", tail), (name, run["cmdline"])
            assert run["args"] == ["-dBATCH", "-dNOPAUSE", "-sDEVICE=bmpgray", "-r600"] + args, run
            assert run["exit"] == "0", run
            assert sorted(os.listdir(ctx.path(folder))) == sorted([name] + files), name
            for page, file in enumerate(files, 1):
                bmp = ghostscript.Bmp(ctx.path(folder, file))
                assert (bmp.width, bmp.height) == (1200, 1800)
                assert bmp.dark(*ghostscript.square_centre(page, 600)), file
            ghostscript.cancel_bmp_dialog(app)
        # The program was started by its own path, never as C:\Program.exe.
        assert not gs.decoy_runs()
        assert app.close() == 0


def test_an_unquoted_program_path_converts_nothing(ctx):
    # The stand-in splits its command line as a Windows console program does:
    # without quotes the path breaks at its blank, and gs is handed
    # "Files\...\gswin32c" as its first file, as the real program would be.
    folder = ctx.path("pdfs")
    pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        tail = 'bmpgray -r72 -sOutputFile="Document"%d.bmp "Document.pdf"'
        unquoted = line("9.05", tail).replace('"C:', "C:", 1).replace('gswin32c"', "gswin32c", 1)
        program = "C:\\Program Files\\gs\\gs9.05\\bin\\gswin32c.exe"
        for n, command in enumerate([unquoted, line("9.05", tail)], 1):
            lines, rc = ctx.session.probe.call("start %s %s %s" % (
                harness.quote(harness.windows_path(folder)), harness.quote(program), harness.quote(command)))
            assert rc == 0, lines
            run = gs.wait_runs("gs9.05", n)[-1]
            assert run["cmdline"] == command
            if n == 1:
                assert run["args"][0] == "Files\\gs\\gs9.05\\bin\\gswin32c", run
                assert run["exit"] != "0"
                assert os.listdir(folder) == ["Document.pdf"]
            else:
                assert run["args"][0] == "-dBATCH", run
                assert run["exit"] == "0"
                assert os.path.exists(os.path.join(folder, "Document1.bmp"))


def test_a_name_too_long_for_the_command_line_is_refused(ctx):
    # With bmpgray and a three-character resolution the stem and the name
    # have 152 characters: a 74-letter stem just fits (a 259-character line).
    fits = "f" * 74 + ".pdf"
    too_long = "t" * 75 + ".pdf"
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        ghostscript.convert(app, pdf_in(ctx, "ok", fits), resolution="600")
        run = gs.wait_runs("gs9.05", 1)[0]
        assert len(run["cmdline"]) == 259 and run["exit"] == "0"
        assert os.path.exists(ctx.path("ok", "f" * 74 + "1.bmp"))
        ghostscript.cancel_bmp_dialog(app)

        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf_in(ctx, "long", too_long), "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        ghostscript.set_resolution(app, "600")
        ghostscript.press(app, "OK")
        caption, text = app.wait_msgbox()
        assert caption == "File name too long"
        assert too_long in text and "152 characters" in text and "has 154" in text, text
        app.dismiss_msgbox()
        app.sync()
        assert app.dialogs() == []           # no .bmp dialog, nothing started
        assert len(gs.runs("gs9.05")) == 1
        assert os.listdir(ctx.path("long")) == [too_long]
        assert app.close() == 0


def test_a_start_up_folder_too_long_for_the_settings_path_is_reported(ctx):
    # "\Scrivelander.ini" is 17 characters: a start-up folder of 242 gives
    # a 259-character path, which is written; one of 243 can't be.
    base = len(harness.windows_path(ctx.dir)) + 1
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        for n, length in enumerate((242, 243), 1):
            start = ctx.path("s%d" % n + "d" * (length - base - 2))
            os.makedirs(start)
            assert len(harness.windows_path(start)) == length
            app = ctx.start_app(cwd=start)
            app.post_command(ghostscript.IDM_CONVERT_PDF)
            ghostscript.choose_file(app, pdf, "Open .pdf file")
            ghostscript.wait_conversion_dialog(app)
            ghostscript.set_resolution(app, "72")
            ghostscript.press(app, "OK")
            if length == 243:
                # The message is owned by the conversion dialog, still open under it.
                box = app.wait_dialog(5, lambda d: d.caption == "Settings not saved", "the message")
                assert "too long" in box.text, box.text
                harness.wait_until(lambda: app.foreground()[0] == "Settings not saved", 5,
                                   what="the message in front")
                app.key("Return")
            ghostscript.wait_bmp_dialog(app)
            assert gs.wait_runs("gs9.05", n)[-1]["args"][3] == "-r72"
            assert (ghostscript.settings(start) == b"PrinterResolution=72") == (length == 242)
            ghostscript.cancel_bmp_dialog(app)
            assert app.close() == 0


# ------------------------------------------------- waiting for Ghostscript

def test_the_page_dialog_opens_once_ghostscript_has_made_every_page(ctx):
    # A slow Ghostscript: while it runs the "Converting" window stands over
    # the disabled main window, which still paints; the page dialog opens
    # only when every page is there.
    form = ctx.write("form.bmp", bmpfiles.coordinate_form(200, 150))
    pdf = pdf_in(ctx, "pdfs", "Document.pdf", pages=3)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        gs.slow("gs9.05", 2500)
        app = ctx.start_app()
        app.open_bmp(form)
        app.wait_title("form.bmp")
        ghostscript.convert(app, pdf, resolution="72", then=None)
        converting = ghostscript.wait_converting(app)
        assert "Converting Document.pdf with Ghostscript..." in [c[2] for c in converting.controls], converting
        assert [b[1] for b in converting.buttons] == ["Cancel"], converting
        assert app.window()["enabled"] == "0"
        assert not any(d.caption == "Open .bmp file" for d in app.dialogs())
        app.sync()                                  # the main window still answers
        bmp_dialog = ghostscript.wait_bmp_dialog(app, 20)
        run = gs.runs("gs9.05")[-1]
        assert run.get("exit") == "0", run
        assert sorted(os.listdir(ctx.path("pdfs"))) == ["Document.pdf", "Document1.bmp", "Document2.bmp",
                                                        "Document3.bmp"]
        assert ghostscript.file_name_box(bmp_dialog) == ""
        assert all(d.caption != ghostscript.CONVERTING for d in app.dialogs())
        ghostscript.open_page(app, ctx.path("pdfs", "Document3.bmp"))
        app.wait_title("Document3.bmp")
        assert app.window()["enabled"] == "1"
        assert app.close() == 0


def test_cancel_stops_ghostscript_and_nothing_follows(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf", pages=2)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        gs.slow("gs9.05", 20000)
        app = ctx.start_app()
        for how in ("button", "Escape"):
            ghostscript.convert(app, pdf, resolution="72", then=None)
            converting = ghostscript.wait_converting(app)
            harness.wait_until(lambda: app.foreground()[0] == ghostscript.CONVERTING, 5,
                               what="the Converting window in front")
            t0 = time.monotonic()
            if how == "button":
                app.click_button(ghostscript.CONVERTING, "Cancel")
            else:
                app.key("Escape")
            harness.wait_until(lambda: all(d.hwnd != converting.hwnd for d in app.dialogs()), 5,
                               what="the Converting window to go")
            assert time.monotonic() - t0 < 5, how
            harness.wait_until(lambda: not ghostscript.standin_processes(), 10, what="the stand-in to end")
            app.sync()
            assert app.dialogs() == [], how          # no message, no page dialog
            assert app.window()["enabled"] == "1"
            assert os.listdir(ctx.path("pdfs")) == ["Document.pdf"], how
        assert app.close() == 0


def test_a_failed_conversion_is_told_with_the_exit_code_and_the_pages_made(ctx):
    good = pdf_in(ctx, "pdfs", "Document.pdf", pages=2)
    bad = ctx.write(os.path.join("pdfs", "Broken.pdf"), "this is no PDF\n")
    cases = [
        # (PDF, resolution, what the message says)
        (good, "abc", "Ghostscript could not convert Document.pdf.\nIt ended with exit code 1 and made 0 pages."),
        (bad, "72", "Ghostscript could not convert Broken.pdf.\nIt ended with exit code 1 and made 0 pages."),
    ]
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        for n, (pdf, resolution, told) in enumerate(cases, 1):
            ghostscript.convert(app, pdf, resolution=resolution, then=None)
            caption, text = app.wait_msgbox(15)
            assert caption == "Conversion failed" and text.startswith(told), text
            assert gs.runs("gs9.05")[-1].get("exit") == "1"
            app.dismiss_msgbox()
            app.sync()
            assert app.dialogs() == [], pdf          # no page dialog after a failure
        assert app.close() == 0


def test_a_typed_full_path_converts_as_a_browsed_one(ctx):
    # The user types the PDF's full path into the .pdf dialog, starting in
    # another folder: Ghostscript runs in the PDF's folder all the same, and
    # the page dialog opens there.
    start = ctx.path("start")
    os.makedirs(start)
    pdf = pdf_in(ctx, "my pdfs", "Document.pdf", pages=2)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app(cwd=start)
        for n, typed in enumerate((True, False), 1):
            ghostscript.convert(app, pdf, resolution="72", typed=typed)
            run = gs.wait_runs("gs9.05", n)[-1]
            assert run["cwd"] == harness.windows_path(ctx.path("my pdfs")), (typed, run)
            assert run["cmdline"] == line("9.05", 'bmpgray -r72 -sOutputFile="Document"%d.bmp "Document.pdf"')
            assert run["exit"] == "0"
            assert sorted(os.listdir(ctx.path("my pdfs"))) == ["Document.pdf", "Document1.bmp", "Document2.bmp"]
            # The page dialog shows the PDF's folder: the bare name opens the page.
            ghostscript.open_page(app, "Document%d.bmp" % n)
            app.wait_title("Document%d.bmp" % n)
            for page in (1, 2):
                os.remove(ctx.path("my pdfs", "Document%d.bmp" % page))
        assert ghostscript.settings(start) == b"PrinterResolution=72"
        assert app.close() == 0


def test_converting_again_asks_before_replacing_pages_that_hold_entries(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf", pages=3)
    folder = ctx.path("pdfs")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        ghostscript.convert(app, pdf, resolution="72")
        gs.wait_runs("gs9.05", 1)
        ghostscript.cancel_bmp_dialog(app)
        # Pages 1 and 3 hold entries; page 2's entry file is empty, and
        # Document01.bmp is no page Ghostscript writes.
        entry = entryfiles.record(x=20, y=30, text="Alpha")
        ctx.write(os.path.join("pdfs", "Document1.dta"), entry)
        ctx.write(os.path.join("pdfs", "Document2.dta"), b"")
        ctx.write(os.path.join("pdfs", "Document3.dta"), entry + entryfiles.record(x=40, y=50, text="B"))
        ctx.write(os.path.join("pdfs", "Document01.dta"), entry)
        ctx.write(os.path.join("pdfs", "Document01.bmp"), bmpfiles.coordinate_form(20, 20))
        pages = {name: open(os.path.join(folder, name), "rb").read() for name in os.listdir(folder)}
        # Cancel keeps every page; OK converts at the new resolution.
        for n, (answer, runs) in enumerate([("Escape", 1), ("Return", 2)]):
            ghostscript.convert(app, pdf, resolution="144", then=None)
            caption, text = app.wait_msgbox(10)
            assert caption == "Pages hold entries", caption
            assert text == ("Converting Document.pdf writes its pages over pages that hold entries:\n"
                            "Document1.bmp, Document3.bmp\n\n"
                            "Their entries stay and would then lie on the new pages.\n"
                            "OK converts all the same; Cancel keeps the pages as they are."), text
            app.dismiss_msgbox(answer)
            if answer == "Escape":
                app.sync()
                assert app.dialogs() == []
                assert len(gs.runs("gs9.05")) == 1
                assert {name: open(os.path.join(folder, name), "rb").read()
                        for name in os.listdir(folder)} == pages
            else:
                ghostscript.wait_bmp_dialog(app, 20)
                assert len(gs.wait_runs("gs9.05", 2)) == 2
                assert ghostscript.Bmp(os.path.join(folder, "Document1.bmp")).width == 288
                ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


def test_the_pdf_dialog_offers_no_bmp_name_and_the_keyboard_starts_in_the_resolution_box(ctx):
    ctx.write("Scrivelander.ini", "PrinterResolution=600")
    form = ctx.write("form.bmp", bmpfiles.coordinate_form(200, 150))
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        app.open_bmp(form)
        app.wait_title("form.bmp")
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        d = app.wait_dialog(10, lambda d: d.caption == "Open .pdf file", "the .pdf dialog")
        assert ghostscript.file_name_box(d) == ""
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        harness.wait_until(lambda: ghostscript.controls(app)[2] == IDC_RESOLUTION, 5, what="focus in the box")
        # Typing replaces the resolution shown; Enter converts.
        app.type("300")
        app.key("Return")
        ghostscript.wait_bmp_dialog(app, 20)
        assert gs.wait_runs("gs9.05", 1)[-1]["args"][3] == "-r300"
        assert ghostscript.settings(ctx.dir) == b"PrinterResolution=300"
        ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


# ---------------------------------------- the bridge to the Linux gs

BRIDGE = os.path.join(harness.BUILD, "gs-bridge")
BRIDGE_BIN = os.path.join(ghostscript.GS_ROOT, "gs9.05", "bin")


def put_bridge(ctx):
    """What the launcher and `make run` do to their prefix."""
    subprocess.run(["sh", "-c", '. "$1"; scrivelander_prefix_ghostscript "$2"', "sh",
                    os.path.join(harness.REPO, "scripts", "wine-prefix.sh"), BRIDGE],
                   env=dict(ctx.session.env), check=True)


def converting(output):
    """Process ids of the Linux gs processes, and of the bridges, converting
    into `output`."""
    return ghostscript.processes(lambda args: (args[0] == b"gs" or b"gswin32c" in args[0]) and
                                 ("-sOutputFile=" + output).encode() in args)


def test_the_bridge_is_put_into_a_prefix_without_ghostscript_only(ctx):
    with open(os.path.join(BRIDGE, "gswin32c.exe"), "rb") as f:
        bridge = f.read()
    cases = [
        # (what the prefix holds, whether the bridge is put in)
        ("nothing", lambda gs: None, True),
        ("an empty gs folder", lambda gs: os.makedirs(ghostscript.GS_ROOT), True),
        ("a Ghostscript of its own in gs9.05", lambda gs: gs.install("gs9.05"), False),
        ("another version", lambda gs: gs.install("gs9.50"), False),
    ]
    for what, make, put in cases:
        with ghostscript.Folders() as gs:
            make(gs)
            put_bridge(ctx)
            exe = os.path.join(BRIDGE_BIN, "gswin32c.exe")
            got = open(exe, "rb").read() == bridge if os.path.exists(exe) else False
            assert got == put, what
            if put:
                # Once there, it is brought up to date and stays the only one.
                with open(exe, "wb") as f:
                    f.write(b"an older bridge")
                put_bridge(ctx)
                assert open(exe, "rb").read() == bridge, what
                assert os.listdir(ghostscript.GS_ROOT) == ["gs9.05"], what
                assert os.access(os.path.join(BRIDGE_BIN, "run-gs.sh"), os.X_OK)


def test_the_bridge_converts_with_the_linux_gs_and_a_cancel_stops_it(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf", pages=3)
    big = pdf_in(ctx, "big", "Long.pdf", pages=60)
    with ghostscript.Folders():
        put_bridge(ctx)
        app = ctx.start_app()
        ghostscript.convert(app, pdf, resolution="72")
        assert sorted(os.listdir(ctx.path("pdfs"))) == ["Document.pdf", "Document1.bmp", "Document2.bmp",
                                                        "Document3.bmp"]
        assert ghostscript.Bmp(ctx.path("pdfs", "Document2.bmp")).dark(*ghostscript.square_centre(2, 72))
        ghostscript.open_page(app, ctx.path("pdfs", "Document2.bmp"))
        app.wait_title("Document2.bmp")
        # A long conversion: Cancel ends the bridge and the gs it started.
        ghostscript.convert(app, big, resolution="600", colour=IDC_FULL_COLOR, then=None)
        ghostscript.wait_converting(app)
        harness.wait_until(lambda: len(converting("Long%d.bmp")) == 2, 20, what="gs to run")
        app.click_button(ghostscript.CONVERTING, "Cancel")
        harness.wait_until(lambda: not converting("Long%d.bmp"), 10, what="gs and the bridge to end")
        app.sync()
        assert app.dialogs() == []
        assert len(os.listdir(ctx.path("big"))) < 61
        assert app.close() == 0


def test_a_settings_file_that_cant_be_replaced_is_reported_and_stays_as_it_was(ctx):
    ini = ctx.write("Scrivelander.ini", "PrinterResolution=300")
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        holder = ctx.start_app(exe=harness.PROBE_EXE, args=["hold", harness.windows_path(ini), "60"], wait=False)
        harness.wait_until(lambda: "holding" in holder.output(), 10, what="Scrivelander.ini to be held")
        app.post_command(ghostscript.IDM_CONVERT_PDF)
        ghostscript.choose_file(app, pdf, "Open .pdf file")
        ghostscript.wait_conversion_dialog(app)
        ghostscript.set_resolution(app, "600")
        ghostscript.press(app, "OK")
        box = app.wait_dialog(5, lambda d: d.caption == "Settings not saved", "the message")
        assert "could not be written" in box.text and "Scrivelander.ini" in box.text, box.text
        harness.wait_until(lambda: app.foreground()[0] == "Settings not saved", 5, what="the message in front")
        app.key("Return")
        ghostscript.wait_bmp_dialog(app)
        assert gs.wait_runs("gs9.05", 1)[-1]["args"][3] == "-r600"   # the conversion uses it all the same
        holder.kill()
        assert ghostscript.settings(ctx.dir) == b"PrinterResolution=300"
        assert not os.path.exists(ctx.path("Scrivelander.tmp"))
        ghostscript.cancel_bmp_dialog(app)
        assert app.close() == 0


def folder_shown(app, command, title):
    """The folder an open dialog starts in (its "Look in" box); the dialog
    is cancelled."""
    app.post_command(command)
    d = app.wait_dialog(10, lambda d: d.caption == title, "the %r dialog" % title)

    def look_in():
        for x in app.dialogs():
            if x.hwnd == d.hwnd:
                return next((c[2] for c in x.controls if c[0] == 1137 and c[2]), None)
        return None
    shown = harness.wait_until(look_in, 10, what="the folder of the %r dialog" % title)
    app.key("Escape")
    harness.wait_until(lambda: all(x.hwnd != d.hwnd for x in app.dialogs()), 5, what="the dialog to close")
    return shown


def test_the_open_dialogs_start_in_the_documents_then_where_the_user_last_was(ctx):
    pdf = pdf_in(ctx, "pdfs", "Document.pdf")
    started_in = os.path.basename(ctx.dir)           # the start-up folder, which holds the settings
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        app = ctx.start_app()
        for command, title in ((ghostscript.IDM_CONVERT_PDF, "Open .pdf file"), (IDM_OPEN_BMP, "Open .bmp file")):
            assert folder_shown(app, command, title) not in (started_in, None), title
        ghostscript.convert(app, pdf, resolution="72")
        gs.wait_runs("gs9.05", 1)
        ghostscript.cancel_bmp_dialog(app)
        for command, title in ((ghostscript.IDM_CONVERT_PDF, "Open .pdf file"), (IDM_OPEN_BMP, "Open .bmp file")):
            assert folder_shown(app, command, title) == "pdfs", title
        assert app.close() == 0
