#!/usr/bin/env python3
"""Reads a workbook (.xlsx) with zipfile and the sheet XML, independently of the writer.

Prints one JSON object: the sheet names, the document properties, the first sheet's frozen
pane, autofilter and column widths, its row count and its cells (value, type, number format
and boldness). With --rows R1,R2,... only those rows' cells are listed (large sheets); with
--sheet NAME that sheet is read instead of the first, and its conditional formats listed
(range, operator, value, font and fill colours).
"""

import json
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "cp": "http://schemas.openxmlformats.org/package/2006/metadata/core-properties",
    "dc": "http://purl.org/dc/elements/1.1/",
    "ep": "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
}
M = "{%s}" % NS["m"]
BUILTIN_FORMATS = {0: "General", 1: "0", 2: "0.00", 3: "#,##0", 4: "#,##0.00", 49: "@"}


def decode(text):
    # Characters XML cannot carry are written as _xHHHH_.
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text or "")


def text_of(element):
    return "".join(decode(t.text) for t in element.iter(M + "t"))


def styles(book):
    root = ET.fromstring(book.read("xl/styles.xml"))
    codes = dict(BUILTIN_FORMATS)
    for fmt in root.iterfind("m:numFmts/m:numFmt", NS):
        codes[int(fmt.get("numFmtId"))] = fmt.get("formatCode")
    bold = [f.find("m:b", NS) is not None for f in root.iterfind("m:fonts/m:font", NS)]
    result = []
    for xf in root.iterfind("m:cellXfs/m:xf", NS):
        result.append({"format": codes.get(int(xf.get("numFmtId", "0")), "?"),
                       "bold": bold[int(xf.get("fontId", "0"))]})
    return result


def sheet_file(book, workbook, name):
    """The part holding the sheet called `name`, through the workbook's relationships."""
    rels = ET.fromstring(book.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels}
    for sheet in workbook.iterfind("m:sheets/m:sheet", NS):
        if sheet.get("name") == name:
            target = targets[sheet.get("{%s}id" % NS["r"])]
            return target.lstrip("/") if target.startswith("/") else "xl/" + target
    raise SystemExit("no sheet " + name)


def differential_formats(book):
    root = ET.fromstring(book.read("xl/styles.xml"))
    result = []
    for dxf in root.iterfind("m:dxfs/m:dxf", NS):
        font = dxf.find("m:font/m:color", NS)
        fill = dxf.find("m:fill/m:patternFill/m:bgColor", NS)
        result.append({"font": font.get("rgb") if font is not None else "",
                       "fill": fill.get("rgb") if fill is not None else ""})
    return result


def main():
    path = sys.argv[1]
    wanted = None
    sheet_name = None
    args = sys.argv[2:]
    while len(args) >= 2:
        if args[0] == "--rows":
            wanted = {int(r) for r in args[1].split(",")}
        elif args[0] == "--sheet":
            sheet_name = args[1]
        args = args[2:]
    book = zipfile.ZipFile(path)
    workbook = ET.fromstring(book.read("xl/workbook.xml"))
    names = [s.get("name") for s in workbook.iterfind("m:sheets/m:sheet", NS)]
    part = "xl/worksheets/sheet1.xml" if sheet_name is None else sheet_file(book, workbook,
                                                                              sheet_name)
    dxfs = differential_formats(book)
    shared = []
    if "xl/sharedStrings.xml" in book.namelist():
        root = ET.fromstring(book.read("xl/sharedStrings.xml"))
        shared = [text_of(si) for si in root.iterfind("m:si", NS)]
    xfs = styles(book)
    core = ET.fromstring(book.read("docProps/core.xml"))
    app = ET.fromstring(book.read("docProps/app.xml"))
    out = {
        "sheets": names,
        "title": core.findtext("dc:title", "", NS),
        "subject": core.findtext("dc:subject", "", NS),
        "company": app.findtext("ep:Company", "", NS),
        "pane": None, "autofilter": None, "cols": [], "rows": 0, "lastRow": 0, "cells": {},
        "conditional": [],
    }
    with book.open(part) as sheet:
        for event, element in ET.iterparse(sheet, events=("end",)):
            tag = element.tag
            if tag == M + "pane":
                out["pane"] = dict(element.attrib)
            elif tag == M + "conditionalFormatting":
                for rule in element.iterfind("m:cfRule", NS):
                    dxf = dxfs[int(rule.get("dxfId", "0"))] if dxfs else {"font": "", "fill": ""}
                    out["conditional"].append({"range": element.get("sqref"),
                                               "operator": rule.get("operator", ""),
                                               "value": rule.findtext("m:formula", "", NS),
                                               "font": dxf["font"], "fill": dxf["fill"]})
            elif tag == M + "autoFilter":
                out["autofilter"] = element.get("ref")
            elif tag == M + "col":
                out["cols"].append({k: element.get(k) for k in ("min", "max", "width")})
            elif tag == M + "row":
                out["rows"] += 1
                out["lastRow"] = max(out["lastRow"], int(element.get("r")))
                if wanted is None or int(element.get("r")) in wanted:
                    for c in element.iterfind("m:c", NS):
                        kind = c.get("t", "n")
                        style = xfs[int(c.get("s", "0"))]
                        if kind == "inlineStr":
                            value = text_of(c.find("m:is", NS))
                        elif kind == "s":
                            value = shared[int(c.findtext("m:v", "", NS))]
                        else:
                            value = c.findtext("m:v", "", NS)
                        out["cells"][c.get("r")] = {"type": kind, "value": value,
                                                    "format": style["format"],
                                                    "bold": style["bold"]}
                element.clear()
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
