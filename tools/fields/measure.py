#!/usr/bin/env python3
"""Measures the field finder on real forms whose fields are known.

    measure.py FIELDS_DIR FINDER WORK_DIR [--dpi 150] [--timing]

Renders every page with fields of each NAME.pdf in FIELDS_DIR (the pages that
NAME.json lists) clean and as a scan with FIELDS_DIR/render.sh, runs FINDER
(find_fields) on each, scores the boxes with FIELDS_DIR/score.py, and prints
one table per document: fields found per kind, finds in no field and fields
found twice, clean and scanned. With --timing it also renders the first page
of each document at 300 and 600 dpi and prints the finder's time per page.
Work files go under WORK_DIR."""
import argparse
import json
import os
import re
import subprocess
import sys

KINDS = ("text", "comb", "check")


def render(fields_dir, pdf, page, dpi, out, scan):
    if os.path.exists(out):
        return
    cmd = ["sh", os.path.join(fields_dir, "render.sh"), pdf, str(page), str(dpi), out + ".part"]
    if scan:
        cmd.append("scan")
    subprocess.check_call(cmd)
    os.replace(out + ".part", out)


def find(finder, bmp, out, repeat=1):
    r = subprocess.run([finder, bmp, out, "--repeat", str(repeat)], capture_output=True, text=True, check=True)
    m = re.search(r"([\d.]+) ms", r.stderr)
    return float(m.group(1)) if m else 0.0


def score(fields_dir, truth, page, dpi, boxes, turn):
    cmd = [sys.executable, os.path.join(fields_dir, "score.py"), truth, str(page), str(dpi), "--boxes", boxes]
    if turn:
        cmd += ["--turn", str(turn)]
    text = subprocess.run(cmd, capture_output=True, text=True, check=True).stdout
    out = {}
    for kind in KINDS:
        m = re.search(r"%s\s+found (\d+) of (\d+)" % kind, text)
        out[kind] = (int(m.group(1)), int(m.group(2)))
    m = re.search(r"finds (\d+), in no field (\d+).*twice or more (\d+)", text)
    out["finds"], out["false"], out["double"] = int(m.group(1)), int(m.group(2)), int(m.group(3))
    return out


def ratio(a, b):
    return "%4d/%-4d %.2f" % (a, b, a / b) if b else "    -         "


def render_ps(ps, dpi, out, scan):
    """Our own PostScript forms; a scan is turned 1 degree, blurred, speckled and made 8-bit gray."""
    if os.path.exists(out):
        return
    subprocess.check_call(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=bmp16m", "-r%d" % dpi,
                           "-sOutputFile=" + out + ".part", ps])
    if scan:
        size = subprocess.run(["identify", "-format", "%wx%h", out + ".part"], capture_output=True, text=True).stdout
        subprocess.check_call(["convert", out + ".part", "-background", "white", "-rotate", "1", "-gravity", "center",
                               "-extent", size, "-blur", "0x0.7", "-attenuate", "0.25", "+noise", "Gaussian",
                               "-colorspace", "Gray", "-type", "Palette", "-colors", "256", "-compress", "None",
                               "BMP3:" + out + ".part"])
    os.replace(out + ".part", out)


def own(a):
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(a.work, "own")
    subprocess.check_call([sys.executable, os.path.join(here, "own_forms.py"), out])
    print("our own forms (own_forms.py): clean, and turned 1 degree as a scan")
    print("  %-24s %-15s %-15s %-15s %6s %9s %7s %6s" % ("", "text", "comb", "check", "finds", "no field", "prec.", "twice"))
    for name in ("own_application", "own_ledger"):
        truth = os.path.join(out, name + ".json")
        for dpi in (100, 200, 300, 600):
            for how in ("clean", "scan"):
                bmp = os.path.join(out, "%s-%d-%s.bmp" % (name, dpi, how))
                render_ps(os.path.join(out, name + ".ps"), dpi, bmp, how == "scan")
                boxes = bmp[:-4] + ".json"
                find(a.finder, bmp, boxes)
                r = score(a.fields_dir, truth, 1, dpi, boxes, 1.0 if how == "scan" else 0.0)
                prec = (r["finds"] - r["false"]) / r["finds"] if r["finds"] else 0.0
                print("  %-24s %-15s %-15s %-15s %6d %9d %7.2f %6d" % (
                    "%s %d %s" % (name[4:], dpi, how), ratio(*r["text"]), ratio(*r["comb"]), ratio(*r["check"]),
                    r["finds"], r["false"], prec, r["double"]))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("fields_dir")
    ap.add_argument("finder")
    ap.add_argument("work")
    ap.add_argument("--dpi", type=int, default=150)
    ap.add_argument("--timing", action="store_true")
    ap.add_argument("--only", help="one document's name")
    ap.add_argument("--own", action="store_true", help="also our own forms (own_forms.py) at 100 to 600 dpi, turned 1 degree")
    a = ap.parse_args()
    os.makedirs(a.work, exist_ok=True)
    names = sorted(f[:-5] for f in os.listdir(a.fields_dir)
                   if f.endswith(".json") and os.path.exists(os.path.join(a.fields_dir, f[:-5] + ".pdf")))
    if a.only:
        names = [n for n in names if n == a.only]
    totals = {how: dict({k: [0, 0] for k in KINDS}, finds=0, false=0, double=0) for how in ("clean", "scan")}
    for name in names:
        truth = os.path.join(a.fields_dir, name + ".json")
        pdf = os.path.join(a.fields_dir, name + ".pdf")
        pages = [p["page"] for p in json.load(open(truth))["pages"] if p["fields"]]
        print("%s: %d pages with fields, at %d dpi" % (name, len(pages), a.dpi))
        print("  %-6s %-15s %-15s %-15s %6s %9s %7s %6s" % ("", "text", "comb", "check", "finds", "no field", "prec.", "twice"))
        for how in ("clean", "scan"):
            sums = dict({k: [0, 0] for k in KINDS}, finds=0, false=0, double=0)
            for page in pages:
                bmp = os.path.join(a.work, "%s-p%d-%d-%s.bmp" % (name, page, a.dpi, how))
                boxes = bmp[:-4] + ".json"
                render(a.fields_dir, pdf, page, a.dpi, bmp, how == "scan")
                find(a.finder, bmp, boxes)
                r = score(a.fields_dir, truth, page, a.dpi, boxes, 0.4 if how == "scan" else 0.0)
                for k in KINDS:
                    for s in (sums, totals[how]):
                        s[k][0] += r[k][0]
                        s[k][1] += r[k][1]
                for s in (sums, totals[how]):
                    for k in ("finds", "false", "double"):
                        s[k] += r[k]
            prec = (sums["finds"] - sums["false"]) / sums["finds"] if sums["finds"] else 0.0
            print("  %-6s %-15s %-15s %-15s %6d %9d %7.2f %6d" % (
                how, ratio(*sums["text"]), ratio(*sums["comb"]), ratio(*sums["check"]),
                sums["finds"], sums["false"], prec, sums["double"]))
    print("all documents")
    for how in ("clean", "scan"):
        s = totals[how]
        prec = (s["finds"] - s["false"]) / s["finds"] if s["finds"] else 0.0
        print("  %-6s %-15s %-15s %-15s %6d %9d %7.2f %6d" % (
            how, ratio(*s["text"]), ratio(*s["comb"]), ratio(*s["check"]), s["finds"], s["false"], prec, s["double"]))

    if a.own:
        own(a)

    if a.timing:
        print("finder's time per page, 24-bit (best of 3 runs)")
        for name in names:
            truth = os.path.join(a.fields_dir, name + ".json")
            pdf = os.path.join(a.fields_dir, name + ".pdf")
            page = [p["page"] for p in json.load(open(truth))["pages"] if p["fields"]][0]
            row = []
            for dpi in (150, 300, 600):
                bmp = os.path.join(a.work, "%s-p%d-%d-clean.bmp" % (name, page, dpi))
                render(a.fields_dir, pdf, page, dpi, bmp, False)
                ms = find(a.finder, bmp, bmp[:-4] + ".json", 3)
                row.append("%4d dpi %7.1f ms" % (dpi, ms))
            print("  %-20s %s" % (name + " p%d" % page, "   ".join(row)))


if __name__ == "__main__":
    main()
