#pragma once
// Shell helpers that need no widgets: the file test, the spreadsheet-program probe and its
// warning, and the dialog filter in the form the toolkit's dialogs take.

#include <QString>

#include "shell/platform.h"

namespace brelloquin::shell {

inline const QString kExcelMissingWarning = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this software "
    "without error.");

// True when the file's date and time can be read; never throws.
bool FileExists(const QString& path);

// Windows: "Excel.Application" is registered. Elsewhere: a spreadsheet program that opens
// .xlsx files is on the PATH or registered as the handler of the .xlsx type.
bool SpreadsheetProgramInstalled();

// Warns (no icon, the application's title) when the probe finds no spreadsheet program.
void CheckExcelInstalled(Platform& platform);

// "Excel Files (*.xls*)|*.xls*|" becomes "Excel Files (*.xls*)": one entry per
// description/pattern pair, joined with ";;"; patterns separated by ";" become blank-separated.
QString QtFileDialogFilter(const QString& filter);

}  // namespace brelloquin::shell
