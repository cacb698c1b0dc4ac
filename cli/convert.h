#pragma once
// The conversions from a terminal: one sheet as the main window's "Start Converting" does it,
// and every sheet of many workbooks as the batch window's run does it.

#include <QString>
#include <QStringList>

#include "cli/console_presenter.h"
#include "text/code_page.h"

namespace brelloquin::cli {

struct ConvertRequest {
  QString workbook;
  QString sheet;  // empty: the first listed sheet
  QString out;    // empty: the proposed output path
  bool header = true;
  bool allCharacters = false;
  bool dbase4 = false;
  bool overwrite = false;
  text::CodePage codePage = text::CodePage::ForSystemLocale();
  bool cpg = false;  // NAME.cpg beside the table
};

// Returns the exit status: 0 only when nothing was reported or refused.
int Convert(ConsolePresenter& presenter, const ConvertRequest& request);
// cpg: NAME.cpg beside each table.
int Batch(ConsolePresenter& presenter, const QStringList& paths, const text::CodePage& codePage,
          bool cpg);

}  // namespace brelloquin::cli
