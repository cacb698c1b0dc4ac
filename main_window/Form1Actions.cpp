#include "main_window/Form1Actions.h"

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

ConversionResult Refuse(shell::MessagePresenter& presenter, const QString& text) {
  presenter.Show(text, shell::kStyleExclamation, shell::kApplicationTitle);
  ConversionResult refused;
  refused.outcome = ConversionOutcome::Refused;
  return refused;
}

}  // namespace

ConversionResult StartConverting(modDBF& engine, shell::MessagePresenter& presenter,
                                 const StartConvertingInput& input) {
  if (input.workbookPath.trimmed().isEmpty()) {
    return Refuse(presenter, QStringLiteral("You forgot to select Excel input file."));
  }
  if (const auto problem = workbook::WorkbookFileProblem(input.workbookPath)) {
    // A folder or a pipe is there, but it is no workbook: that is said as it is.
    return Refuse(presenter, problem->reason() == workbook::WorkbookError::Reason::NotFound
                                 ? QStringLiteral("Excel input file not found.")
                                 : problem->description());
  }
  // The files the conversion would replace are the ones checked, whatever the output box says.
  const QString existing = modDBF::ExistingOutputFile(input.workbookPath, input.dbfPath);
  if (!input.overwrite && !existing.isEmpty()) {
    return Refuse(presenter, existing + QStringLiteral(" already exists."));
  }
  return engine.CreateDBFFromXLSBySheet(
      input.workbookPath, input.dbfPath, input.sheetName,
      input.firstLine ? QStringLiteral("Yes") : QStringLiteral("No"),
      input.dbase4 ? QStringLiteral("dBase IV") : QStringLiteral("dBase III"), input.allCharacters);
}

}  // namespace brelloquin::Form1Actions
