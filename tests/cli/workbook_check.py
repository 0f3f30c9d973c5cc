#!/usr/bin/python3
"""tolvane-list -o NAME.xlsx on a tree of names a spreadsheet would otherwise take for a
formula, a number or a quote, read back with openpyxl cell by cell: names as they are,
sizes as numbers, date-times as dates, in the order of the TAB-separated listing.

Usage: workbook_check.py SCRATCH PROGRAM [EMULATOR ARGUMENTS...]
With an emulator (Wine), PROGRAM is tolvane-list.exe and its paths are given on drive Z:."""
import datetime
import os
import shutil
import subprocess
import sys
import time

import openpyxl
from openpyxl.utils.escape import unescape

scratch, program, emulator = sys.argv[1], sys.argv[2], sys.argv[3:]
wine = bool(emulator)
tree = os.path.join(scratch, "tree")
shutil.rmtree(scratch, ignore_errors=True)
os.makedirs(os.path.join(tree, "sub"))

names = ["=SUM(1+1).txt", "+cmd.txt", "-2+3", "@SUM(A1)", "'quoted", "007", "1e5", "TRUE",
         "0x1F", "a&b;c.txt", "_x0041_.txt", " lead.txt", "\u03a9mega.TXT",
         "\u65e5\u672c\u8a9e.txt", "caf\u00e9.\u00e9t\u00e9", "big.bin", "midnight.txt",
         "sub/=1.txt"]
# Names Windows cannot hold.
if not wine:
    names += ['"quoted', '=HYPERLINK("x")', "tab\there", "cr\rx.txt", "bad\udcff.dat"]
# What a cell holds for each name: a character below 0x20 (but TAB and LF) and a byte that
# is no UTF-8 character are written as "?".
shown = {n: n.replace("\r", "?").replace("\udcff", "?") for n in names}

stamp = datetime.datetime(2004, 6, 14, 9, 5, 27)
expected = {}
for i, name in enumerate(names):
    path = os.path.join(tree, name)
    size = 5_000_000_000 if name == "big.bin" else 3 * i
    with open(path, "wb") as f:
        f.truncate(size)  # sparse
    when = datetime.datetime(2004, 1, 1) if name == "midnight.txt" else stamp
    seconds = time.mktime(when.timetuple())
    os.utime(path, (seconds, seconds))
    folder, base = os.path.split(os.path.join(tree, name))
    expected[shown[name].split("/")[-1]] = (size, when, folder)


def native_path(path):
    return "Z:" + path.replace("/", "\\") if wine else path


def run(output):
    command = emulator + [program, "-q", "--comment", "=1+1", "-o", native_path(output),
                          native_path(tree)]
    # Wine reads the Linux names in the locale's character set.
    locale = "C.UTF-8" if wine else "C"
    done = subprocess.run(command, capture_output=True, env=dict(os.environ, LC_ALL=locale))
    if done.returncode != 0:
        sys.exit("%s: status %d\n%s" % (command, done.returncode, done.stderr.decode()))


failures = []


def check(what, value, wanted):
    if value != wanted:
        failures.append("%s: %r, expected %r" % (what, value, wanted))


workbook_path = os.path.join(scratch, "list.xlsx")
text_path = os.path.join(scratch, "list.txt")
run(workbook_path)
run(text_path)

sheet = openpyxl.load_workbook(workbook_path).worksheets[0]
header = [c.value for c in sheet[1]]
check("header", header, ["Filename", "Extension", "Size", "Date/Time", "Directory",
                         "Attribute", "Comment"])
check("bold header", all(c.font.b for c in sheet[1]), True)
check("frozen", sheet.freeze_panes, "A2")
check("autofilter", sheet.auto_filter.ref, "A1:G%d" % (len(names) + 1))

seen = []
for row in sheet.iter_rows(min_row=2):
    name, extension, size, date, folder, attributes, comment = row
    # Excel reads "_xHHHH_" in a text as the character it escapes; openpyxl does not.
    value = unescape(name.value)
    seen.append(value)
    if value not in expected:
        failures.append("unexpected row %r" % value)
        continue
    want_size, want_date, want_folder = expected[value]
    for cell in (name, extension, folder, comment):
        check("%s: type of %s" % (value, cell.coordinate), cell.data_type, "s")
    if value.isascii() and "\t" not in value:
        check(value + ": extension", extension.value, value.rsplit(".", 1)[-1].upper())
    check(value + ": size", (size.data_type, size.value), ("n", want_size))
    check(value + ": date", (date.is_date, date.value), (True, want_date))
    if not wine:
        check(value + ": date format", date.number_format, "yyyy-mm-dd hh:mm:ss")
    check(value + ": folder", folder.value, native_path(want_folder))
    check(value + ": attributes", attributes.value, "A" if wine else None)
    check(value + ": comment", comment.value, "=1+1")
check("names", sorted(seen), sorted(expected))

# The same order as the text listing (whose names outside the ANSI code page or with a
# TAB differ by design).
with open(text_path, "rb") as f:
    lines = f.read().split(b"\r\n")[1:-1]
text_names = [line.split(b"\t")[0].decode("utf-8", "replace") for line in lines]
plain = [n for n in seen if n.isascii() and "\t" not in n and "?" not in n]
check("order", [n for n in text_names if n in plain], plain)

if failures:
    sys.exit("\n".join(failures))
shutil.rmtree(scratch)
