#!/usr/bin/python3
"""Prints a workbook as text for a test to compare, read by openpyxl, a reader that is not
our writer: per sheet a line with its name, frozen cell, autofilter, number format of the
first date, whether the header row is bold, the columns' widths; then each row, its cells joined by TABs: text as Excel shows it (a TAB or LF in it as
\\t or \\n), a number as #N, a date-time as @YYYY-MM-DD HH:MM:SS.

Usage: read_workbook.py WORKBOOK"""
import sys

import openpyxl
from openpyxl.utils.escape import unescape


def cell_text(cell):
    value = cell.value
    if value is None:
        return ""
    if cell.is_date:
        return "@" + value.strftime("%Y-%m-%d %H:%M:%S")
    if cell.data_type == "n":
        return "#%d" % value
    # Excel reads "_xHHHH_" in a text as the character it escapes; openpyxl does not.
    return unescape(value).replace("\t", "\\t").replace("\n", "\\n")


book = openpyxl.load_workbook(sys.argv[1])
for sheet in book.worksheets:
    dates = [c.number_format for c in sheet["D"][1:2] if c.is_date]
    print("%s freeze=%s filter=%s date=%s bold=%s widths=%s" % (
        sheet.title, sheet.freeze_panes, sheet.auto_filter.ref, dates[0] if dates else "-",
        all(c.font.b for c in sheet[1]),
        ",".join("%d" % sheet.column_dimensions[c].width for c in "ABCDEFG")))
    print("\t".join(cell_text(c) for c in sheet[1]))
    for row in sheet.iter_rows(min_row=2):
        print("\t".join(cell_text(c) for c in row))
