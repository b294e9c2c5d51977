#!/usr/bin/env python3
"""Prints what xlrd reads from an .xls file as JSON: per sheet its name, its
non-empty cells [row, column, value] and its merged ranges [first row, last
row + 1, first column, last column + 1]. With --lengths, cell values are
replaced by their lengths (large files)."""
import json
import sys

import xlrd

lengths = "--lengths" in sys.argv
path = [a for a in sys.argv[1:] if not a.startswith("--")][0]
book = xlrd.open_workbook(path, formatting_info=True)
sheets = []
for sheet in book.sheets():
    cells = []
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            value = sheet.cell_value(r, c)
            if value != "":
                cells.append([r, c, len(value) if lengths else value])
    sheets.append({"name": sheet.name, "cells": cells, "merged": [list(m) for m in sheet.merged_cells]})
json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)
