#!/usr/bin/env python3
"""Writes the reference workload: one .xlsx sheet of ROWS rows x 10 mixed columns with shared
strings, laid out as spreadsheet programs write it (standard library only)."""
import random
import sys
import zipfile

rows = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
path = sys.argv[1] if len(sys.argv) > 1 else "workload.xlsx"
sheets = int(sys.argv[3]) if len(sys.argv) > 3 else 1  # each a copy of the first
rng = random.Random(20261207)

NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
RNS = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
# Excel's row attributes, which make up a good part of a real sheet's size.
X14 = ('xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="x14ac" '
       'xmlns:x14ac="http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac"')
strings, index = [], {}


def shared(text):
    if text not in index:
        index[text] = len(strings)
        strings.append(text)
    return index[text]


first = ["Anna", "Bernd", "Chloé", "Dmitri", "Eva", "Farid", "Greta", "Hiro", "Ines", "Jonas"]
last = ["Keller", "Larsen", "Moreau", "Novák", "O'Brien", "Petrov", "Quist", "Rossi", "Sato"]
cities = ["Amsterdam", "Berlin", "Córdoba", "Dublin", "Espoo", "Frankfurt", "Graz", "Hamburg",
          "Istanbul", "Jena", "Kraków", "Lyon", "Málaga", "Napoli", "Oslo", "Porto"]
words = ("delivery invoice pallet return damaged express partial customer warehouse label "
         "priority fragile refund backorder carrier customs").split()
header = ["Id", "Name", "City", "Amount", "Quantity", "Price", "Order date", "Paid", "Notes",
          "Code"]
letters = "ABCDEFGHIJ"

parts = [f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet {NS} {RNS} {X14}>'
         f'<dimension ref="A1:J{rows + 1}"/><sheetData>']
parts.append('<row r="1">' + "".join(
    f'<c r="{letters[i]}1" t="s"><v>{shared(h)}</v></c>' for i, h in enumerate(header)) + "</row>")
for r in range(2, rows + 2):
    name = shared(f"{rng.choice(first)} {rng.choice(last)}")
    city = shared(rng.choice(cities))
    notes = shared(" ".join(rng.choice(words) for _ in range(rng.randint(4, 12))) + f" #{r}")
    code = shared(f"C-{rng.randint(0, 99999):05d}")
    amount = round(rng.uniform(1, 10000), 2)
    quantity = rng.randint(1, 500)
    price = round(rng.uniform(0.1, 999), 4)
    date = 44927 + rng.randint(0, 1000)
    paid = rng.randint(0, 1)
    parts.append(
        f'<row r="{r}" spans="1:10" x14ac:dyDescent="0.25">'
        f'<c r="A{r}" s="3"><v>{r - 1}</v></c>'
        f'<c r="B{r}" s="3" t="s"><v>{name}</v></c>'
        f'<c r="C{r}" s="3" t="s"><v>{city}</v></c>'
        f'<c r="D{r}" s="1"><v>{amount}</v></c>'
        f'<c r="E{r}" s="3"><v>{quantity}</v></c>'
        f'<c r="F{r}" s="1"><v>{price}</v></c>'
        f'<c r="G{r}" s="2"><v>{date}</v></c>'
        f'<c r="H{r}" s="3" t="b"><v>{paid}</v></c>'
        f'<c r="I{r}" s="3" t="s"><v>{notes}</v></c>'
        f'<c r="J{r}" s="3" t="s"><v>{code}</v></c></row>')
parts.append("</sheetData></worksheet>")
sheet = "".join(parts)


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


sst = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst {NS} count="{rows * 4 + 10}" '
       f'uniqueCount="{len(strings)}">' + "".join(f"<si><t>{escape(s)}</t></si>" for s in strings)
       + "</sst>")
styles = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<styleSheet {NS}>'
          '<numFmts count="1"><numFmt numFmtId="164" formatCode="yyyy\\-mm\\-dd"/></numFmts>'
          '<cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="4"/><xf numFmtId="164"/>'
          '<xf numFmtId="0" applyAlignment="1"/></cellXfs>'
          '</styleSheet>')
workbook = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook {NS} {RNS}>'
            '<sheets><sheet name="Data" sheetId="1" r:id="rId1"/>' + "".join(
                f'<sheet name="Data{k}" sheetId="{k}" r:id="rId{k + 2}"/>'
                for k in range(2, sheets + 1)) + '</sheets></workbook>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
        'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
        'relationships/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
        'relationships/sharedStrings" Target="sharedStrings.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
        'relationships/styles" Target="styles.xml"/>' + "".join(
            f'<Relationship Id="rId{k + 2}" Type="http://schemas.openxmlformats.org/'
            f'officeDocument/2006/relationships/worksheet" Target="worksheets/sheet{k}.xml"/>'
            for k in range(2, sheets + 1)) + '</Relationships>')
root_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships '
             'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
             '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/'
             '2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types '
         'xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.'
         'relationships+xml"/><Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-'
         'officedocument.spreadsheetml.sheet.main+xml"/>'
         # GDAL opens a workbook only when its parts are declared, not by the default type alone.
         + "".join(f'<Override PartName="/xl/worksheets/sheet{k}.xml" ContentType="application/'
                   f'vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                   for k in range(1, sheets + 1))
         + '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.'
         'openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
         '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-'
         'officedocument.spreadsheetml.styles+xml"/></Types>')
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
    z.writestr("[Content_Types].xml", types)
    z.writestr("_rels/.rels", root_rels)
    z.writestr("xl/workbook.xml", workbook)
    z.writestr("xl/_rels/workbook.xml.rels", rels)
    z.writestr("xl/styles.xml", styles)
    z.writestr("xl/sharedStrings.xml", sst)
    for k in range(1, sheets + 1):
        z.writestr(f"xl/worksheets/sheet{k}.xml", sheet)
print(f"{path}: {rows} rows, sheet XML {len(sheet) / 1e6:.1f} MB, "
      f"shared strings {len(sst) / 1e6:.1f} MB")
