"""xlsx_dump.py FILE: what openpyxl reads from a workbook's first sheet, as JSON: cells by
reference with value, type, font, fill, alignment and thin lines ("LRTB"); merged ranges, row
heights, column widths and styles, print titles and page set-up."""
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter


def rgb(color):
    if color is None or color.type != "rgb" or not isinstance(color.rgb, str):
        return None
    return color.rgb[-6:].upper()


def style_of(obj):
    font, fill, align, border = obj.font, obj.fill, obj.alignment, obj.border
    lines = "".join(letter for letter, side in (("L", border.left), ("R", border.right),
                                                 ("T", border.top), ("B", border.bottom))
                    if side is not None and side.style == "thin")
    return {
        "font": font.name, "size": float(font.sz) if font.sz is not None else None, "bold": bool(font.b),
        "fill": rgb(fill.fgColor) if fill.fill_type == "solid" else None,
        "h": align.horizontal or "general", "v": align.vertical or "bottom",
        "border": lines,
    }


def main(path):
    wb = openpyxl.load_workbook(path)
    ws = wb.worksheets[0]
    cells = {}
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is None and not cell.has_style:
                continue
            entry = style_of(cell)
            entry["value"] = cell.value
            entry["type"] = cell.data_type
            cells[cell.coordinate] = entry
    columns = {}
    for key, dim in ws.column_dimensions.items():
        entry = style_of(dim)
        entry.update({"min": dim.min, "max": dim.max, "width": dim.width if dim.customWidth else None})
        columns[key] = entry
    setup, margins = ws.page_setup, ws.page_margins
    out = {
        "sheets": len(wb.worksheets),
        "max_row": ws.max_row,
        "max_col": ws.max_column,
        "cells": cells,
        "merged": sorted(str(r) for r in ws.merged_cells.ranges),
        "row_heights": {str(i): d.height for i, d in ws.row_dimensions.items() if d.height is not None},
        "default_row_height": ws.sheet_format.defaultRowHeight,
        "columns": columns,
        "print_title_rows": ws.print_title_rows,
        "page": {
            "paper": int(setup.paperSize) if setup.paperSize is not None else None,
            "orientation": setup.orientation,
            "left": margins.left, "right": margins.right, "top": margins.top, "bottom": margins.bottom,
            "header": margins.header, "footer": margins.footer,
            "center_h": bool(ws.print_options.horizontalCentered),
        },
        "last_col_letter": get_column_letter(max(1, ws.max_column)),
    }
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
