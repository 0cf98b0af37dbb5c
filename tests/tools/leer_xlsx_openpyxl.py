#!/usr/bin/env python3
"""Reads an .xlsx workbook with openpyxl (Debian's python3-openpyxl), as a spreadsheet that does
not recalculate on opening would: formulas give their cached results. Prints every worksheet
in tab order with its cells, one a line: the cell, its data type, its value and, when it is
not General, its number format. An empty cell without a format is not printed.

    python3 leer_xlsx_openpyxl.py libro.xlsx
"""
import sys

import openpyxl


def main(ruta):
    libro = openpyxl.load_workbook(ruta, data_only=True)
    for hoja in libro.worksheets:
        print("hoja %s" % hoja.title)
        for fila in hoja.iter_rows():
            for celda in fila:
                formato = celda.number_format
                if celda.value is None and formato == "General":
                    continue
                linea = "  %s %s %r" % (celda.coordinate, celda.data_type, celda.value)
                if formato != "General":
                    linea += " [%s]" % formato
                print(linea)


if __name__ == "__main__":
    main(sys.argv[1])
