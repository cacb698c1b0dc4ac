#include "cli/convert.h"

#include <QFileInfo>

#include "batch_window/AddFolder.h"
#include "data_access/connection.h"
#include "modDBF.h"
#include "output_names.h"
#include "shell/error_report.h"
#include "workbook/sheet.h"
#include "workbook_source.h"

namespace brelloquin::cli {

namespace {

const QString kCodePageAdvice = QStringLiteral(
    " Write it in another code page with --code-page N (for example --code-page 1251 for "
    "Cyrillic, 1250 for Central European text, 932 for Japanese).");

void Refuse(ConsolePresenter& presenter, const QString& text) {
  presenter.Show(text, shell::kStyleExclamation, shell::kApplicationTitle);
}

// The first sheet as the main window's sheet list selects it; empty after a report.
QString FirstSheet(ConsolePresenter& presenter, const QString& workbookPath) {
  shell::Steps steps(presenter,
                     shell::Location(QStringLiteral("Form1"), QStringLiteral("listSheets")), true,
                     shell::Steps::OnFailure::End);
  data_access::Connection connection;
  QStringList names;
  steps(104,
        [&] { connection.Open(WorkbookConnectionString(workbookPath, QStringLiteral("YES"))); });
  steps(112, [&] { names = ListSheetNames(connection); });
  if (steps.failures() == 0 && names.isEmpty())
    Refuse(presenter, QStringLiteral("The workbook has no sheet to convert."));
  return names.value(0);
}

}  // namespace

int Convert(ConsolePresenter& presenter, const ConvertRequest& request) {
  if (request.workbook.trimmed().isEmpty()) {
    Refuse(presenter, QStringLiteral("You forgot to select Excel input file."));
    return 1;
  }
  if (!QFileInfo::exists(request.workbook)) {
    Refuse(presenter, QStringLiteral("Excel input file not found."));
    return 1;
  }
  if (const QString problem = workbook::WorkbookFileProblem(request.workbook); !problem.isEmpty()) {
    Refuse(presenter, problem);
    return 1;
  }
  const QString workbook = QFileInfo(request.workbook).absoluteFilePath();
  const QString sheet = request.sheet.isEmpty() ? FirstSheet(presenter, workbook) : request.sheet;
  if (sheet.isEmpty()) return 1;
  const QString out = request.out.isEmpty() ? ProposedOutputPath(workbook, sheet)
                                            : QFileInfo(request.out).absoluteFilePath();
  // The files the conversion would replace are the ones checked, whatever the output path says.
  const QString existing = modDBF::ExistingOutputFile(workbook, out);
  if (!request.overwrite && !existing.isEmpty()) {
    Refuse(presenter, existing + QStringLiteral(" already exists."));
    return 1;
  }
  modDBF engine(EngineHost{presenter, [&] { return request.header; }, [] {}, kCodePageAdvice});
  const ConversionOutcome outcome = engine.CreateDBFFromXLSBySheet(
      workbook, out, sheet, request.header ? QStringLiteral("Yes") : QStringLiteral("No"),
      request.dbase4 ? QStringLiteral("dBase IV") : QStringLiteral("dBase III"),
      request.allCharacters);
  // An empty sheet is no failure of the program, but nothing was written: no script may take
  // it for a converted table.
  if (outcome == ConversionOutcome::Empty) return kExitEmptySheet;
  return presenter.ExitStatus();
}

int Batch(ConsolePresenter& presenter, const QStringList& paths) {
  QStringList workbooks;
  for (const QString& path : paths) {
    if (QFileInfo(path).isDir())
      workbooks << AddFolder::SearchFolderTree(QFileInfo(path).absoluteFilePath(),
                                               QStringLiteral("*.xl*"));
    else
      workbooks << QFileInfo(path).absoluteFilePath();
  }
  modDBF engine(EngineHost{presenter, [] { return true; }, [] {}, kCodePageAdvice});
  engine.UsedOutputNames.clear();
  for (const QString& workbook : workbooks) {
    WriteLine(stdout, workbook);
    engine.CreateDBFFromXLS(workbook, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  }
  presenter.Show(QStringLiteral("Done."), shell::kStylePlain, shell::kApplicationTitle);
  return presenter.ExitStatus();
}

}  // namespace brelloquin::cli
