#pragma once
// The inspection commands: the sheets of a workbook, and one sheet's fields and rows.

#include <QString>

#include "cli/console_presenter.h"

namespace brelloquin::cli {

// Prints the listed sheet names, one per line. Returns the exit status.
int Sheets(ConsolePresenter& presenter, const QString& workbookPath);

// Prints "NAME:TYPE" items, then one line per row; items separated by TAB, "\N" for Null.
int Dump(ConsolePresenter& presenter, const QString& workbookPath, const QString& sheetName,
         bool header);

}  // namespace brelloquin::cli
