#!/usr/bin/env python3
"""The include graph of src/: which module includes which, whether every
include runs downward through the layers, and the circles.

    tools/include_layers.py [--graph] [SRC]

A module is a header and its source file (src/view/form_image.{h,cpp}). The
layers, from the top: shell; output and entries (output may use entries);
view; fields (the field finder, pure functions of pixels); base. A module may
include its own folder, the layers below it and resources/ (the resource ids).
Prints the circles (modules that include each other, directly or through
others) and the includes that run upward; exits 1 if there is either.
"""
import os
import re
import sys

LAYERS = {"base": 0, "fields": 1, "view": 2, "entries": 3, "output": 4, "shell": 5}
# What each folder may include besides itself and base.
MAY_INCLUDE = {
    "base": set(),
    "fields": {"base"},
    "view": {"base", "fields", "resources"},
    "entries": {"base", "fields", "view", "resources"},
    "output": {"base", "fields", "view", "entries", "resources"},
    "shell": {"base", "fields", "view", "entries", "output", "resources"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def modules(src):
    graph = {}
    for folder, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            module = os.path.splitext(os.path.relpath(path, src))[0]
            with open(path, encoding="utf-8", errors="replace") as f:
                targets = {os.path.splitext(t)[0] for t in INCLUDE.findall(f.read())}
            graph.setdefault(module, set()).update(t for t in targets if t != module)
    for deps in graph.values():
        deps.discard(None)
    return graph


def circles(graph):
    """Strongly connected components of more than one module (Tarjan)."""
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in graph:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                out.append(sorted(group))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return out


def upward(graph):
    bad = []
    for module, deps in sorted(graph.items()):
        folder = module.split("/")[0]
        for dep in sorted(deps):
            target = dep.split("/")[0]
            if target != folder and target not in MAY_INCLUDE.get(folder, set()):
                bad.append((module, dep))
    return bad


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    src = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    graph = modules(src)
    if "--graph" in sys.argv:
        for module, deps in sorted(graph.items()):
            print("%s -> %s" % (module, ", ".join(sorted(deps)) or "(nothing)"))
    found = circles(graph)
    for i, group in enumerate(found, 1):
        print("circle %d: %s" % (i, ", ".join(group)))
    bad = upward(graph)
    for module, dep in bad:
        print("upward include: %s -> %s" % (module, dep))
    print("%d modules, %d circles, %d upward includes" % (len(graph), len(found), len(bad)))
    return 1 if found or bad else 0


if __name__ == "__main__":
    sys.exit(main())
