#!/usr/bin/env python3
"""Reads the workbooks the spreadsheet export writes with a real spreadsheet
reader (xlrd): the heading, every cell's text and its text format.

    check_xls.py <xls_sample.exe> <wine-run>
"""
import os
import subprocess
import sys
import tempfile
import unittest

import xlrd

SAMPLE, WINE_RUN = sys.argv[1], sys.argv[2]
HEADING = ["宝贝名称", "宝贝价格", "宝贝地址"]


def workbook_of(rows):
    """rows: (name, id, price, address); returns the opened xlrd book."""
    folder = tempfile.mkdtemp(prefix="quorvane_xls_")
    src = os.path.join(folder, "list.txt")
    out = os.path.join(folder, "temp.xls")
    with open(src, "wb") as f:
        for name, ident, price, address in rows:
            f.write("||".join([name, ident, price, address]).encode("gbk") + b"\r\n")
    subprocess.run([WINE_RUN, SAMPLE, src, out], check=True)
    return xlrd.open_workbook(out, formatting_info=True)


def format_of(book, sheet, r, c):
    xf = book.xf_list[sheet.cell_xf_index(r, c)]
    return book.format_map[xf.format_key].format_str


class Workbook(unittest.TestCase):
    def check_sheet(self, book, sheet, rows):
        self.assertEqual(sheet.nrows, len(rows) + 1)
        self.assertEqual(sheet.row_values(0), HEADING)
        for i, (name, _ident, price, address) in enumerate(rows, start=1):
            self.assertEqual(sheet.row_values(i), [name, price, address], i)
            for c in range(3):
                self.assertEqual(sheet.cell_type(i, c), xlrd.XL_CELL_TEXT)
                self.assertEqual(format_of(book, sheet, i, c), "@")
        for c in range(3):
            self.assertEqual(format_of(book, sheet, 0, c), "@")

    def test_cells_come_back_as_text(self):
        rows = [
            ("  春季新款连衣裙", "1001", "0128.00", "http://127.0.0.1/item.htm?id=1001"),
            ("T恤 · 全棉（男款）", "1002", "", "http://127.0.0.1/item.htm?id=1002"),
            ("00123", "1003", "1e5", "http://127.0.0.1/item.htm?id=1003&a=b"),
            ("同名", "1004", "9.9", "http://127.0.0.1/item.htm?id=1004"),
            ("同名", "1005", "9.9", "http://127.0.0.1/item.htm?id=1005"),
        ]
        book = workbook_of(rows)
        self.assertEqual(book.nsheets, 1)
        self.check_sheet(book, book.sheet_by_index(0), rows)

    def test_long_texts_cross_record_boundaries(self):
        # Far more text than one record holds: the shared strings continue.
        rows = [("宝贝" * (900 + i * 37), str(i), str(i), "http://127.0.0.1/item.htm?id=%d" % i) for i in range(12)]
        book = workbook_of(rows)
        self.check_sheet(book, book.sheet_by_index(0), rows)

    def test_long_lists_go_on_in_a_second_sheet(self):
        rows = [("名称%d" % i, str(i), "%d.00" % (i % 100), "http://127.0.0.1/item.htm?id=%d" % i)
                for i in range(70000)]
        book = workbook_of(rows)
        self.assertEqual(book.nsheets, 2)
        first, second = book.sheet_by_index(0), book.sheet_by_index(1)
        self.assertEqual(first.nrows, 65536)
        self.assertEqual(second.nrows, 70000 - 65535 + 1)
        self.assertEqual(second.row_values(0), HEADING)
        self.assertEqual(first.row_values(65535), ["名称65534", "34.00", "http://127.0.0.1/item.htm?id=65534"])
        self.assertEqual(second.row_values(1), ["名称65535", "35.00", "http://127.0.0.1/item.htm?id=65535"])
        self.assertEqual(second.row_values(second.nrows - 1),
                         ["名称69999", "99.00", "http://127.0.0.1/item.htm?id=69999"])
        self.assertEqual(format_of(book, second, 4000, 1), "@")

    def test_empty_list_gives_the_heading_only(self):
        book = workbook_of([])
        sheet = book.sheet_by_index(0)
        self.assertEqual(sheet.nrows, 1)
        self.assertEqual(sheet.row_values(0), HEADING)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
