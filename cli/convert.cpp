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
  // The file the conversion would replace is the one checked, whatever the output path says.
  const QString target = modDBF::SingleSheetDbfFile(workbook, out);
  if (!request.overwrite && QFileInfo::exists(target)) {
    Refuse(presenter, target + QStringLiteral(" already exists."));
    return 1;
  }
  modDBF engine(EngineHost{presenter, [&] { return request.header; }});
  engine.CreateDBFFromXLSBySheet(
      workbook, out, sheet, request.header ? QStringLiteral("Yes") : QStringLiteral("No"),
      request.dbase4 ? QStringLiteral("dBase IV") : QStringLiteral("dBase III"),
      request.allCharacters);
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
  modDBF engine(EngineHost{presenter});
  engine.UsedOutputNames.clear();
  for (const QString& workbook : workbooks) {
    WriteLine(stdout, workbook);
    engine.CreateDBFFromXLS(workbook, QStringLiteral("Yes"), QStringLiteral("dBase III"), true);
  }
  presenter.Show(QStringLiteral("Done."), shell::kStylePlain, shell::kApplicationTitle);
  return presenter.ExitStatus();
}

}  // namespace brelloquin::cli
