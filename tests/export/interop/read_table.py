#!/usr/bin/env python3
"""Reads a data export back as a recipient's spreadsheet tools would: an .xlsx
with openpyxl, a .csv with the csv module. Prints JSON: the header, the rows in
the truth lists' form (numbers in C form with the decimals their cell format
shows, dates yyyy-mm-dd, text as is, empty cells empty) and, for .xlsx, the
sheet's name, frozen pane, autofilter, the header's boldness and each column's
number format.

Usage: read_table.py FILE.xlsx|FILE.csv
"""
import csv
import datetime
import json
import sys


def number_text(value, number_format):
    decimals = len(number_format.split(".")[1]) if "." in number_format else 0
    return "%.*f" % (decimals, value)


def read_xlsx(path):
    import openpyxl

    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    rows = list(sheet.iter_rows())
    header = rows[0]
    result = {
        "sheets": book.sheetnames,
        "freeze": sheet.freeze_panes,
        "filter": sheet.auto_filter.ref,
        "bold": all(cell.font.b for cell in header),
        "header": [cell.value for cell in header],
        "formats": [None] * len(header),
        "rows": [],
    }
    for row in rows[1:]:
        cells = []
        for column, cell in enumerate(row):
            value = cell.value
            if isinstance(value, datetime.datetime):
                cells.append(value.date().isoformat())
            elif isinstance(value, (int, float)):
                cells.append(number_text(value, cell.number_format))
            else:
                cells.append("" if value is None else value)
            if value is not None and not isinstance(value, str):
                result["formats"][column] = cell.number_format
        result["rows"].append(cells)
    return result


def read_csv(path):
    with open(path, newline="", encoding="utf-8-sig") as source:
        rows = list(csv.reader(source, strict=True))
    return {"header": rows[0], "rows": rows[1:]}


if __name__ == "__main__":
    path = sys.argv[1]
    print(json.dumps(read_xlsx(path) if path.endswith(".xlsx") else read_csv(path), ensure_ascii=False))
