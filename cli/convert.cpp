#include "cli/convert.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "batch_window/AddFolder.h"
#include "batch_window/Form2Actions.h"
#include "main_window/Form1Actions.h"
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

// The first sheet, as the main window's sheet list selects it; empty after a report.
QString FirstSheet(ConsolePresenter& presenter, const QString& workbookPath) {
  const QStringList names = Form1Actions::listSheets(presenter, workbookPath);
  if (presenter.problems() == 0 && names.isEmpty())
    presenter.Show(QStringLiteral("The workbook has no sheet to convert."),
                   shell::kStyleExclamation, shell::kApplicationTitle);
  return names.value(0);
}

// The exit status of the README for what a conversion did.
int ExitStatus(const ConversionResult& result) {
  switch (result.outcome) {
    case ConversionOutcome::Refused:
      return 1;
    case ConversionOutcome::Empty:
      // Nothing was written: no script may take it for a converted table.
      if (result.reports == 0) return kExitEmptySheet;
      break;
    case ConversionOutcome::Written:
    case ConversionOutcome::Failed:
      break;
  }
  if (result.reports > 0) return 1;
  return result.warnings > 0 ? kExitValuesChanged : 0;
}

// GIS programs take a table's code page from NAME.cpg beside it rather than from the
// language-driver byte, which they do not decode for every code page; the Windows number is
// the form they read. A file that cannot be written counts as a report.
void WriteCodePageFiles(ConsolePresenter& presenter, ConversionResult& result,
                        const text::CodePage& codePage) {
  for (const QString& table : result.tables) {
    const QFileInfo info(table);
    QSaveFile file(info.path() + u'/' + info.completeBaseName() + QStringLiteral(".cpg"));
    if (file.open(QIODevice::WriteOnly) &&
        file.write(QByteArray::number(codePage.windowsCodePage())) >= 0 && file.commit())
      continue;
    presenter.Show(QStringLiteral("Cannot write %1: %2")
                       .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()),
                   shell::kStyleExclamation, shell::kApplicationTitle);
    ++result.reports;
  }
}

}  // namespace

int Convert(ConsolePresenter& presenter, const ConvertRequest& request) {
  Form1Actions::StartConvertingInput input{request.workbook,     request.out,    request.sheet,
                                           request.overwrite,    request.header, request.dbase4,
                                           request.allCharacters};
  if (QFileInfo(request.workbook).isFile()) {
    input.workbookPath = QFileInfo(request.workbook).absoluteFilePath();
    if (input.sheetName.isEmpty()) input.sheetName = FirstSheet(presenter, input.workbookPath);
    if (input.sheetName.isEmpty()) return 1;
  }
  input.dbfPath = request.out.isEmpty() ? ProposedOutputPath(input.workbookPath, input.sheetName)
                                        : QFileInfo(request.out).absoluteFilePath();
  EngineHost host{presenter, [&] { return request.header; }, [] {}, kCodePageAdvice,
                  request.codePage};
  host.rowsWritten = [&presenter](long long rows) {
    presenter.progress().Show(QStringLiteral("%1 rows written").arg(rows));
  };
  modDBF engine(host);
  ConversionResult result = Form1Actions::StartConverting(engine, presenter, input);
  presenter.progress().Clear();
  if (request.cpg) WriteCodePageFiles(presenter, result, request.codePage);
  return ExitStatus(result);
}

int Batch(ConsolePresenter& presenter, const QStringList& paths, const text::CodePage& codePage,
          bool cpg) {
  QStringList workbooks;
  // A folder is searched as "Add All XLS/XLSX Files In Folder" searches it, reports included.
  shell::Steps search(
      presenter, shell::Location(QStringLiteral("Form2"), QStringLiteral("PushButton5_Click")));
  for (const QString& path : paths) {
    if (QFileInfo(path).isDir())
      workbooks << AddFolder::SearchFolderTree(search, QFileInfo(path).absoluteFilePath(),
                                               QStringLiteral("*.xl*"));
    else
      workbooks << QFileInfo(path).absoluteFilePath();
  }
  modDBF engine(EngineHost{presenter, [] { return true; }, [] {}, kCodePageAdvice, codePage});
  Form2Actions::BatchRunHost host{[&] { return workbooks; }};
  qsizetype started = 0;
  host.starting = [&](const QString& workbook) {
    presenter.Result(workbook);
    presenter.progress().Show(QStringLiteral("workbook %1 of %2: %3")
                                  .arg(++started)
                                  .arg(workbooks.size())
                                  .arg(QFileInfo(workbook).fileName()));
  };
  ConversionResult result = Form2Actions::RunBatch(engine, presenter, host);
  presenter.progress().Clear();
  if (cpg) WriteCodePageFiles(presenter, result, codePage);
  result.reports += search.failures();
  // A run with nothing to convert is no failure: it ends with "Done." like any other.
  if (result.outcome == ConversionOutcome::Empty) result.outcome = ConversionOutcome::Written;
  return ExitStatus(result);
}

}  // namespace brelloquin::cli
