#pragma once
// Text values turned into the bytes of character, numeric, date and logical fields.

#include <QByteArray>
#include <QString>

#include "dbf/dbf_table.h"

namespace brelloquin::dbf {

// Appends the field's bytes for a non-empty text; field.type is one of C, N, D and L. Throws
// DbfError, naming the field, for a text the field cannot hold as it is. *replaced is set when
// the code page lacked a character of the text.
void AppendField(QByteArray& record, const FieldDescriptor& field, const QString& text,
                 const text::CodePage& codePage, bool* replaced);

// True when a date field holds the text as it is: "YYYY-MM-DD" (a valid day), or that day at
// "00:00:00".
bool FitsDateField(const QString& text);

// Appends the field's bytes for a blank value (nullopt or ""), of any type.
void AppendBlankField(QByteArray& record, const FieldDescriptor& field);

}  // namespace brelloquin::dbf
