#pragma once
// What the main window's actions do, without the window: listing a workbook's sheets and the
// checks and call of "Start Converting". The window and brelloquin-cli both call these, so each
// is written once.

#include <QString>
#include <QStringList>

#include "modDBF.h"
#include "shell/message_presenter.h"

namespace brelloquin::Form1Actions {

// listSheets: the workbook's sheet names in schema order, read with the header value "YES".
// A failure shows the report (with the password hint) and ends the listing: the names are then
// empty.
QStringList listSheets(shell::MessagePresenter& presenter, const QString& workbookPath);

// The main window's boxes as "Start Converting" reads them.
struct StartConvertingInput {
  QString workbookPath;        // Text1, not trimmed
  QString dbfPath;             // Text2
  QString sheetName;           // Combo1
  bool overwrite = false;      // Check4 "Overwrite Existing"
  bool firstLine = true;       // Check8: Header "Yes", else "No"
  bool dbase4 = false;         // Option4 selected: "dBase IV", else "dBase III"
  bool allCharacters = false;  // Check9 "All Fields Are Characters"
};

// PushButton2_Click: refuses a blank or missing workbook and, without consent, an output table
// or memo file that exists already (the files the conversion really writes); then converts.
// A refusal ends with the outcome Refused.
ConversionResult StartConverting(modDBF& engine, shell::MessagePresenter& presenter,
                                 const StartConvertingInput& input);

}  // namespace brelloquin::Form1Actions
