"""Print from table: one print job with a sheet per row of a CSV table, each
entry's {Column} placeholders filled in from its row and formulas worked out
per copy; a table that can't be printed is refused before any print dialog,
and nothing is printed or written."""
import os

import entryfiles
import ghostscript
import harness
import printing
from resource_ids import IDM_PRINT_ALL_PAGES, IDM_PRINT_FROM_TABLE
from test_print import confirm_print_dialog, open_for_print

CAPTION = "Print from table"


def entries_with_placeholders(mark):
    return [entryfiles.record(300, 60, mark + " {Name}", width=100, height=35),
            entryfiles.record(300, 120, "#1={Quantity}", width=60, height=35),
            entryfiles.record(300, 180, "#2={Price}", width=60, height=35),
            entryfiles.record(300, 240, "#3=#1*#2", width=60, height=35)]


def choose_table(app, path):
    app.post_command(IDM_PRINT_FROM_TABLE)
    ghostscript.choose_file(app, path, CAPTION)


def folder_state(ctx):
    state = {}
    for name in sorted(os.listdir(ctx.dir)):
        path = ctx.path(name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                state[name] = f.read()
    return state


def test_three_rows_print_three_sheets_each_with_its_own_values(ctx):
    mark = printing.marker()
    app = open_for_print(ctx, mode="original", entries=entries_with_placeholders(mark))
    table = ctx.write("people.csv", "Name;Quantity;Price\r\nAnna;5;3\r\n\"Bob \"\"B\"\"\";2;10\r\nCarla;7;11\r\n")
    before_files = folder_state(ctx)
    before = printing.printed_pdfs()
    choose_table(app, table)
    assert app.wait_msgbox() == (CAPTION, "3 copies from people.csv. Print?")
    app.dismiss_msgbox("Return")
    confirm_print_dialog(app)
    caption, text = app.wait_msgbox(10)
    assert caption == "Info" and text.startswith("Printer resolution is"), (caption, text)
    app.dismiss_msgbox("Return")
    pdf = printing.wait_pdf_with(before, mark)
    assert printing.pdf_page_count(pdf) == 3
    for page, (name, total) in enumerate((("Anna", "15"), ('Bob "B"', "20"), ("Carla", "77")), 1):
        words = printing.pdf_text(pdf, page).split()
        text = " ".join(words)
        assert mark + " " + name in text and total in words, (page, text)
    # Only the printout changed: the entry file and the rest are as they were.
    assert folder_state(ctx) == before_files
    assert app.close() == 0


def test_a_table_that_cant_be_printed_is_refused_before_anything_prints(ctx):
    mark = printing.marker()
    app = open_for_print(ctx, entries=entries_with_placeholders(mark))
    cases = [
        ("missing.csv", "Name,Quantity\nAnna,5\n", 'names the column "Price", which the table doesn\'t have'),
        ("ragged.csv", "Name,Quantity,Price\nAnna,5,3\nBob,1,2,3\n", "Row 3 has 4 values"),
        ("empty.csv", "Name,Quantity,Price\n", "no rows"),
        ("long.csv", "Name,Quantity,Price\n%s,1,1\n" % ("n" * 99), 'Row 2, column "Name"'),
        ("zero-byte.csv", b"Name,Quantity,Price\nAnna,5\x003,3\n", 'Row 2, column "Quantity", holds a zero byte'),
        ("mixed.csv", b"Name,Quantity,Price\nJos\xc3\xa9,1,1\nRen\xe9,2,2\n",
         "Row 3, column \"Name\", holds bytes that aren't UTF-8 text"),
        ("twice.csv", "Name,Quantity,Price,NAME\nAnna,5,3,4\n", 'names the column "NAME" twice'),
    ]
    before_files = None
    before = printing.printed_pdfs()
    for name, content, fragment in cases:
        table = ctx.write(name, content)
        before_files = folder_state(ctx)
        choose_table(app, table)
        caption, text = app.wait_msgbox()
        assert caption == CAPTION and fragment in text and "Nothing was printed." in text, (name, text)
        app.dismiss_msgbox("Return")
        harness.wait_until(lambda: app.dialogs() == [], 5, what="no print dialog after " + name)
        assert folder_state(ctx) == before_files, name
    assert not [f for f in printing.printed_pdfs() - before if mark in printing.pdf_text(f)]
    assert app.close() == 0


def test_printing_many_copies_without_a_form_says_to_open_one(app):
    for command in (IDM_PRINT_ALL_PAGES, IDM_PRINT_FROM_TABLE):
        app.post_command(command)
        assert app.wait_msgbox()[1] == "There is no form to print. Open a form first.", command
        app.dismiss_msgbox()
        assert not app.dialogs(), command                  # no open or print dialog follows
