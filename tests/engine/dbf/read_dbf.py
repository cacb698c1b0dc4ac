"""Prints a dBase table as python-dbf reads it, as JSON: the tests compare it with what they wrote.
Character fields lose the blanks that pad them, as dBase readers show them.

Usage: read_dbf.py TABLE.dbf [CODEPAGE]   (CODEPAGE, e.g. cp1252, overrides the header's byte)
"""
import datetime
import json
import sys

import dbf


def plain(value, field_type):
    if isinstance(value, (datetime.date, dbf.Date)):
        return value.isoformat() if value else None
    if field_type == "C":
        return value.rstrip(" ")
    return value


def main():
    table = dbf.Table(sys.argv[1], codepage=sys.argv[2] if len(sys.argv) > 2 else None)
    table.open(dbf.READ_ONLY)
    try:
        fields = []
        for name in table.field_names:
            info = table.field_info(name)
            fields.append([name, chr(info.field_type), info.length, info.decimal])
        records = [[plain(record[name], field[1]) for name, field in zip(table.field_names, fields)]
                   for record in table]
        json.dump({"codepage": table.codepage.name, "fields": fields, "records": records},
                  sys.stdout, ensure_ascii=False)
    finally:
        table.close()


main()
