#!/usr/bin/env python3
"""Dumps an .xlsx workbook as plain text: its sheets in tab order, every cell with its type,
the value as stored in the file and its number format, and every chart with its type, title,
series references and formats, and axes.

Reads the file with the standard library only (zipfile + xml.etree), so that it checks what
the program wrote independently of the library that wrote it.

    python3 volcar_xlsx.py libro.xlsx
"""
import posixpath
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "rel": "http://schemas.openxmlformats.org/package/2006/relationships",
    "c": "http://schemas.openxmlformats.org/drawingml/2006/chart",
    "a": "http://schemas.openxmlformats.org/drawingml/2006/main",
    "xdr": "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing",
}
R_ID = "{%s}id" % NS["r"]

# Number formats every workbook knows without declaring them.
BUILTIN = {0: "General", 1: "0", 2: "0.00", 14: "mm-dd-yy", 22: "m/d/yy h:mm"}


def rels(z, part):
    """Relationship id -> target part of `part`."""
    d, f = posixpath.split(part)
    path = posixpath.join(d, "_rels", f + ".rels")
    if path not in z.namelist():
        return {}
    out = {}
    for r in ET.fromstring(z.read(path)).findall("rel:Relationship", NS):
        out[r.get("Id")] = posixpath.normpath(posixpath.join(d, r.get("Target")))
    return out


def text_of(el):
    return "".join(t.text or "" for t in el.iter("{%s}t" % NS["m"]))


def val(el, path):
    x = el.find(path, NS)
    return None if x is None else x.get("val")


def line_desc(sppr):
    """Line of a shape-properties element: colour, dash, width (EMU), or none."""
    if sppr is None:
        return None
    ln = sppr.find("a:ln", NS)
    if ln is None:
        return None
    if ln.find("a:noFill", NS) is not None:
        return "ninguna"
    parts = []
    c = ln.find("a:solidFill/a:srgbClr", NS)
    if c is not None:
        parts.append(c.get("val"))
    d = ln.find("a:prstDash", NS)
    if d is not None:
        parts.append(d.get("val"))
    if ln.get("w"):
        parts.append("w" + ln.get("w"))
    return ",".join(parts) or "auto"


def fill_desc(sppr):
    if sppr is None:
        return None
    c = sppr.find("a:solidFill/a:srgbClr", NS)
    return None if c is None else c.get("val")


def rich_text(el):
    if el is None:
        return None
    return "".join(t.text or "" for t in el.iter("{%s}t" % NS["a"]))


def font_sizes(el):
    """Sizes (hundredths of a point) of the text properties directly under el."""
    sizes = set()
    for tag in ("c:txPr", "c:tx/c:rich"):
        x = el.find(tag, NS)
        if x is not None:
            for r in x.iter():
                if r.tag in ("{%s}defRPr" % NS["a"], "{%s}rPr" % NS["a"]) and r.get("sz"):
                    sizes.add(r.get("sz"))
    return ",".join(sorted(sizes))


def dump_chart(z, part, out):
    root = ET.fromstring(z.read(part))
    chart = root.find("c:chart", NS)
    title = chart.find("c:title", NS)
    if title is not None:
        out.append("  titulo %r tam=%s" % (rich_text(title.find("c:tx", NS)), font_sizes(title)))
    if val(chart, "c:autoTitleDeleted") == "1":
        out.append("  sin titulo")
    plot = chart.find("c:plotArea", NS)
    for group in plot:
        tag = group.tag.split("}")[1]
        if not tag.endswith("Chart"):
            continue
        extra = []
        for k in ("c:grouping", "c:scatterStyle"):
            v = val(group, k)
            if v is not None:
                extra.append(v)
        ax_ids = [a.get("val") for a in group.findall("c:axId", NS)]
        out.append("  %s %s ejes=%s" % (tag, " ".join(extra), ",".join(ax_ids)))
        for ser in group.findall("c:ser", NS):
            idx = val(ser, "c:idx")
            name = ser.find("c:tx/c:strRef/c:f", NS)
            cat = ser.find("c:cat/c:numRef/c:f", NS)
            if cat is None:
                cat = ser.find("c:xVal/c:numRef/c:f", NS)
            v = ser.find("c:val/c:numRef/c:f", NS)
            if v is None:
                v = ser.find("c:yVal/c:numRef/c:f", NS)
            parts = ["    serie %s" % idx,
                     "nombre=%s" % (name.text if name is not None else "-"),
                     "x=%s" % (cat.text if cat is not None else "-"),
                     "y=%s" % (v.text if v is not None else "-")]
            sppr = ser.find("c:spPr", NS)
            ln = line_desc(sppr)
            if ln:
                parts.append("linea=" + ln)
            fi = fill_desc(sppr)
            if fi:
                parts.append("relleno=" + fi)
            mk = ser.find("c:marker", NS)
            if mk is not None:
                m = ["marcador=" + (val(mk, "c:symbol") or "auto")]
                if val(mk, "c:size"):
                    m.append("tam=" + val(mk, "c:size"))
                msp = mk.find("c:spPr", NS)
                if fill_desc(msp):
                    m.append("relleno=" + fill_desc(msp))
                if line_desc(msp):
                    m.append("borde=" + line_desc(msp))
                parts.append(" ".join(m))
            out.append(" ".join(parts))
    for ax in plot:
        tag = ax.tag.split("}")[1]
        if not tag.endswith("Ax"):
            continue
        parts = ["  %s %s" % (tag, val(ax, "c:axId")), "pos=" + (val(ax, "c:axPos") or "-")]
        for label, path in (("min", "c:scaling/c:min"), ("max", "c:scaling/c:max"),
                            ("marcaMayor", "c:majorTickMark"), ("marcaMenor", "c:minorTickMark"),
                            ("etiquetas", "c:tickLblPos"), ("unidadMayor", "c:majorUnit"),
                            ("unidadMenor", "c:minorUnit"), ("saltoEtiquetas", "c:tickLblSkip"),
                            ("saltoMarcas", "c:tickMarkSkip")):
            v = val(ax, path)
            if v is not None:
                parts.append("%s=%s" % (label, v))
        nf = ax.find("c:numFmt", NS)
        if nf is not None:
            parts.append("formato=%r" % nf.get("formatCode"))
        txpr = ax.find("c:txPr/a:bodyPr", NS)
        if txpr is not None and txpr.get("rot"):
            parts.append("rot=" + txpr.get("rot"))
        sz = font_sizes(ax)
        if sz:
            parts.append("tam=" + sz)
        t = ax.find("c:title", NS)
        if t is not None:
            parts.append("titulo=%r" % rich_text(t.find("c:tx", NS)))
        for label, path in (("rejillaMayor", "c:majorGridlines"),
                            ("rejillaMenor", "c:minorGridlines")):
            g = ax.find(path, NS)
            if g is not None:
                parts.append("%s=%s" % (label, line_desc(g.find("c:spPr", NS)) or "auto"))
        out.append(" ".join(parts))
    pa = plot.find("c:spPr", NS)
    if pa is not None:
        out.append("  trazado relleno=%s borde=%s" % (fill_desc(pa), line_desc(pa)))
    ca = root.find("c:spPr", NS)
    if ca is not None:
        out.append("  area borde=%s" % line_desc(ca))
    leg = chart.find("c:legend", NS)
    if leg is not None and font_sizes(leg):
        out.append("  leyenda tam=%s" % font_sizes(leg))


def main(path):
    z = zipfile.ZipFile(path)
    bad = z.testzip()  # reads every entry and checks its CRC
    if bad is not None:
        sys.stdout.write("entrada dañada: %s\n" % bad)
    wb_part = "xl/workbook.xml"
    wb = ET.fromstring(z.read(wb_part))
    wb_rels = rels(z, wb_part)

    strings = []
    if "xl/sharedStrings.xml" in z.namelist():
        for si in ET.fromstring(z.read("xl/sharedStrings.xml")).findall("m:si", NS):
            strings.append(text_of(si))

    numfmts = dict(BUILTIN)
    xfs = []
    st = ET.fromstring(z.read("xl/styles.xml"))
    for nf in st.findall("m:numFmts/m:numFmt", NS):
        numfmts[int(nf.get("numFmtId"))] = nf.get("formatCode")
    for xf in st.findall("m:cellXfs/m:xf", NS):
        xfs.append(int(xf.get("numFmtId", "0")))

    view = wb.find("m:bookViews/m:workbookView", NS)
    active = int(view.get("activeTab", "0")) if view is not None else 0
    sheets = wb.findall("m:sheets/m:sheet", NS)
    out = ["libro hojas=%d activa=%s" % (len(sheets), sheets[active].get("name"))]
    for sh in sheets:
        part = wb_rels[sh.get(R_ID)]
        root = ET.fromstring(z.read(part))
        kind = root.tag.split("}")[1]
        if kind == "worksheet":
            out.append("hoja %s" % sh.get("name"))
            for c in root.iter("{%s}c" % NS["m"]):
                t = c.get("t", "n")
                v = c.find("m:v", NS)
                f = c.find("m:f", NS)
                fmt = numfmts.get(xfs[int(c.get("s", "0"))], "?")
                if t == "s":
                    shown = repr(strings[int(v.text)])
                elif f is not None:
                    shown = "=" + (f.text or "")
                    t = "f"
                else:
                    shown = v.text if v is not None else ""
                    if v is None:
                        t = "vacia"
                line = ("  %s %s %s" % (c.get("r"), t, shown)).rstrip()
                if fmt != "General":
                    line += " [%s]" % fmt
                out.append(line)
        else:
            out.append("grafico %s" % sh.get("name"))
            drawing = root.find("m:drawing", NS)
            d_part = rels(z, part)[drawing.get(R_ID)]
            d_rels = rels(z, d_part)
            d_root = ET.fromstring(z.read(d_part))
            for ch in d_root.iter("{%s}chart" % NS["c"]):
                dump_chart(z, d_rels[ch.get(R_ID)], out)
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
