#!/usr/bin/python3
"""Writes the small .xlsx and .ods workbooks under tests/data that carry what
other writers put in their files and the import must read: lower-case cell
references, times and durations in date cells, empty values, _xHHHH_
escapes, inline strings beside a <v>, the 1904 date system, a missing
shared-string part, part names in another letter case; .ods cells whose
stored value does not parse, odd repeat counts, value types of no known
kind. Run from anywhere:
    python3 scripts/make_lenient_fixtures.py
"""
import io
import os
import zipfile

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data")
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def xlsx(sheet_rows, shared=None, workbook_pr="", workbook_name="xl/workbook.xml",
         workbook_target="xl/workbook.xml", keep_shared_part=True):
    """A minimal workbook; every part fixed so that the bytes repeat."""
    types = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
             'package/2006/content-types"><Default Extension="rels" ContentType="application/'
             'vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" '
             'ContentType="application/xml"/></Types>')
    root = (f'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="{PKG}"><Relationship '
            f'Id="rId1" Type="{REL}/officeDocument" Target="{workbook_target}"/></Relationships>')
    workbook = (f'<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="{MAIN}" xmlns:r="{REL}">'
                f'{workbook_pr}<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>'
                '</workbook>')
    links = (f'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="{PKG}">'
             f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
             f'<Relationship Id="rId2" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
             '</Relationships>')
    sheet = (f'<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="{MAIN}"><sheetData>'
             f'{sheet_rows}</sheetData></worksheet>')
    strings = "".join(f"<si><t>{s}</t></si>" for s in (shared or []))
    sst = f'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="{MAIN}">{strings}</sst>'
    folder = workbook_name.rsplit("/", 1)[0]
    parts = [("[Content_Types].xml", types), ("_rels/.rels", root), (workbook_name, workbook),
             (f"{folder}/_rels/{workbook_name.rsplit('/', 1)[1]}.rels", links),
             (f"{folder}/worksheets/sheet1.xml", sheet)]
    if keep_shared_part:
        parts.append((f"{folder}/sharedStrings.xml", sst))
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts:
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text.encode("utf-8"))
    return data.getvalue()


def ods(rows):
    """A minimal OpenDocument spreadsheet of one table."""
    office = "urn:oasis:names:tc:opendocument:xmlns"
    content = (f'<?xml version="1.0" encoding="UTF-8"?><office:document-content '
               f'xmlns:office="{office}:office:1.0" xmlns:table="{office}:table:1.0" '
               f'xmlns:text="{office}:text:1.0" office:version="1.2"><office:body>'
               f'<office:spreadsheet><table:table table:name="Sheet1">{rows}</table:table>'
               '</office:spreadsheet></office:body></office:document-content>')
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest='
                '"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type='
                '"application/vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry '
                'manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as z:
        for name, text, method in [
                ("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED),
                ("content.xml", content, zipfile.ZIP_DEFLATED),
                ("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)]:
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = method
            z.writestr(info, text.encode("utf-8"))
    return data.getvalue()


def cell(attributes, text=None):
    paragraph = f"<text:p>{text}</text:p>" if text is not None else ""
    return f"<table:table-cell {attributes}>{paragraph}</table:table-cell>"


FIXTURES = {
    "lenient_lower_case_refs.xlsx": xlsx(
        '<row r="1"><c r="a1"><v>11</v></c><c r="b1" t="s"><v>0</v></c></row>'
        '<row r="2"><c r="a2"><v>12.5</v></c><c r="bc2"><v>3</v></c></row>', ["tag"]),
    "lenient_date_times.xlsx": xlsx(
        '<row r="1"><c r="A1" t="d"><v>10:59:59.999</v></c><c r="B1" t="d"><v>PT0H11M0.000S</v></c>'
        '<c r="C1" t="d"><v>2024-03-01T12:00:00</v></c><c r="D1" t="d"><v>soon</v></c>'
        '<c r="E1"><v>twelve</v></c></row>'),
    "lenient_empty_values.xlsx": xlsx(
        '<row r="1"><c r="A1"><v/></c><c r="B1" t="s"><v></v></c><c r="C1"><v>7</v></c>'
        '<c r="D1" t="s"><v>5</v></c></row>', ["only"]),
    "lenient_escapes_inline.xlsx": xlsx(
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="inlineStr"><is><t>x_x0041_y</t></is></c>'
        '<c r="C1"><is><t>inline</t></is><v>99</v></c><c r="D1" t="str"><v>a_x000D_b</v></c></row>',
        ["line_x000D__x000A_two _x005F_x0041_"]),
    "lenient_date1904.xlsx": xlsx(
        '<row r="1"><c r="A1" t="d"><v>1904-01-02</v></c><c r="B1"><v>1</v></c></row>',
        workbook_pr='<workbookPr date1904="1"/>'),
    "lenient_no_shared_strings.xlsx": xlsx(
        '<row r="1"><c r="A1"><v>5</v></c></row>', keep_shared_part=False),
    "lenient_part_name_case.xlsx": xlsx(
        '<row r="1"><c r="A1"><v>6</v></c></row>', workbook_name="xl/Workbook.xml"),
    # Values that do not parse, value types of no known kind: row 1.
    "lenient_ods_values.ods": ods(
        "<table:table-row>"
        + cell('office:value-type="float" office:value="12,5"', "12,5")
        + cell('office:value-type="float" office:value=""', "seven")
        + cell('office:value-type="date" office:date-value="someday"', "someday")
        + cell('office:value-type="time" office:time-value="noon"', "noon")
        + cell('office:value-type="complex" office:value="3"', "3+4i")
        + cell('office:value-type="currency" office:value="2.5"', "¥2.50")
        + cell('office:value-type="float"')
        + cell('office:value-type="float" office:value="8"', "8")
        + "</table:table-row>"),
    # Repeat counts of zero, below zero, no number, and far past the sheet
    # for empty cells and rows; each count that is no positive number counts
    # as one.
    "lenient_ods_repeats.ods": ods(
        '<table:table-row table:number-rows-repeated="0">'
        + cell('table:number-columns-repeated="0" office:value-type="float" office:value="1"', "1")
        + cell('table:number-columns-repeated="-2" office:value-type="float" office:value="2"', "2")
        + cell('table:number-columns-repeated="two" office:value-type="float" office:value="3"', "3")
        + cell('table:number-columns-repeated="2"')
        + cell('office:value-type="float" office:value="4"', "4")
        + cell('table:number-columns-repeated="99999999999999999999"')
        + "</table:table-row>"
        + '<table:table-row table:number-rows-repeated="x">'
        + cell('office:value-type="float" office:value="5"', "5") + "</table:table-row>"
        + '<table:table-row table:number-rows-repeated="99999999999999999999">'
        + cell("") + "</table:table-row>"),
}


def main():
    for name, data in FIXTURES.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)

if __name__ == "__main__":
    main()
