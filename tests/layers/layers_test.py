#!/usr/bin/env python3
"""The folders of src/ in layers: a file includes only its own folder and the
folders below it. Fails naming every include that points up, every folder
that has no place in the order, and any circle between folders."""
import os
import re
import sys

# Bottom first. A folder may include itself and the folders before it.
LAYERS = ["platform", "core", "settings", "devices", "files", "stars", "display",
          "processing", "acquisition", "telescope", "guiding", "server", "app"]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"')


def folder_edges(src):
    edges = {}  # (from, to) -> ["file -> header", ...]
    for top, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h", ".cc")):
                continue
            path = os.path.join(top, name)
            rel = os.path.relpath(path, src)
            here = rel.split(os.sep)[0]
            with open(path, encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = INCLUDE.match(line)
                    if m and m.group(1) != here:
                        edges.setdefault((here, m.group(1)), []).append(
                            f"src/{rel} includes {line.split(chr(34))[1]}")
    return edges


def find_circle(edges):
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
    state, stack = {}, []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "src")
    rank = {name: i for i, name in enumerate(LAYERS)}
    edges = folder_edges(src)
    faults = []
    folders = {d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d))}
    for d in sorted(folders - set(rank)):
        faults.append(f"src/{d}/ has no place in the layers: add it to LAYERS in {__file__}")
    for (a, b), where in sorted(edges.items()):
        if a in rank and b in rank and rank[b] > rank[a]:
            faults.append(f"{a}/ includes {b}/, which sits above it:")
            faults.extend("    " + w for w in where)
    circle = find_circle(edges)
    if circle:
        faults.append("a circle of includes: " + " -> ".join(c + "/" for c in circle))
        for a, b in zip(circle, circle[1:]):
            faults.extend("    " + w for w in edges[(a, b)][:3])
    if faults:
        print("\n".join(faults))
        return 1
    print(f"layers hold: {len(edges)} folder links, all downwards ({' < '.join(LAYERS)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
