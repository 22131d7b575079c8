#!/usr/bin/env python3
"""Describes the sheet Elenco of a workbook as JSON, read by libraries that are not the
program's own: xlrd for .xls, openpyxl for .xlsx. The Qt tests compare what it prints.

Output: {"sheets": [...], "rows": [[[type, value], ...], ...], "bold": [...],
"bordered": bool, "widths": [...], "landscape": bool, "formats": [...]}
where type is "text", "number", "date" or "empty" and a date value is dd/mm/yyyy.
"""
import json
import sys


def inspect_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_name("Elenco")
    kinds = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
             xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BLANK: "empty", xlrd.XL_CELL_EMPTY: "empty"}
    rows, bordered, formats = [], True, []
    for r in range(sheet.nrows):
        row = []
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            kind = kinds.get(cell.ctype, "other")
            value = cell.value
            if kind == "date":
                y, m, d = xlrd.xldate_as_tuple(value, book.datemode)[:3]
                value = "%02d/%02d/%04d" % (d, m, y)
            elif kind == "empty":
                value = ""
            row.append([kind, value])
            xf = book.xf_list[cell.xf_index]
            b = xf.border
            for style, colour in ((b.left_line_style, b.left_colour_index),
                                  (b.right_line_style, b.right_colour_index),
                                  (b.top_line_style, b.top_colour_index),
                                  (b.bottom_line_style, b.bottom_colour_index)):
                if style != 1 or colour != 8:
                    bordered = False
            if r == 1:
                formats.append(book.format_map[xf.format_key].format_str)
        rows.append(row)
    bold = [book.font_list[book.xf_list[sheet.cell_xf_index(0, c)].font_index].bold == 1
            for c in range(sheet.ncols)]
    widths = [sheet.colinfo_map[c].width / 256 if c in sheet.colinfo_map else None
              for c in range(sheet.ncols)]
    return {"sheets": book.sheet_names(), "rows": rows, "bold": bold, "bordered": bordered,
            "widths": widths, "landscape": xls_landscape(path), "formats": formats}


def xls_landscape(path):
    """xlrd skips the page setup record: find it in the workbook stream ourselves."""
    import struct
    from xlrd import compdoc
    with open(path, "rb") as f:
        stream = compdoc.CompDoc(f.read()).get_named_stream("Workbook")
    pos = 0
    while pos + 4 <= len(stream):
        kind, size = struct.unpack_from("<HH", stream, pos)
        if kind == 0x00A1:  # SETUP: options at offset 10; bit 1 portrait, bit 2 "not set"
            options = struct.unpack_from("<H", stream, pos + 4 + 10)[0]
            return options & 0x6 == 0
        pos += 4 + size
    return False


def inspect_xlsx(path):
    import datetime
    import openpyxl
    from openpyxl.utils import get_column_letter
    book = openpyxl.load_workbook(path)
    sheet = book["Elenco"]
    rows, bordered, formats = [], True, []
    for r, cells in enumerate(sheet.iter_rows(), start=1):
        row = []
        for cell in cells:
            value = cell.value
            if value is None or value == "":
                row.append(["empty", ""])
            elif isinstance(value, datetime.datetime):
                row.append(["date", value.strftime("%d/%m/%Y")])
            elif isinstance(value, (int, float)):
                row.append(["number", value])
            else:
                row.append(["text", value])
            for side in (cell.border.left, cell.border.right, cell.border.top, cell.border.bottom):
                if side.style != "thin" or side.color is None or side.color.rgb != "FF000000":
                    bordered = False
            if r == 2:
                formats.append(cell.number_format)
        rows.append(row)
    ncols = sheet.max_column
    bold = [bool(sheet.cell(1, c).font.b) for c in range(1, ncols + 1)]
    widths = []
    for c in range(1, ncols + 1):
        dim = sheet.column_dimensions[get_column_letter(c)]
        # A width set on a range of columns is stored once, on the first of them.
        first = min((d for d in sheet.column_dimensions.values() if d.min and d.min <= c <= d.max),
                    key=lambda d: d.min, default=dim)
        widths.append(round(first.width, 2) if first.width else None)
    return {"sheets": book.sheetnames, "rows": rows, "bold": bold, "bordered": bordered,
            "widths": widths, "landscape": sheet.page_setup.orientation == "landscape",
            "formats": formats}


def main():
    path = sys.argv[1]
    result = inspect_xlsx(path) if path.lower().endswith(".xlsx") else inspect_xls(path)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
