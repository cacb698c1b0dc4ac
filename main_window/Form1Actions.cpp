#include "main_window/Form1Actions.h"

#include <QFileInfo>

#include "data_access/connection.h"
#include "shell/error_report.h"
#include "workbook/sheet.h"
#include "workbook_source.h"

namespace brelloquin::Form1Actions {

QStringList listSheets(shell::MessagePresenter& presenter, const QString& workbookPath) {
  shell::Steps steps(presenter,
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("listSheets")), true,
                     shell::Steps::OnFailure::End);
  data_access::Connection connection;
  QStringList names;
  steps(IsXlsPath(workbookPath) ? 108 : 110,
        [&] { connection.Open(WorkbookConnectionString(workbookPath, QStringLiteral("YES"))); });
  steps(112, [&] { names = ListSheetNames(connection); });
  return steps.failures() == 0 ? names : QStringList();
}

namespace {

void Refuse(shell::MessagePresenter& presenter, const QString& text) {
  presenter.Show(text, shell::kStyleExclamation, shell::kApplicationTitle);
}

}  // namespace

StartOutcome StartConverting(modDBF& engine, shell::MessagePresenter& presenter,
                             const StartConvertingInput& input) {
  if (input.workbookPath.trimmed().isEmpty()) {
    Refuse(presenter, QStringLiteral("You forgot to select Excel input file."));
    return StartOutcome::Refused;
  }
  if (const QString problem = workbook::WorkbookFileProblem(input.workbookPath);
      !problem.isEmpty()) {
    // A folder or a pipe is there, but it is no workbook: that is said as it is.
    Refuse(presenter, QFileInfo::exists(input.workbookPath)
                          ? problem
                          : QStringLiteral("Excel input file not found."));
    return StartOutcome::Refused;
  }
  // The files the conversion would replace are the ones checked, whatever the output box says.
  const QString existing = modDBF::ExistingOutputFile(input.workbookPath, input.dbfPath);
  if (!input.overwrite && !existing.isEmpty()) {
    Refuse(presenter, existing + QStringLiteral(" already exists."));
    return StartOutcome::Refused;
  }
  switch (engine.CreateDBFFromXLSBySheet(
      input.workbookPath, input.dbfPath, input.sheetName,
      input.firstLine ? QStringLiteral("Yes") : QStringLiteral("No"),
      input.dbase4 ? QStringLiteral("dBase IV") : QStringLiteral("dBase III"),
      input.allCharacters)) {
    case ConversionOutcome::Written:
      return StartOutcome::Written;
    case ConversionOutcome::Empty:
      return StartOutcome::Empty;
    case ConversionOutcome::Failed:
      break;
  }
  return StartOutcome::Failed;
}

}  // namespace brelloquin::Form1Actions
