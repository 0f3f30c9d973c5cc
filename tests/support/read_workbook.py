#!/usr/bin/python3
"""Prints a workbook as openpyxl reads it: per sheet its name, frozen cell, autofilter, first
date's number format, bold header, column widths; then its rows, cells joined by TABs: text
as Excel shows it, #N for a number, @YYYY-MM-DD HH:MM:SS for a date. Usage: WORKBOOK"""
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
    for row in sheet.iter_rows():
        print("\t".join(cell_text(c) for c in row))
