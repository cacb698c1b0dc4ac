#pragma once
// Which number formats show a number as a date or time: both readers decide with these.

#include <QString>

namespace brelloquin::workbook {

// Built-in format ids (shared by BIFF and SpreadsheetML) that show dates or times.
bool IsBuiltinDateFormat(int id);

// A custom format code shows a date or time when, outside quoted text, escapes and colour or
// condition brackets, it holds a day, month, year, hour or second placeholder.
bool IsDateFormatCode(const QString& code);

}  // namespace brelloquin::workbook
