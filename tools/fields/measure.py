#!/usr/bin/env python3
"""Measures the field finder on real forms whose fields are known.

    measure.py FIELDS_DIR FINDER WORK_DIR [--dpi 150] [--jobs 2] [--folds 5] [--every N] [--own] [--timing]

Renders every page with fields of each NAME.pdf in FIELDS_DIR (the pages that
NAME.json lists) clean and as a scan with FIELDS_DIR/render.sh (kept under
WORK_DIR, so a second run only finds and scores), runs FINDER (find_fields) on
each with a pool of --jobs processes, scores the boxes with FIELDS_DIR/score.py
and prints one row per document, clean and scanned: fields found per kind,
finds, finds in no field, precision, finds mostly inside their field and fields
found twice; then the total on everything and the total on documents held out.

Held out: the documents are split into --folds folds by their place in name
order (document i is in fold i % folds). When FINDER_fold<k> exists (a finder
whose tuned or learned parts came from the other folds only), fold k's
documents are scored with it; otherwise the finder has nothing tuned on the
corpus and the held-out total is the total itself.

With --own it also measures two forms of our own (own_forms.py) at 100 to 600
dpi; with --timing the finder's time per page at 150, 300 and 600 dpi on a
sample of the documents."""
import argparse
import importlib.util
import json
import os
import re
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor

KINDS = ("text", "comb", "check")
COUNTS = ("finds", "false", "double", "mostly")


def load_score(fields_dir):
    spec = importlib.util.spec_from_file_location("field_score", os.path.join(fields_dir, "score.py"))
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


def render(fields_dir, pdf, page, dpi, out, scan):
    if os.path.exists(out):
        return
    cmd = ["sh", os.path.join(fields_dir, "render.sh"), pdf, str(page), str(dpi), out + ".part"]
    if scan:
        cmd.append("scan")
    subprocess.check_call(cmd)
    os.replace(out + ".part", out)


def render_page(job):
    fields_dir, work, name, page, dpi, how = job
    bmp = os.path.join(work, "%s-p%d-%d-%s.bmp" % (name, page, dpi, how))
    render(fields_dir, os.path.join(fields_dir, name + ".pdf"), page, dpi, bmp, how == "scan")


def find(finder, bmp, out, repeat=1):
    r = subprocess.run([finder, bmp, out, "--repeat", str(repeat)], capture_output=True, text=True, check=True)
    m = re.search(r"([\d.]+) ms", r.stderr)
    return float(m.group(1)) if m else 0.0


def empty():
    return dict({k: [0, 0] for k in KINDS}, **{k: 0 for k in COUNTS})


def add(into, r):
    for k in KINDS:
        into[k][0] += r[k][0]
        into[k][1] += r[k][1]
    for k in COUNTS:
        into[k] += r[k]


def measure_page(job):
    """One page, clean or scanned: renders it (once), finds, scores."""
    fields_dir, work, finder, name, page, dpi, how = job
    bmp = os.path.join(work, "%s-p%d-%d-%s.bmp" % (name, page, dpi, how))
    render(fields_dir, os.path.join(fields_dir, name + ".pdf"), page, dpi, bmp, how == "scan")
    boxes_path = "%s-%s.json" % (bmp[:-4], os.path.basename(finder))
    find(finder, bmp, boxes_path)
    boxes = [tuple(b[:4]) for b in json.load(open(boxes_path))]
    truth = json.load(open(os.path.join(fields_dir, name + ".json")))
    tp = next(p for p in truth["pages"] if p["page"] == page)
    r = load_score(fields_dir).score(tp, dpi, boxes, False, 0.4 if how == "scan" else 0.0)
    out = empty()
    add(out, dict(r, mostly=r["mostly_inside"]))
    return out


HEAD = "  %-28s %-15s %-15s %-15s %6s %8s %6s %7s %6s" % ("", "text", "comb", "check", "finds", "no field",
                                                           "prec.", "inside", "twice")


def ratio(a, b):
    return "%4d/%-4d %.2f" % (a, b, a / b) if b else "    -         "


def row(label, s):
    right = s["finds"] - s["false"]
    prec = right / s["finds"] if s["finds"] else 0.0
    inside = s["mostly"] / right if right else 0.0
    return "  %-28s %-15s %-15s %-15s %6d %8d %6.2f %7.2f %6d" % (
        label, ratio(*s["text"]), ratio(*s["comb"]), ratio(*s["check"]), s["finds"], s["false"], prec, inside,
        s["double"])


def goals(label, s):
    """The figures the finder is judged by, in one line."""
    tc = s["text"][0] + s["comb"][0], s["text"][1] + s["comb"][1]
    right = s["finds"] - s["false"]
    fields = sum(s[k][1] for k in KINDS)
    return "  %-22s text+comb %.3f  check %.3f  precision %.3f  mostly inside %.3f  found twice %.1f %%" % (
        label, tc[0] / max(1, tc[1]), s["check"][0] / max(1, s["check"][1]), right / max(1, s["finds"]),
        s["mostly"] / max(1, right), 100.0 * s["double"] / max(1, fields))


def own(a):
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(a.work, "own")
    subprocess.check_call([sys.executable, os.path.join(here, "own_forms.py"), out])
    score = load_score(a.fields_dir)
    print("our own forms (own_forms.py): clean, and turned 1 degree as a scan")
    print(HEAD)
    for name in ("own_application", "own_ledger"):
        truth = json.load(open(os.path.join(out, name + ".json")))
        for dpi in (100, 200, 300, 600):
            for how in ("clean", "scan"):
                bmp = os.path.join(out, "%s-%d-%s.bmp" % (name, dpi, how))
                render_ps(os.path.join(out, name + ".ps"), dpi, bmp, how == "scan")
                boxes = bmp[:-4] + ".json"
                find(a.finder, bmp, boxes)
                r = score.score(truth["pages"][0], dpi, [tuple(b[:4]) for b in json.load(open(boxes))], False,
                                1.0 if how == "scan" else 0.0)
                s = empty()
                add(s, dict(r, mostly=r["mostly_inside"]))
                print(row("%s %d %s" % (name[4:], dpi, how), s))


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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("fields_dir")
    ap.add_argument("finder")
    ap.add_argument("work")
    ap.add_argument("--dpi", type=int, default=150)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--folds", type=int, default=5)
    ap.add_argument("--timing", action="store_true")
    ap.add_argument("--only", help="documents whose name contains this")
    ap.add_argument("--every", type=int, default=1, help="only every Nth page of the corpus (in name and page order)")
    ap.add_argument("--own", action="store_true", help="also our own forms (own_forms.py) at 100 to 600 dpi, turned 1 degree")
    a = ap.parse_args()
    a.finder = os.path.abspath(a.finder)
    os.makedirs(a.work, exist_ok=True)
    all_names = sorted(f[:-5] for f in os.listdir(a.fields_dir)
                       if f.endswith(".json") and os.path.exists(os.path.join(a.fields_dir, f[:-5] + ".pdf")))
    fold_of = {n: i % a.folds for i, n in enumerate(all_names)}
    names = [n for n in all_names if not a.only or a.only in n]

    def held_out_finder(name):
        path = "%s_fold%d" % (a.finder, fold_of[name])
        return path if os.path.exists(path) else a.finder

    learned = any(held_out_finder(n) != a.finder for n in names)
    jobs, keys = [], []
    pages = [(name, p["page"]) for name in names
             for p in json.load(open(os.path.join(a.fields_dir, name + ".json")))["pages"] if p["fields"]]
    pages = pages[::a.every]
    names = sorted(set(name for name, _ in pages))
    for name in names:
        for page in [p for n, p in pages if n == name]:
            for how in ("clean", "scan"):
                finders = [a.finder] + ([held_out_finder(name)] if learned else [])
                for i, finder in enumerate(finders):
                    jobs.append((a.fields_dir, a.work, finder, name, page, a.dpi, how))
                    keys.append((name, how, i))
    with ProcessPoolExecutor(max_workers=a.jobs, initializer=os.nice, initargs=(max(0, 10 - os.nice(0)),)) as pool:
        # Each page once before any finder runs: two finders score the same render.
        list(pool.map(render_page, sorted(set(j[:2] + j[3:] for j in jobs))))
        results = list(pool.map(measure_page, jobs))

    per = {}
    for (name, how, i), r in zip(keys, results):
        add(per.setdefault((name, how, i), empty()), r)
    totals = {(how, i): empty() for how in ("clean", "scan") for i in (0, 1)}
    print("the field finder on %d documents at %d dpi, clean and scanned (turned 0.4 degree); inside: finds mostly "
          "inside their field (80 %% of their area), of the finds that lie in a field" % (len(names), a.dpi))
    print(HEAD)
    for name in names:
        for how in ("clean", "scan"):
            s = per[(name, how, 0)]
            add(totals[(how, 0)], s)
            add(totals[(how, 1)], per[(name, how, 1)] if learned else s)
            print(row("%s %s" % (name[:22], how), s))
    print("total, and held out (%d folds by document%s)" % (
        a.folds, "" if learned else "; nothing tuned or learned on the corpus, so the same figures"))
    print(HEAD)
    for how in ("clean", "scan"):
        print(row("all %s" % how, totals[(how, 0)]))
        print(row("held out %s" % how, totals[(how, 1)]))
    for how in ("clean", "scan"):
        print(goals("all %s" % how, totals[(how, 0)]))
        print(goals("held out %s" % how, totals[(how, 1)]))

    if a.own:
        own(a)

    if a.timing:
        print("finder's time per page, 24-bit (best of 3 runs), every fourth document")
        for name in names[::4]:
            truth = os.path.join(a.fields_dir, name + ".json")
            pdf = os.path.join(a.fields_dir, name + ".pdf")
            page = [p["page"] for p in json.load(open(truth))["pages"] if p["fields"]][0]
            cells = []
            for dpi in (150, 300, 600):
                bmp = os.path.join(a.work, "%s-p%d-%d-clean.bmp" % (name, page, dpi))
                render(a.fields_dir, pdf, page, dpi, bmp, False)
                ms = find(a.finder, bmp, bmp[:-4] + ".json", 3)
                cells.append("%4d dpi %7.1f ms" % (dpi, ms))
            print("  %-28s %s" % (name[:22] + " p%d" % page, "   ".join(cells)))


if __name__ == "__main__":
    main()
