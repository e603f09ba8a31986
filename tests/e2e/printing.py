"""A real print path for the tests: CUPS with a queue that writes PDFs,
started here when no scheduler runs (and stopped again at exit), and the
printed pages read back with pdftoppm."""
import atexit
import glob
import os
import pwd
import subprocess
import tempfile
import time
import uuid

import harness

QUEUE = "ScrivelanderPDF"
PPD = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
# A second PDF queue whose printable area starts 18 points (75 device pixels
# at 300 dpi) from the paper's left edge and 12 points (50) from its top, as
# a real printer's does: its page origin is not the paper's corner.
MARGINS_QUEUE = "ScrivelanderMargins"
MARGIN_X, MARGIN_Y = 75, 50
# The PDF queue writes into the job owner's home folder as the system knows
# it, whatever HOME says.
OUTPUT = os.path.join(pwd.getpwuid(os.getuid()).pw_dir, "PDF")
_started = []


def _scheduler_running():
    r = subprocess.run(["lpstat", "-r"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return "is running" in r.stdout and "not" not in r.stdout


def _stop():
    for proc in _started:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()


def _queue_ready():
    out = subprocess.run(["lpstat", "-p", QUEUE], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return "enabled" in out.stdout


def ensure_printer(session=None):
    """A running scheduler with the PDF queue as the default printer. (`make
    test` starts it before Wine; run on its own, a scenario starts it here,
    and the probe, which looked for printers when it started, starts anew.)"""
    if not _scheduler_running():
        proc = subprocess.Popen(["cupsd", "-f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _started.append(proc)
        atexit.register(_stop)
        harness.wait_until(_scheduler_running, 15, what="the print scheduler")
        if session is not None:
            session.probe.stop()
    queues = subprocess.run(["lpstat", "-p"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    if QUEUE not in queues:
        subprocess.run(["lpadmin", "-p", QUEUE, "-v", "cups-pdf:/", "-P", PPD, "-E"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if MARGINS_QUEUE not in queues:
        _add_margins_queue()
    subprocess.run(["lpadmin", "-d", QUEUE], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    harness.wait_until(_queue_ready, 15, what="the print queue")
    os.makedirs(OUTPUT, exist_ok=True)


def _add_margins_queue():
    with open(PPD) as f:
        ppd = f.read()
    ppd = ppd.replace('*ImageableArea A4/A4: "0 0 595 842"', '*ImageableArea A4/A4: "18 18 577 830"')
    ppd = ppd.replace("*HWMargins: 0 0 0 0", "*HWMargins: 18 18 18 12")
    with tempfile.NamedTemporaryFile("w", suffix=".ppd") as f:
        f.write(ppd)
        f.flush()
        subprocess.run(["lpadmin", "-p", MARGINS_QUEUE, "-v", "cups-pdf:/", "-P", f.name, "-E"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def printed_pdfs():
    return set(glob.glob(os.path.join(OUTPUT, "*.pdf")))


def wait_new_pdf(before, timeout=30):
    """The PDF that appeared since `before`, once the queue has finished it."""
    def done():
        new = printed_pdfs() - before
        if not new:
            return None
        path = max(new, key=os.path.getmtime)
        jobs = subprocess.run(["lpstat", "-o"], stdout=subprocess.PIPE, text=True).stdout
        return path if not jobs.strip() and os.path.getsize(path) > 0 else None
    return harness.wait_until(done, timeout, interval=0.2, what="the printed PDF")


def jobs_pending():
    return subprocess.run(["lpstat", "-o"], stdout=subprocess.PIPE, text=True).stdout.strip()


def _pgm(data):
    """A binary PGM ("P5", comment lines allowed) as (width, height, bytes)."""
    fields, at = [], 0
    while len(fields) < 4:
        line_end = data.index(b"\n", at)
        line = data[at:line_end]
        at = line_end + 1
        if not line.startswith(b"#"):
            fields += line.split()
    return int(fields[1]), int(fields[2]), data[at:]


def page_image(pdf, dpi=300, page=1):
    """A page (the first unless told) as a grey picture: (width, height, bytes)."""
    out = subprocess.run(["pdftoppm", "-r", str(dpi), "-gray", "-f", str(page), "-l", str(page), pdf],
                         stdout=subprocess.PIPE, check=True).stdout
    return _pgm(out)


def page_image_without_text(pdf, dpi=300):
    """The first page as page_image() shows it, with everything drawn as text
    left out: what the page holds besides its text."""
    out = subprocess.run(["gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-dFILTERTEXT", "-sDEVICE=pgmraw",
                          "-r%d" % dpi, "-dFirstPage=1", "-dLastPage=1", "-sOutputFile=-", pdf],
                         stdout=subprocess.PIPE, check=True).stdout
    return _pgm(out)


def ink_box(page, threshold=128, region=None):
    """(left, top, right, bottom) of the dark pixels, right/bottom exclusive."""
    width, height, data = page
    left, top, right, bottom = region or (0, 0, width, height)
    box = None
    for y in range(top, bottom):
        row = data[y * width + left:y * width + right]
        dark = [i for i, v in enumerate(row) if v < threshold]
        if dark:
            l, r = left + dark[0], left + dark[-1] + 1
            box = [l, y, r, y + 1] if box is None else [min(box[0], l), box[1], max(box[2], r), y + 1]
    return tuple(box) if box else None


def pdf_text(pdf, page=None):
    """The text of a printed PDF, or of one of its pages, as pdftotext reads
    it ("" while the file is not complete yet)."""
    pages = ["-f", str(page), "-l", str(page)] if page else []
    r = subprocess.run(["pdftotext", "-layout"] + pages + [pdf, "-"], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL)
    return r.stdout.decode("latin-1") if r.returncode == 0 else ""


def pdf_page_count(pdf):
    """The number of pages pdfinfo finds in a printed PDF."""
    out = subprocess.run(["pdfinfo", pdf], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return next(int(line.split()[1]) for line in out.splitlines() if line.startswith("Pages:"))


def marker():
    """A word no other print of the same moment holds, to find one's own PDF
    among those of other engineers printing into the same folder."""
    return "Job" + uuid.uuid4().hex[:8].upper()


def wait_pdf_where(before, fits, what, timeout=30):
    """The PDF printed since `before` for which fits(path) holds, newest
    first; a PDF not complete yet does not fit."""
    def mine():
        for path in sorted(printed_pdfs() - before, key=os.path.getmtime, reverse=True):
            try:
                if fits(path):
                    return path
            except (subprocess.CalledProcessError, ValueError, IndexError):
                pass
        return None
    return harness.wait_until(mine, timeout, interval=0.2, what=what)


def wait_pdf_with(before, text, timeout=30):
    """The PDF printed since `before` whose text holds `text` (blanks between
    words count as one), once complete."""
    return wait_pdf_where(before, lambda path: text in " ".join(pdf_text(path).split()),
                          "the printed PDF with %r" % text, timeout)
