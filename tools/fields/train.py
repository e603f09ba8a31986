#!/usr/bin/env python3
"""Learns the field finder's scorer from real forms whose fields are known.

    train.py FIELDS_DIR FINDER WORK_DIR MODEL_CPP CASES [--folds 5] [--jobs 2] [--dpi 150]

Renders every page with fields of each NAME.pdf in FIELDS_DIR clean and as a
scan (as measure.py does, sharing its renders under WORK_DIR), has FINDER
(find_fields) write every candidate it weighs with its measures (--all
--candidates), and labels a candidate a field when its middle lies in a field
of the truth (within 1 pt, as score.py counts a find). Then:

- for each fold of documents (document i is in fold i % folds, in name
  order), trains on the other folds only and writes WORK_DIR/fold<k>.model
  and a finder FINDER_fold<k> that uses it, for measure.py's held-out total;
- trains on every document and writes the trees as the C++ table MODEL_CPP,
  and CASES: a few candidates' measures with the score this tool gives them,
  for the unit test that the program's table scores them the same.

Every document weighs the same in training, however many candidates it has:
the scorer is measured, and used, on forms it has not seen.

The same corpus gives the same table: each set of trees draws its sample
with a seed of its own, fixed, from the candidates in name, page and find
order."""
import argparse
import importlib.util
import json
import os
import stat
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor

import numpy as np
from sklearn.ensemble import GradientBoostingClassifier

HERE = os.path.dirname(os.path.abspath(__file__))
FEATURES = 34
# A candidate the finder's own tests found is kept above SURE_CUT, one they
# turned down above DOUBT_CUT (scores are log-odds of being a field).
SURE_CUT, DOUBT_CUT = -1.0, 0.0


def load(name, path):
    spec = importlib.util.spec_from_file_location(name, path)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


measure = load("field_measure", os.path.join(HERE, "measure.py"))


def page_candidates(job):
    """One page, clean or scanned: its candidates' measures and labels."""
    fields_dir, work, finder, name, page, dpi, how = job
    bmp = os.path.join(work, "%s-p%d-%d-%s.bmp" % (name, page, dpi, how))
    measure.render(fields_dir, os.path.join(fields_dir, name + ".pdf"), page, dpi, bmp, how == "scan")
    tsv = bmp[:-4] + ".candidates"
    subprocess.run([finder, bmp, os.devnull, "--all", "--candidates", tsv], check=True, capture_output=True)
    score = measure.load_score(fields_dir)
    truth = json.load(open(os.path.join(fields_dir, name + ".json")))
    tp = next(p for p in truth["pages"] if p["page"] == page)
    k = dpi / 72.0
    degrees = 0.4 if how == "scan" else 0.0
    cx, cy = tp["width"] * k / 2.0, tp["height"] * k / 2.0
    boxes = [score.turned([v * k for v in f["rect"]], degrees, cx, cy) for f in tp["fields"]]
    rows, labels = [], []
    for line in open(tsv):
        parts = line.rstrip("\n").split("\t")
        left, top, right, bottom = (int(v) for v in parts[:4])
        mx, my = (left + right) / 2.0, (top + bottom) / 2.0
        inside = any(b[0] - k <= mx <= b[2] + k and b[1] - k <= my <= b[3] + k for b in boxes)
        rows.append([float(v) for v in parts[7:7 + FEATURES]])
        labels.append(1 if inside else 0)
    return rows, labels


BAGS = 4


def decision(bag, x):
    """A bag is a few boosted tree sets, each grown on its own sample of four
    fifths of the candidates; their mean decision is the score. One set's
    decision on a form unlike the corpus swings from one training to the
    next; the mean of several holds."""
    return sum(m.decision_function(x) for m in bag) / len(bag)


def grow_one(args):
    x, y, weight, seed = args
    model = GradientBoostingClassifier(n_estimators=200, max_depth=4, learning_rate=0.1, subsample=0.8,
                                       min_samples_leaf=5, random_state=seed)
    model.fit(x, y, sample_weight=weight)
    return model


def grow(x, y, doc, pool):
    """Each document weighs the same in all, however many candidates it
    has: the scorer is for forms not yet seen, not for the corpus's largest."""
    counts = np.bincount(doc)
    weight = 1.0 / counts[doc]
    weight *= len(weight) / weight.sum()
    return list(pool.map(grow_one, [(x, y, weight, seed) for seed in range(BAGS)]))


def flatten(bag):
    """The trees of every set as one table of nodes, with the learning rate
    and the share of the mean folded into the leaves and the priors into
    the bias."""
    roots, nodes, bias = [], [], 0.0
    share = 1.0 / len(bag)
    zero = np.zeros((1, FEATURES), dtype=np.float32)
    for model in bag:
        rate = model.learning_rate * share
        for est in model.estimators_[:, 0]:
            t = est.tree_
            base = len(nodes)
            roots.append(base)
            for n in range(t.node_count):
                leaf = t.children_left[n] < 0
                nodes.append((-1 if leaf else int(t.feature[n]), 0.0 if leaf else float(t.threshold[n]),
                              -1 if leaf else base + int(t.children_left[n]),
                              -1 if leaf else base + int(t.children_right[n]),
                              rate * float(t.value[n][0][0]) if leaf else 0.0))
        # The prior: the decision of a candidate that no tree moves.
        prior = float(model.decision_function(zero)[0])
        prior -= sum(model.learning_rate * float(est.tree_.predict(zero)[0]) for est in model.estimators_[:, 0])
        bias += prior * share
    return roots, nodes, bias


def write_model_text(model, path):
    roots, nodes, bias = flatten(model)
    with open(path, "w") as f:
        f.write("trees %d nodes %d bias %r cuts %r %r roots %s\n" % (len(roots), len(nodes), bias, SURE_CUT, DOUBT_CUT,
                                                                   " ".join(map(str, roots))))
        for n in nodes:
            f.write("%d %r %d %d %r\n" % n)


def write_model_cpp(model, path):
    roots, nodes, bias = flatten(model)

    def table(kind, name, values):
        lines, line = [], "   "
        for v in values:
            item = " %s," % v
            if len(line) + len(item) > 110:
                lines.append(line)
                line = "   "
            line += item
        lines.append(line)
        return "static const %s %s[] = {\n%s\n};\n" % (kind, name, "\n".join(lines))

    with open(path, "w") as f:
        f.write("// Written by tools/fields/train.py (make fields-train); not edited by hand.\n")
        f.write("// %d trees of the scorer, learned from the forms of the field corpus.\n" % len(roots))
        f.write('#include "fields/field_model.h"\n\n')
        f.write(table("int32_t", "kRoots", roots))
        f.write(table("int16_t", "kFeature", [n[0] for n in nodes]))
        f.write(table("double", "kThreshold", [repr(n[1]) for n in nodes]))
        f.write(table("int32_t", "kLeft", [n[2] for n in nodes]))
        f.write(table("int32_t", "kRight", [n[3] for n in nodes]))
        f.write(table("double", "kValue", [repr(n[4]) for n in nodes]))
        f.write("\nconst FieldModel kFieldModel = { %d, kRoots, kFeature, kThreshold, kLeft, kRight, kValue, %r, %r, %r };\n"
                % (len(roots), bias, SURE_CUT, DOUBT_CUT))


def write_cases(model, x, path):
    """Candidates spread over the scores, each with the score this tool gives."""
    scores = decision(model, x)
    order = np.argsort(scores, kind="stable")
    picks = [int(order[int(i)]) for i in np.linspace(0, len(order) - 1, 12)]
    with open(path, "w") as f:
        f.write("// Written by tools/fields/train.py with the scorer's table: candidates of the\n")
        f.write("// corpus, their measures and the score the training tool gives each.\n")
        for i in picks:
            f.write("{ { %s }, %r },\n" % (", ".join("%.9ef" % v for v in x[i]), float(scores[i])))


def main():
    ap = argparse.ArgumentParser()
    for name in ("fields_dir", "finder", "work", "model_cpp", "cases"):
        ap.add_argument(name)
    ap.add_argument("--folds", type=int, default=5)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--dpi", type=int, default=150)
    a = ap.parse_args()
    a.finder = os.path.abspath(a.finder)
    os.makedirs(a.work, exist_ok=True)
    names = sorted(f[:-5] for f in os.listdir(a.fields_dir)
                   if f.endswith(".json") and os.path.exists(os.path.join(a.fields_dir, f[:-5] + ".pdf")))
    jobs, doc_of = [], []
    for d, name in enumerate(names):
        truth = json.load(open(os.path.join(a.fields_dir, name + ".json")))
        for page in [p["page"] for p in truth["pages"] if p["fields"]]:
            for how in ("clean", "scan"):
                jobs.append((a.fields_dir, a.work, a.finder, name, page, a.dpi, how))
                doc_of.append(d)
    with ProcessPoolExecutor(max_workers=a.jobs) as pool:
        results = list(pool.map(page_candidates, jobs))
    x, y, doc = [], [], []
    for d, (rows, labels) in zip(doc_of, results):
        x += rows
        y += labels
        doc += [d] * len(rows)
    x = np.array(x, dtype=np.float32)
    y = np.array(y)
    doc = np.array(doc)
    print("%d candidates from %d pages, %d of them in a field" % (len(y), len(jobs), int(y.sum())))
    pool = ProcessPoolExecutor(max_workers=a.jobs)
    for k in range(a.folds):
        train = doc % a.folds != k
        model = grow(x[train], y[train], doc[train], pool)
        path = os.path.join(a.work, "fold%d.model" % k)
        write_model_text(model, path)
        wrapper = "%s_fold%d" % (a.finder, k)
        with open(wrapper, "w") as f:
            # FIELD_CUTS="SURE DOUBTFUL" tries other cuts on the same trees.
            f.write('#!/bin/sh\nexec "%s" "$@" --model "%s" ${FIELD_CUTS:+--cuts $FIELD_CUTS}\n' %
                    (a.finder, os.path.abspath(path)))
        os.chmod(wrapper, os.stat(wrapper).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        held = ~train
        right = ((decision(model, x[held]) > 0) == (y[held] == 1)).mean()
        print("fold %d: trained on %d candidates, %.3f of the %d held out decided right" %
              (k, int(train.sum()), right, int(held.sum())))
    model = grow(x, y, doc, pool)
    pool.shutdown()
    write_model_cpp(model, a.model_cpp)
    write_cases(model, x, a.cases)
    print("wrote %s and %s" % (a.model_cpp, a.cases))


if __name__ == "__main__":
    main()
