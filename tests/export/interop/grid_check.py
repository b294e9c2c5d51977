#!/usr/bin/env python3
"""Measures how well a PDF keeps a fixed-pitch report on its character grid.

Usage: grid_check.py grid PDF EXPECTED   (EXPECTED: UTF-8 report lines, pages
                                          separated by form feeds)
       grid_check.py ink WRITTEN INERT    (two renderings' dark pixels compared)

grid: pdftotext -bbox gives every word's box. The reader's lines (by height,
page by page) are paired with the report's lines by their text, and their
words likewise; per page of the PDF, x is fitted linearly to the column of
each word, and a word is on the grid when its left edge lies within a third of
a cell of the fit. Words the reader lost or split differently count as off the
grid. Prints one JSON object (the per-page shares are of the words paired).

ink: renders both PDFs with pdftoppm and counts the pixels that are ink in the
second (clipping made inert) but not in the first; prints JSON.
"""
import difflib
import html
import json
import re
import subprocess
import sys

WORD = re.compile(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>')


def page_words(pdf, page):
    out = subprocess.run(["pdftotext", "-bbox", "-f", str(page), "-l", str(page), pdf, "-"],
                         check=True, capture_output=True, text=True).stdout
    return [(float(a), float(b), float(c), float(d), html.unescape(t)) for a, b, c, d, t in WORD.findall(out)]


def reader_lines(words):
    """The words grouped into lines by height, top to bottom, each left to right."""
    if not words:
        return []
    heights = sorted(w[3] - w[1] for w in words)
    tolerance = heights[len(heights) // 2] / 2
    lines = []
    for w in sorted(words, key=lambda w: (w[1] + w[3]) / 2):
        mid = (w[1] + w[3]) / 2
        if lines and abs(mid - lines[-1][0]) <= tolerance:
            lines[-1][1].append(w)
        else:
            lines.append([mid, [w]])
    return [sorted(ws, key=lambda w: w[0]) for _, ws in lines]


def report_words(line):
    return [(m.start(), m.group()) for m in re.finditer(r"\S+", line)]


def fit(pairs):
    n = len(pairs)
    sx = sum(c for c, _ in pairs)
    sy = sum(x for _, x in pairs)
    sxx = sum(c * c for c, _ in pairs)
    sxy = sum(c * x for c, x in pairs)
    d = n * sxx - sx * sx
    if n < 2 or d == 0:
        return None
    b = (n * sxy - sx * sy) / d
    return (sy - b * sx) / n, b


def page_count(pdf):
    info = subprocess.run(["pdfinfo", pdf], check=True, capture_output=True, text=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def pair_lines(wanted, found):
    """Pairs of (report line, reader line) by text; a reader may paginate its own way."""
    matcher = difflib.SequenceMatcher(None, [" ".join(t for _, t in l) for l in wanted],
                                      [" ".join(w[4] for w in l) for _, l in found], autojunk=False)
    for tag, a0, a1, b0, b1 in matcher.get_opcodes():
        if tag == "equal" or (tag == "replace" and a1 - a0 == b1 - b0):
            yield from zip(range(a0, a1), range(b0, b1))


def grid(pdf, expected):
    wanted = [report_words(l) for l in open(expected, encoding="utf-8").read().replace("\f", "\n").split("\n")
              if l.strip()]
    found = [(page, line) for page in range(1, page_count(pdf) + 1) for line in reader_lines(page_words(pdf, page))]
    pairs = {}
    for a, b in pair_lines(wanted, found):
        want, (page, got) = wanted[a], found[b]
        matcher = difflib.SequenceMatcher(None, [t for _, t in want], [w[4] for w in got], autojunk=False)
        for block in matcher.get_matching_blocks():
            for k in range(block.size):
                pairs.setdefault(page, []).append((want[block.a + k][0], got[block.b + k][0]))
    total = sum(len(w) for w in wanted)
    on = 0
    shares = []
    for page in sorted(pairs):
        line = fit(pairs[page])
        good = 0
        if line:
            a, b = line
            # Once more without the words far off the first fit, which would pull it.
            close = [(c, x) for c, x in pairs[page] if abs(x - (a + b * c)) <= abs(b) / 3]
            a, b = fit(close) or line
            good = sum(1 for c, x in pairs[page] if abs(x - (a + b * c)) <= abs(b) / 3)
        on += good
        shares.append(round(good / len(pairs[page]), 4))
    print(json.dumps({"words": total, "on_grid": on, "share": on / total if total else 1.0, "pages": shares}))


def gray(pdf, prefix):
    subprocess.run(["pdftoppm", "-r", "150", "-gray", pdf, prefix], check=True)


def pgm_pixels(path):
    data = open(path, "rb").read()
    fields = re.match(rb"P5\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    return data[fields.end():]


def ink(written, inert):
    import glob
    import os
    import tempfile
    with tempfile.TemporaryDirectory() as work:
        gray(written, os.path.join(work, "a"))
        gray(inert, os.path.join(work, "b"))
        cut = inked = 0
        for a in sorted(glob.glob(os.path.join(work, "a-*.pgm"))):
            pa = pgm_pixels(a)
            pb = pgm_pixels(a.replace(os.sep + "a-", os.sep + "b-"))
            for x, y in zip(pa, pb):
                if y < 128:
                    inked += 1
                    if x >= 128:
                        cut += 1
        print(json.dumps({"ink": inked, "cut": cut}))


if __name__ == "__main__":
    if sys.argv[1] == "grid":
        grid(sys.argv[2], sys.argv[3])
    else:
        ink(sys.argv[2], sys.argv[3])
