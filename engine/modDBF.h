#pragma once
// The conversion engine: one sheet into one DBF file, or every sheet of a workbook into DBF
// files of their own. Each procedure reports its own failures and never throws.

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

#include "field_layout.h"
#include "shell/message_presenter.h"
#include "text/code_page.h"

namespace brelloquin {

// The options every conversion takes, after its paths.
struct ConversionOptions {
  QString Header = QStringLiteral("Yes");         // verbatim after "HDR="
  QString DbfType = QStringLiteral("dBase III");  // or "dBase IV"
  bool AllFieldsCharacters = true;
};

// What the engine needs from its caller.
struct EngineHost {
  shell::MessagePresenter& presenter;
  // "Use The First Line As The Field Names" at the moment the columns are measured.
  std::function<bool()> firstLineAsFieldNames = [] { return true; };
  // Lets pending window messages be processed while long values are written.
  std::function<void()> yield = [] {};
  // Appended to the warning about characters the code page lacks: how this caller chooses
  // another code page.
  QString codePageAdvice = QString();
  // The code page the tables' text is written in.
  text::CodePage codePage = text::CodePage::ForSystemLocale();
  // Told, at the pace of yield, how many rows of the table being written are done.
  std::function<void(long long)> rowsWritten = [](long long) {};
};

// How a conversion ended: its tables written with nothing reported, nothing to write (an empty
// sheet or workbook), a failure reported, or not started because the caller's checks refused it.
enum class ConversionOutcome { Written, Empty, Failed, Refused };

// What a conversion did, so that no caller has to infer it from the messages shown.
struct ConversionResult {
  ConversionOutcome outcome = ConversionOutcome::Empty;
  QStringList tables;  // the table files written
  int reports = 0;     // "Application Error" reports shown
  int warnings = 0;    // warnings about values changed on the way

  // Adds what another conversion of the same run did.
  void Add(const ConversionResult& other);
};

class modDBF {
 public:
  explicit modDBF(EngineHost host) : host_(std::move(host)) {}

  ConversionResult CreateDBFFromXLSBySheet(const QString& workbookPath, const QString& dbfPath,
                                           const QString& sheetName, const QString& Header,
                                           const QString& DbfType, bool AllFieldsCharacters);
  ConversionResult CreateDBFFromXLS(const QString& workbookPath, const QString& Header,
                                    const QString& DbfType, bool AllFieldsCharacters);

  // The file the single-sheet conversion writes for an output path: the output path's folder
  // (the workbook's when it names none) and the cleaned, shortened name.
  static QString SingleSheetDbfFile(const QString& workbookPath, const QString& dbfPath);
  // The file of that table, or else its memo file, that exists already; empty when neither does.
  // Replacing the table replaces both.
  static QString ExistingOutputFile(const QString& workbookPath, const QString& dbfPath);

  // DBF names given in this batch run, each after a blank; the batch empties it per run.
  QString UsedOutputNames;

  EngineHost& host() { return host_; }

 private:
  EngineHost host_;
  // UsedOutputNames with its pieces noted; the two share one text while no caller changes it.
  NameList usedNames_{QString(), true};
  // The DBF names given in this run, case-folded, by output folder.
  std::map<QString, QSet<QString>> givenInFolder_;
};

}  // namespace brelloquin
