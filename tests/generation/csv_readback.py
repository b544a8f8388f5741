#!/usr/bin/env python3
"""Reads the packages that CsvReadback writes with Python's csv module (GBK)
and checks every row field by field.

usage: csv_readback.py <emulator command...> <generation_tests.exe>
"""
import csv
import os
import re
import shutil
import subprocess
import sys

HEAD_LINES = {4: 1, 5: 3}
FIELDS = {4: 46, 5: 44}
# column indexes (from 0) of the texts checked, per layout
COLUMNS = {
    4: {"title": 0, "cid": 1, "desc": 24, "props": 26, "input_str": 39, "outer_id": 40, "id": 43},
    5: {"title": 0, "cid": 1, "desc": 20, "props": 21, "input_str": 32, "outer_id": 33, "id": 36},
}
EXPECTED = {
    "501": {"title": '他说"好",就买', "cid": "5,6", "desc": '<img src="http://p.example/a.jpg"> "引号" |*| a，b',
            "props": ";", "input_str": "x|*|y", "outer_id": 'O"1'},
    "502": {"title": "普通", "cid": "", "desc": 'x"y"，z', "props": "1:2;", "input_str": "", "outer_id": ""},
}


def main():
    *emulator, exe = sys.argv[1:]
    run = subprocess.run(emulator + [exe, "--gtest_filter=CsvReadback.*", "--keep-package"],
                         capture_output=True, text=True, errors="replace", timeout=170)
    sys.stdout.write(run.stdout)
    if run.returncode != 0:
        print("the package writer failed", file=sys.stderr)
        return 1
    found = re.search(r"PACKAGE_FOLDER (\S+)", run.stdout)
    if not found:
        print("no package folder reported", file=sys.stderr)
        return 1
    folder = os.path.join(os.path.dirname(exe), found.group(1))
    failures = []
    try:
        for layout in (4, 5):
            path = os.path.join(folder, "pkg%d.csv" % layout)
            with open(path, "rb") as f:
                raw = f.read()
            if raw.startswith(b"\xef\xbb\xbf"):
                failures.append("%s: byte-order mark" % path)
            with open(path, newline="", encoding="gbk") as f:
                rows = list(csv.reader(f))
            head, body = rows[:HEAD_LINES[layout]], rows[HEAD_LINES[layout]:]
            for row in head[-1:]:
                if len(row) != FIELDS[layout]:
                    failures.append("%s: header has %d fields" % (path, len(row)))
            if len(body) != 2:
                failures.append("%s: %d rows" % (path, len(body)))
            for row in body:
                if len(row) != FIELDS[layout]:
                    failures.append("%s: a row has %d fields: %r" % (path, len(row), row))
                    continue
                cols = COLUMNS[layout]
                item = row[cols["id"]]
                want = EXPECTED.get(item)
                if want is None:
                    failures.append("%s: unexpected item %r" % (path, item))
                    continue
                for key, value in want.items():
                    if row[cols[key]] != value:
                        failures.append("%s item %s %s: %r, expected %r" % (path, item, key, row[cols[key]], value))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for f in failures:
        print(f, file=sys.stderr)
    print("read back: %s" % ("ok" if not failures else "%d failures" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
