#include "modDBF.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <stdexcept>
#include <vector>

#include "data_access/connection.h"
#include "data_access/connection_string.h"
#include "data_access/dbase_catalog.h"
#include "data_access/insert_statement.h"
#include "dbf/dbf_value.h"
#include "field_layout.h"
#include "output_names.h"
#include "shell/error_report.h"
#include "workbook/sheet.h"
#include "workbook_source.h"

namespace brelloquin {

using data_access::adLongVarWChar;
using data_access::adStateClosed;
using data_access::adVarWChar;
using data_access::Connection;
using data_access::Recordset;
using shell::Steps;

namespace {

// The numbers that the error report quotes for the steps of defining a table that can fail.
struct DefinitionSteps {
  int append, appendTable;
};

// The numbers of one sheet's conversion, in each procedure.
struct SheetSteps {
  int openRows, notEmptyTest, layoutSize, rawName, typeCode, measureTest, measure, nextRow,
      closeRows, catalog, kill;
  DefinitionSteps allCharacters, typed;
  int closeDbf, openDbf, reopenRows, rowTest, buildValues, execute, moveNext, closeRowsAfter;
};

constexpr SheetSteps kBySheetSteps{
    .openRows = 170,
    .notEmptyTest = 172,
    .layoutSize = 174,
    .rawName = 180,
    .typeCode = 188,
    .measureTest = 202,
    .measure = 210,
    .nextRow = 214,
    .closeRows = 216,
    .catalog = 220,
    .kill = 226,
    .allCharacters = {.append = 312, .appendTable = 320},
    .typed = {.append = 400, .appendTable = 412},
    .closeDbf = 416,
    .openDbf = 418,
    .reopenRows = 420,
    .rowTest = 422,
    .buildValues = 424,
    .execute = 448,
    .moveNext = 450,
    .closeRowsAfter = 452,
};
constexpr SheetSteps kWholeWorkbookSteps{
    .openRows = 196,
    .notEmptyTest = 198,
    .layoutSize = 200,
    .rawName = 206,
    .typeCode = 214,
    .measureTest = 226,
    .measure = 234,
    .nextRow = 238,
    .closeRows = 240,
    .catalog = 244,
    .kill = 250,
    .allCharacters = {.append = 338, .appendTable = 346},
    .typed = {.append = 426, .appendTable = 438},
    .closeDbf = 442,
    .openDbf = 444,
    .reopenRows = 446,
    .rowTest = 448,
    .buildValues = 450,
    .execute = 498,
    .moveNext = 500,
    .closeRowsAfter = 502,
};

// Lets a window repaint while a long sheet converts: the host's yield, at most every 50 ms,
// with the rows written so far once a table is being written.
class Pacer {
 public:
  explicit Pacer(const EngineHost& host) : host_(host) { timer_.start(); }
  void operator()() {
    if (timer_.elapsed() < 50) return;
    if (written_ >= 0) host_.rowsWritten(written_);
    host_.yield();
    timer_.restart();
  }
  void Wrote(long long rows) {
    written_ = rows;
    // A table's first row is told at once: a short table is written before the next yield.
    if (rows == 0) host_.rowsWritten(0);
    (*this)();
  }

 private:
  const EngineHost& host_;
  long long written_ = -1;
  QElapsedTimer timer_;
};

// The table file in the folder, as the user reads it (the batch's folder ends in a separator).
QString TablePath(const QString& folder, const QString& dbfName) {
  return QDir::toNativeSeparators(
      QDir::cleanPath(folder + u'/' + dbfName + QStringLiteral(".dbf")));
}

class SheetConversion {
 public:
  enum class Outcome { Written, Empty, Failed };

  SheetConversion(Steps& steps, const SheetSteps& numbers, Conversion conversion, EngineHost& host,
                  const ConversionOptions& options, Pacer& pace, ConversionResult& result)
      : steps_(steps),
        n_(numbers),
        conversion_(conversion),
        host_(host),
        options_(options),
        codePage_(host.codePage),
        pace_(pace),
        result_(result) {}

  // Converts one sheet into targetFolder/dbfName.dbf. A failure that leaves nothing sensible
  // to do for this sheet is reported once and ends it.
  Outcome Run(Connection& workbook, Recordset& rows, Connection& dbf, const QString& sheetName,
              const QString& targetFolder, const QString& dbfName) {
    sheetName_ = sheetName;
    if (!steps_(n_.openRows, [&] { OpenSheetRows(rows, workbook, sheetName); }))
      return Outcome::Failed;
    const std::size_t unreadable = rows.State() != adStateClosed ? rows.UnreadableCells() : 0;
    if (!steps_.If(n_.notEmptyTest, [&] { return !rows.Eof(); })) {
      steps_(n_.closeRows, [&] { rows.Close(); });
      return Outcome::Empty;
    }
    if (!Measure(rows)) return Outcome::Failed;
    if (!DefineTable(targetFolder, dbfName)) return Outcome::Failed;
    if (!WriteRows(workbook, rows, dbf, sheetName, targetFolder, dbfName)) return Outcome::Failed;
    result_.tables << TablePath(targetFolder, dbfName);
    WarnOfReplacedCharacters(dbf, targetFolder, dbfName);
    if (unreadable > 0)
      Warn(QStringLiteral("%1 cell(s) of the sheet '%2' could not be read and were left empty.")
               .arg(unreadable)
               .arg(sheetName));
    return Outcome::Written;
  }

 private:
  // The bytes the value takes as it will be written, in the table's code page.
  qsizetype WrittenLength(const data_access::Variant& value) const {
    const QString* text = value.StringValue();
    if (!text) return value.TextLength();
    const qsizetype bytes = codePage_.encodedSize(*text);
    if (conversion_ == Conversion::SingleSheet) return bytes;
    return bytes + 3 * text->count(u'\n') - text->count(u'\r');
  }

  // False when the sheet cannot become a table at all: it has too many columns, or text its code
  // page cannot hold.
  bool Measure(Recordset& rows) {
    const bool firstLine = host_.firstLineAsFieldNames();
    int count = 0;
    if (!steps_(n_.layoutSize, [&] {
          count = rows.GetFields().Count();
          if (count > dbf::kMaxFields)
            throw std::runtime_error(QStringLiteral("The sheet %1 has %2 columns; a dBase table "
                                                    "holds at most %3 fields.")
                                         .arg(sheetName_)
                                         .arg(count)
                                         .arg(dbf::kMaxFields)
                                         .toStdString());
        })) {
      steps_(n_.closeRows, [&] { rows.Close(); });
      return false;
    }
    layout_.assign(static_cast<std::size_t>(count), ColumnLayout{});
    for (int i = 0; i < count; ++i) {
      auto& column = layout_[static_cast<std::size_t>(i)];
      steps_(n_.rawName, [&] { column.rawName = rows.GetFields()[i].Name().left(10); });
      steps_(n_.typeCode, [&] {
        column.typeCode =
            static_cast<std::int16_t>(firstLine ? adVarWChar : rows.GetFields()[i].Type());
      });
    }
    // Text the table's code page cannot be written in: reported once, and the sheet ends, as
    // every further text would fail alike.
    bool unwritable = false;
    while (!unwritable && steps_.While(n_.measureTest, [&] { return !rows.Eof(); })) {
      pace_();
      const auto fields = rows.GetFields();
      for (int i = 0; i < count && !unwritable; ++i) {
        auto& column = layout_[static_cast<std::size_t>(i)];
        steps_(n_.measure, [&] {
          const auto& value = fields[i].Value();
          if (value.IsNull()) return;
          if (value.kind() == data_access::Variant::Kind::Date && !column.datesAsText &&
              !dbf::FitsDateField(value.Text()))
            column.datesAsText = true;
          if (value.kind() == data_access::Variant::Kind::Double &&
              column.typeCode == data_access::adDouble)
            MeasureNumber(column, value.Text());
          try {
            MeasureWidth(column, WrittenLength(value));
          } catch (const text::CodePageError&) {
            unwritable = true;
            throw;
          }
        });
      }
      if (!unwritable && !steps_(n_.nextRow, [&] { rows.MoveNext(); })) break;
    }
    steps_(n_.closeRows, [&] {
      if (rows.State() != adStateClosed) rows.Close();
    });
    return !unwritable;
  }

  bool DefineTable(const QString& targetFolder, const QString& dbfName) {
    data_access::Catalog catalog;
    catalog.SetCodePage(codePage_);
    if (!steps_(n_.catalog, [&] {
          catalog.SetActiveConnection(
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
              data_access::ConnectionStringValue(targetFolder) +
              QStringLiteral(";Extended Properties=") +
              data_access::ConnectionStringValue(options_.DbfType) + u';');
        }))
      return false;
    // An existing table stays until the new one is complete and takes its place; only what an
    // unfinished table of that name left is removed.
    steps_(n_.kill, [&] { data_access::DiscardUnfinishedTable(TablePath(targetFolder, dbfName)); });
    const DefinitionSteps& d = options_.AllFieldsCharacters ? n_.allCharacters : n_.typed;
    data_access::Table table;
    table.Name = dbfName;
    QStringList given;
    bracketed_.clear();
    definitions_.clear();
    for (std::size_t i = 0; i < layout_.size(); ++i) {
      QString name = CleanFieldName(layout_[i].rawName);
      // A name that cleans to nothing keeps its column under the provider's own default name.
      if (name.isEmpty()) name = QStringLiteral("F") + QString::number(i + 1);
      name = MakeUniqueName(name, bracketed_, [&](const QString& candidate) {
        return given.contains(candidate, Qt::CaseInsensitive);
      });
      const data_access::TableColumn definition =
          DefineColumn(layout_[i], options_.AllFieldsCharacters, conversion_);
      if (!steps_(d.append, [&] {
            table.GetColumns().Append(name, definition.type, definition.definedSize,
                                      definition.numericScale);
          }))
        return false;
      given << name;
      definitions_.push_back(definition);
      bracketed_ += u'[' + name + QStringLiteral("],");
    }
    bracketed_.chop(1);
    return steps_(d.appendTable, [&] { catalog.AppendTable(table); });
  }

  // Appends one value of the row to the statement, quoted the way each conversion quotes it.
  void AppendItem(data_access::InsertStatementBuilder& row, const data_access::Variant& value,
                  std::size_t field) const {
    const QString* text = value.StringValue();
    if (!text) {
      row.AppendValue(value);
      return;
    }
    if (conversion_ == Conversion::WholeWorkbook) {
      row.AppendText(*text, data_access::LineBreaks::Tags, host_.yield);
      return;
    }
    // A memo field holds the whole text; other fields hold at most 254 characters.
    if (definitions_[field].type == adLongVarWChar) {
      row.AppendText(*text, data_access::LineBreaks::Blanks);
      return;
    }
    // Cut to what the field holds, never inside a character (blanks for CR and LF take the
    // same one byte in every code page).
    row.AppendText(
        QStringView(*text).left(codePage_.fittingLength(*text, dbf::kMaxCharacterLength)),
        data_access::LineBreaks::Blanks);
  }

  void Warn(const QString& text) {
    ++result_.warnings;
    host_.presenter.Warn(text);
  }

  // Once per table: characters the code page lacks were written as "?".
  void WarnOfReplacedCharacters(Connection& dbf, const QString& targetFolder,
                                const QString& dbfName) {
    const int replaced = dbf.provider().ValuesWithReplacedCharacters();
    if (replaced == 0) return;
    Warn(QStringLiteral("The table %1 was written, but %2 of its values held characters that code "
                        "page %3 lacks; each such character was written as \"?\".%4")
             .arg(TablePath(targetFolder, dbfName))
             .arg(replaced)
             .arg(codePage_.windowsCodePage())
             .arg(host_.codePageAdvice));
  }

  bool WriteRows(Connection& workbook, Recordset& rows, Connection& dbf, const QString& sheetName,
                 const QString& targetFolder, const QString& dbfName) {
    steps_(n_.closeDbf, [&] {
      if (dbf.State() != adStateClosed) dbf.Close();
    });
    if (!steps_(n_.openDbf, [&] {
          dbf.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=") +
                   data_access::ConnectionStringValue(targetFolder + PathSeparator() + dbfName +
                                                      QStringLiteral(".dbf")) +
                   QStringLiteral(";Collating Sequence=machine;"));
        }))
      return false;
    if (!steps_(n_.reopenRows, [&] { OpenSheetRows(rows, workbook, sheetName); })) return false;
    data_access::InsertStatementBuilder row(dbfName, bracketed_);
    long long done = 0;
    while (steps_.While(n_.rowTest, [&] { return !rows.Eof(); })) {
      pace_.Wrote(done++);
      row.Begin();
      steps_(n_.buildValues, [&] {
        const auto fields = rows.GetFields();
        for (std::size_t i = 0; i < definitions_.size(); ++i)
          AppendItem(row, fields[static_cast<int>(i)].Value(), i);
        row.End();
      });
      // A table that cannot be written (a full disk) ends at its first failure: one report.
      if (!steps_(n_.execute, [&] { dbf.Execute(row.text()); }) && dbf.State() == adStateClosed)
        break;
      if (!steps_(n_.moveNext, [&] { rows.MoveNext(); })) break;
    }
    steps_(n_.closeRowsAfter, [&] {
      if (rows.State() != adStateClosed) rows.Close();
    });
    return dbf.State() != adStateClosed;
  }

  Steps& steps_;
  const SheetSteps& n_;
  Conversion conversion_;
  EngineHost& host_;
  const ConversionOptions& options_;
  const text::CodePage codePage_;
  Pacer& pace_;
  ConversionResult& result_;
  QString sheetName_;
  std::vector<ColumnLayout> layout_;
  std::vector<data_access::TableColumn> definitions_;
  QString bracketed_;
};

// Closes what a conversion opened, each only when open.
void CloseAll(Steps& steps, int first, Recordset& rows, Connection& dbf, Connection& workbook) {
  steps(first, [&] {
    if (rows.State() != adStateClosed) rows.Close();
  });
  steps(first + 2, [&] {
    if (dbf.State() != adStateClosed) dbf.Close();
  });
  steps(first + 4, [&] {
    if (workbook.State() != adStateClosed) workbook.Close();
  });
}

QString SingleSheetFolder(const QString& workbookPath, const QString& dbfPath) {
  QString folder = FolderOf(dbfPath);
  if (folder.isEmpty() && dbfPath.startsWith(PathSeparator())) folder = PathSeparator();
  if (folder.isEmpty()) folder = FolderOf(workbookPath);
  return folder.isEmpty() ? QStringLiteral(".") : folder;
}

}  // namespace

QString modDBF::SingleSheetDbfFile(const QString& workbookPath, const QString& dbfPath) {
  return SingleSheetFolder(workbookPath, dbfPath) + PathSeparator() + DbfNameFromPath(dbfPath) +
         QStringLiteral(".dbf");
}

QString modDBF::ExistingOutputFile(const QString& workbookPath, const QString& dbfPath) {
  const QString table = SingleSheetDbfFile(workbookPath, dbfPath);
  for (const QString& file : {table, dbf::MemoPath(table)})
    if (QFileInfo::exists(file)) return file;
  return {};
}

ConversionResult modDBF::CreateDBFFromXLSBySheet(const QString& workbookPath,
                                                 const QString& dbfPath, const QString& sheetName,
                                                 const QString& Header, const QString& DbfType,
                                                 bool AllFieldsCharacters) {
  Steps steps(host_.presenter,
              shell::Location(QStringLiteral("modDBF"), QStringLiteral("CreateDBFFromXLSBySheet")));
  const ConversionOptions options{Header, DbfType, AllFieldsCharacters};
  ConversionResult result;
  const auto ended = [&](ConversionOutcome outcome) {
    result.outcome = outcome;
    result.reports = steps.failures();
    return result;
  };
  Connection workbook;
  Pacer pace(host_);
  workbook.SetYield([&pace] { pace(); });
  Connection dbf;
  Recordset rows;
  const QString targetFolder = SingleSheetFolder(workbookPath, dbfPath);
  QString dbfName;
  if (!steps(132, [&] {
        dbfName = DbfNameFromPath(dbfPath);
        if (dbfName.isEmpty())
          throw std::runtime_error(
              QStringLiteral("The output file name '%1' leaves no name for the table.")
                  .arg(FileNameOf(dbfPath))
                  .toStdString());
      }))
    return ended(ConversionOutcome::Failed);
  if (!steps(IsXlsPath(workbookPath) ? 160 : 162,
             [&] { workbook.Open(WorkbookConnectionString(workbookPath, Header)); }))
    return ended(ConversionOutcome::Failed);
  data_access::DiscardUnfinishedTables(targetFolder);
  SheetConversion conversion(steps, kBySheetSteps, Conversion::SingleSheet, host_, options, pace,
                             result);
  const auto outcome = conversion.Run(workbook, rows, dbf, sheetName, targetFolder, dbfName);
  CloseAll(steps, 452, rows, dbf, workbook);
  data_access::DiscardUnfinishedTable(TablePath(targetFolder, dbfName));
  if (outcome == SheetConversion::Outcome::Empty) {
    host_.presenter.Show(QStringLiteral("Empty sheet!"), shell::kStyleInformation,
                         shell::kApplicationTitle);
    return ended(ConversionOutcome::Empty);
  }
  if (outcome != SheetConversion::Outcome::Written || steps.failures() > 0)
    return ended(ConversionOutcome::Failed);
  host_.presenter.Show(QStringLiteral("Done!\r\nFile ") +
                           SingleSheetDbfFile(workbookPath, dbfPath) +
                           QStringLiteral(" was created."),
                       shell::kStyleInformation, shell::kApplicationTitle);
  return ended(ConversionOutcome::Written);
}

ConversionResult modDBF::CreateDBFFromXLS(const QString& workbookPath, const QString& Header,
                                          const QString& DbfType, bool AllFieldsCharacters) {
  Steps steps(host_.presenter,
              shell::Location(QStringLiteral("modDBF"), QStringLiteral("CreateDBFFromXLS")));
  const ConversionOptions options{Header, DbfType, AllFieldsCharacters};
  ConversionResult result;
  const auto ended = [&] {
    result.reports = steps.failures();
    result.outcome = result.reports > 0        ? ConversionOutcome::Failed
                     : result.tables.isEmpty() ? ConversionOutcome::Empty
                                               : ConversionOutcome::Written;
    return result;
  };
  Connection workbook;
  Pacer pace(host_);
  workbook.SetYield([&pace] { pace(); });
  Connection dbf;
  Recordset rows;
  QString folder;
  QString canonicalFolder;  // links resolved, found once: it costs a system call a component
  if (!steps(116, [&] {
        if (auto problem = workbook::WorkbookFileProblem(workbookPath)) throw *std::move(problem);
        folder = FolderOf(workbookPath) + PathSeparator() +
                 WorkbookOutputFolderName(FileNameOf(workbookPath));
      }))
    return ended();
  bool created = false;
  if (!steps(120, [&] {
        if (!QDir(folder).exists()) {
          if (!QDir().mkpath(folder))
            throw std::runtime_error(
                QStringLiteral("The folder '%1' could not be created.").arg(folder).toStdString());
          created = true;
        }
        // Through a link the folder could be anywhere; nothing is written outside the
        // workbook's own folder.
        canonicalFolder = CanonicalFolderInWorkbookFolder(folder, workbookPath);
        if (canonicalFolder.isEmpty())
          throw std::runtime_error(
              QStringLiteral("The output folder '%1' lies outside the workbook's folder; "
                             "nothing was written.")
                  .arg(folder)
                  .toStdString());
      }))
    return ended();
  // Nothing of a workbook that could not be read is left behind.
  const auto removeIfUnused = [&] {
    if (created) QDir().rmdir(folder);
  };
  // A folder made just now holds no leftovers.
  if (!created) data_access::DiscardUnfinishedTables(folder);
  folder += PathSeparator();
  if (!steps(IsXlsPath(workbookPath) ? 128 : 130,
             [&] { workbook.Open(WorkbookConnectionString(workbookPath, Header)); })) {
    removeIfUnused();
    return ended();
  }
  QStringList sheets;
  if (steps(132, [&] { rows = workbook.OpenSchema(data_access::adSchemaTables); })) {
    while (steps.While(136, [&] { return !rows.Eof(); })) {
      if (steps.If(138, [&] {
            return rows.GetFields()[QStringLiteral("TABLE_TYPE")].Value().Text() ==
                   QStringLiteral("TABLE");
          }))
        steps(140,
              [&] { sheets << rows.GetFields()[QStringLiteral("TABLE_NAME")].Value().Text(); });
      if (!steps(142, [&] { rows.MoveNext(); })) break;
    }
    steps(144, [&] {
      if (rows.State() != adStateClosed) rows.Close();
    });
  }
  // Tables given into this folder earlier in the run, by any workbook (Book.xls and Book.xlsx
  // share one folder); a run starts with UsedOutputNames emptied.
  if (UsedOutputNames.isEmpty()) givenInFolder_.clear();
  // A caller that changed the list has it noted afresh.
  if (!UsedOutputNames.isSharedWith(usedNames_.text()))
    usedNames_ = NameList(UsedOutputNames, true);
  QSet<QString>& givenHere = givenInFolder_[canonicalFolder];
  // Tables begun but not written whole: they may have left staged files. A written table's
  // files are committed or discarded as its connection closes.
  QStringList unfinished;
  for (const QString& sheet : sheets) {
    QString dbfName = DbfNameFromSheet(sheet);
    // A sheet name made only of removed characters still needs a file name.
    if (dbfName.isEmpty()) dbfName = QStringLiteral("Sheet");
    dbfName = MakeUniqueName(dbfName, usedNames_, [&](const QString& candidate) {
      return givenHere.contains(candidate.toCaseFolded());
    });
    // Let go first, so that the name is appended in place rather than to a copy of the list.
    UsedOutputNames.clear();
    usedNames_.Append(u' ' + dbfName);
    UsedOutputNames = usedNames_.text();
    givenHere.insert(dbfName.toCaseFolded());
    SheetConversion conversion(steps, kWholeWorkbookSteps, Conversion::WholeWorkbook, host_,
                               options, pace, result);
    if (conversion.Run(workbook, rows, dbf, sheet, folder, dbfName) !=
        SheetConversion::Outcome::Written)
      unfinished << dbfName;
  }
  CloseAll(steps, 504, rows, dbf, workbook);
  for (const QString& dbfName : unfinished)
    data_access::DiscardUnfinishedTable(TablePath(folder, dbfName));
  removeIfUnused();
  return ended();
}

void ConversionResult::Add(const ConversionResult& other) {
  tables << other.tables;
  reports += other.reports;
  warnings += other.warnings;
  if (other.outcome == ConversionOutcome::Failed || outcome == ConversionOutcome::Failed)
    outcome = ConversionOutcome::Failed;
  else if (other.outcome == ConversionOutcome::Written)
    outcome = ConversionOutcome::Written;
}

}  // namespace brelloquin
