"""A PDF named on the command line ("Open with", a launcher) is converted
as File's conversion converts it, in gray at the resolution last used (300
when none), and its page 1 opens; pages already converted at that resolution
and newer than the PDF open at once, without Ghostscript."""
import ghostscript
import harness

TIMEOUT = 120


def test_a_pdf_on_the_command_line_is_converted_once_and_then_opens_at_once(ctx):
    pdf = ghostscript.make_pdf(ctx.path("Tax form.pdf"), 2)
    with ghostscript.Folders() as gs:
        gs.install("gs9.05")
        for start, conversions in ((1, 1), (2, 1)):
            app = ctx.start_app(args=[harness.windows_path(pdf)])
            harness.wait_until(lambda: app.title() == "Tax form1.bmp", 60, what="page 1 open (start %d)" % start)
            runs = gs.runs("gs9.05")
            assert len(runs) == conversions, (start, runs)
            assert "-sDEVICE=bmpgray" in runs[0]["cmdline"] and " -r300 " in runs[0]["cmdline"], runs[0]
            page = ghostscript.Bmp(ctx.path("Tax form1.bmp"))
            assert (page.bits, page.width) == (8, ghostscript.PAGE_W * 300 // 72)
            assert app.close() == 0
