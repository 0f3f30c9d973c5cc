#!/usr/bin/python3
"""tolvane-list -o NAME.xlsx on names a spreadsheet would take for a formula, a number or
a quote, read back by openpyxl cell by cell.
Usage: workbook_check.py SCRATCH PROGRAM [EMULATOR ARGUMENTS...] (Wine: paths on Z:)"""
import datetime, os, shutil, subprocess, sys, time
import openpyxl
from openpyxl.utils.escape import unescape

scratch, program, emulator = sys.argv[1], sys.argv[2], sys.argv[3:]
wine = bool(emulator)
tree = os.path.join(scratch, "tree")
shutil.rmtree(scratch, ignore_errors=True)
os.makedirs(os.path.join(tree, "sub"))
names = ["=SUM(1+1).txt", "+cmd.txt", "-2+3", "@SUM(A1)", "'quoted", "007", "1e5", "TRUE",
         "a&b;c.txt", "_x0041_.txt", " lead.txt", "\u03a9mega.TXT", "\u65e5\u672c.txt",
         "caf\u00e9.\u00e9t\u00e9", "big.bin", "midnight.txt", "sub/=1.txt"]
if not wine:  # names Windows cannot hold
    names += ['"quoted', '=HYPERLINK("x")', "tab\there", "cr\rx.txt", "bad\udcff.dat"]
expected = {}  # what a cell shows: "?" for a CR and for a byte that is no UTF-8
for i, name in enumerate(names):
    path = os.path.join(tree, name)
    size = 5_000_000_000 if name == "big.bin" else 3 * i
    with open(path, "wb") as f:
        f.truncate(size)  # sparse
    when = datetime.datetime(2004, 1, 1) if name == "midnight.txt" else \
        datetime.datetime(2004, 6, 14, 9, 5, 27)
    os.utime(path, (time.mktime(when.timetuple()),) * 2)
    shown = os.path.basename(name).replace("\r", "?").replace("\udcff", "?")
    expected[shown] = (size, when, os.path.dirname(path))


def native(path):
    return "Z:" + path.replace("/", "\\") if wine else path


def listing(name):
    output = os.path.join(scratch, name)
    command = emulator + [program, "-q", "--comment", "=1+1", "-o", native(output), native(tree)]
    # Wine reads the Linux names in the locale's character set.
    env = dict(os.environ, LC_ALL="C.UTF-8" if wine else "C")
    done = subprocess.run(command, capture_output=True, env=env)
    if done.returncode != 0:
        sys.exit("%s: status %d\n%s" % (command, done.returncode, done.stderr.decode()))
    return output


failures = []


def check(what, value, wanted):
    if value != wanted:
        failures.append("%s: %r, expected %r" % (what, value, wanted))


sheet = openpyxl.load_workbook(listing("list.xlsx")).worksheets[0]
check("header", [c.value for c in sheet[1]], ["Filename", "Extension", "Size", "Date/Time",
                                              "Directory", "Attribute", "Comment"])
check("header bold, frozen, filtered", (all(c.font.b for c in sheet[1]), sheet.freeze_panes,
      sheet.auto_filter.ref), (True, "A2", "A1:G%d" % (len(names) + 1)))
seen = []
for name, extension, size, date, folder, attributes, comment in sheet.iter_rows(min_row=2):
    value = unescape(name.value)  # as Excel reads "_xHHHH_"
    seen.append(value)
    want_size, want_date, want_folder = expected.get(value, (None, None, ""))
    check(value + ": text cells", {c.data_type for c in (name, extension, folder, comment)},
          {"s"})
    if value.isascii() and "\t" not in value:
        check(value + ": extension", extension.value, value.rsplit(".", 1)[-1].upper())
    check(value + ": size", (size.data_type, size.value), ("n", want_size))
    check(value + ": date", (date.is_date, date.value), (True, want_date))
    if not wine:
        check(value + ": date format", date.number_format, "yyyy-mm-dd hh:mm:ss")
    check(value + ": folder, attributes, comment", (folder.value, attributes.value,
          comment.value), (native(want_folder), "A" if wine else None, "=1+1"))
check("names", sorted(seen), sorted(expected))
if failures:
    sys.exit("\n".join(failures))
shutil.rmtree(scratch)
