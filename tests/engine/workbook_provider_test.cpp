// The workbook provider on fixture workbooks and on every corpus workbook, through the calls
// the engine makes.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include "data_access/connection.h"
#include "engine/qt_printers.h"
#include "support/corpus.h"
#include "support/xlsx_writer.h"
#include "workbook_source.h"

namespace brelloquin {
namespace {

using data_access::Connection;
using data_access::DataAccessError;
using data_access::Recordset;

const QString kFixtures = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/");

struct Table {
  QStringList fields;             // NAME:TYPE
  std::vector<QStringList> rows;  // text forms, \N for Null
};

Table Read(const QString& path, const QString& sheet,
           const QString& header = QStringLiteral("Yes")) {
  Connection connection;
  connection.Open(WorkbookConnectionString(path, header));
  Recordset rows;
  OpenSheetRows(rows, connection, sheet);
  Table table;
  const auto fields = rows.GetFields();
  for (int i = 0; i < fields.Count(); ++i)
    table.fields << fields[i].Name() + u':' + QString::number(fields[i].Type());
  for (; !rows.Eof(); rows.MoveNext()) {
    QStringList values;
    for (int i = 0; i < fields.Count(); ++i) {
      const auto& value = rows.GetFields()[i].Value();
      values << (value.IsNull() ? QStringLiteral("\\N") : value.Text());
    }
    table.rows.push_back(values);
  }
  return table;
}

QStringList Sheets(const QString& path) {
  Connection connection;
  connection.Open(WorkbookConnectionString(path, QStringLiteral("YES")));
  return ListSheetNames(connection);
}

TEST(WorkbookProvider, ListsWorksheetsQuotedInTabOrder) {
  EXPECT_EQ(Sheets(kFixtures + QStringLiteral("sheet_names.xlsx")),
            (QStringList{QStringLiteral("Sheet1$"), QStringLiteral("'Q1 Data$'"),
                         QStringLiteral("'2014$'"), QStringLiteral("#Data$"),
                         QStringLiteral("'O''Brien$'"), QStringLiteral("Hidden$"),
                         QStringLiteral("'Very Hidden$'")}));
  EXPECT_EQ(Sheets(kFixtures + QStringLiteral("sheet_kinds.xlsm")),
            (QStringList{QStringLiteral("Data$"), QStringLiteral("'More Data$'")}));
  // A quoted name is found as listed; the sheet's own name is not a table name.
  EXPECT_EQ(Read(kFixtures + QStringLiteral("sheet_names.xlsx"), QStringLiteral("'O''Brien$'"),
                 QStringLiteral("No"))
                .rows[0],
            QStringList{QStringLiteral("O'Brien")});
  EXPECT_THROW(Read(kFixtures + QStringLiteral("sheet_names.xlsx"), QStringLiteral("Q1 Data$")),
               DataAccessError);
}

TEST(WorkbookProvider, HeaderRowBothWaysAndEmptyHeaderCells) {
  const Table named = Read(kFixtures + QStringLiteral("headers.xlsx"), QStringLiteral("Data$"));
  EXPECT_EQ(named.fields, (QStringList{QStringLiteral("Id:5"), QStringLiteral("F2:202"),
                                       QStringLiteral("Amount:5"), QStringLiteral("F4:202"),
                                       QStringLiteral("Note:202")}));
  EXPECT_EQ(named.rows.size(), 2u);
  const Table plain = Read(kFixtures + QStringLiteral("headers.xlsx"), QStringLiteral("Data$"),
                           QStringLiteral("no"));
  EXPECT_EQ(plain.fields.first(), QStringLiteral("F1:202"));  // "Id" above numbers: mixed
  ASSERT_EQ(plain.rows.size(), 3u);
  EXPECT_EQ(plain.rows[0][0], QStringLiteral("Id"));
}

TEST(WorkbookProvider, MixedColumnsLongTextsAndEmptyRows) {
  const Table mixed = Read(kFixtures + QStringLiteral("mixed.xlsx"), QStringLiteral("Mixed$"));
  ASSERT_GE(mixed.fields.size(), 5);
  EXPECT_TRUE(mixed.fields[0].endsWith(QStringLiteral(":202")));
  EXPECT_TRUE(mixed.fields[1].endsWith(QStringLiteral(":202")));  // numbers and a date
  EXPECT_TRUE(mixed.fields[2].endsWith(QStringLiteral(":203")));  // a 300-character text
  EXPECT_TRUE(mixed.fields[3].endsWith(QStringLiteral(":11")));
  bool emptyRow = false;
  for (const QStringList& row : mixed.rows)
    emptyRow = emptyRow || row.count(QStringLiteral("\\N")) == row.size();
  EXPECT_TRUE(emptyRow) << "the empty row inside the range comes back all Null";
}

TEST(WorkbookProvider, DatesAndTimesInBothDateSystemsReadAlike) {
  const Table dates = Read(kFixtures + QStringLiteral("dates.xlsx"), QStringLiteral("Dates$"),
                           QStringLiteral("No"));
  const Table dates1904 = Read(kFixtures + QStringLiteral("dates_1904.xlsx"),
                               QStringLiteral("Dates$"), QStringLiteral("No"));
  ASSERT_EQ(dates.rows.size(), 1u);
  ASSERT_EQ(dates1904.rows.size(), 1u);
  // Date, date and time, time alone, an early date: the same in either system. (The last
  // columns hold the same raw serials, which mean other days in 1904.)
  EXPECT_EQ(dates.rows[0].mid(0, 4), dates1904.rows[0].mid(0, 4));
  EXPECT_EQ(dates.fields, dates1904.fields);
  EXPECT_EQ(dates.rows[0][2], QStringLiteral("06:00:00"));
  EXPECT_TRUE(dates.fields[0].endsWith(QStringLiteral(":7")));
  EXPECT_EQ(dates.rows[0][3], QStringLiteral("1900-03-01"));
}

TEST(WorkbookProvider, FormulaResultsOfEveryKind) {
  const Table formulas = Read(kFixtures + QStringLiteral("formulas.xlsx"),
                              QStringLiteral("Formulas$"), QStringLiteral("No"));
  ASSERT_FALSE(formulas.rows.empty());
  const QStringList& row = formulas.rows[0];
  EXPECT_TRUE(row.contains(QStringLiteral("True")));
  EXPECT_TRUE(row.contains(QStringLiteral("False")));
  EXPECT_TRUE(row.contains(QStringLiteral("\\N")));  // the error and the uncached formula
}

TEST(WorkbookProvider, TheSecondOpeningOfASheetReadsTheSameRows) {
  Connection connection;
  connection.Open(WorkbookConnectionString(kFixtures + QStringLiteral("twin_basic.xlsx"),
                                           QStringLiteral("Yes")));
  Recordset first;
  OpenSheetRows(first, connection, QStringLiteral("People$"));
  int count = 0;
  for (; !first.Eof(); first.MoveNext()) ++count;
  first.Close();
  Recordset second;
  OpenSheetRows(second, connection, QStringLiteral("People$"));
  int again = 0;
  for (; !second.Eof(); second.MoveNext()) ++again;
  EXPECT_EQ(count, 4);
  EXPECT_EQ(again, count);
}

// Reading a long sheet lets a window repaint now and then, whatever else it does.
TEST(WorkbookProvider, ReadingALongSheetYieldsNowAndThen) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("long.xlsx"));
  std::vector<testing::XlsxRow> rows(70000, testing::XlsxRow{1.0, 2.0});
  ASSERT_TRUE(testing::WriteXlsx(path, {{QStringLiteral("Long"), rows}}));
  int yields = 0;
  Connection connection;
  connection.SetYield([&] { ++yields; });
  connection.Open(WorkbookConnectionString(path, QStringLiteral("No")));
  Recordset recordset;
  OpenSheetRows(recordset, connection, QStringLiteral("Long$"));
  EXPECT_GE(yields, 2);  // 140,000 cells
}

// Rows cost the cells they hold, never the width of the empty range: walking these sheets
// took hours when every field of every row was cleared.
TEST(WorkbookProvider, SparseSheetsCostTheirCellsNotTheirEmptyArea) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sparse.xlsx"));
  const auto cell = [](const char* reference, const char* value) {
    return testing::RawCell{QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(reference, value)};
  };
  ASSERT_TRUE(testing::WriteXlsx(
      path,
      {{QStringLiteral("Wide"), {{cell("A1", "1"), cell("XFD1", "2"), cell("XFD1048576", "3")}}},
       {QStringLiteral("Tall"), {{cell("A1", "4"), cell("C1", "5"), cell("C1048576", "6")}}}}));
  EXPECT_EQ(Sheets(path), (QStringList{QStringLiteral("Wide$"), QStringLiteral("Tall$")}));

  Connection connection;
  connection.Open(WorkbookConnectionString(path, QStringLiteral("No")));
  const auto walk = [&](const QString& sheet, int fieldCount) {
    Recordset rows;
    OpenSheetRows(rows, connection, sheet);
    const auto fields = rows.GetFields();
    EXPECT_EQ(fields.Count(), fieldCount);
    const int last = fieldCount - 1;
    EXPECT_EQ(fields[0].Value().Text(), sheet == QStringLiteral("Wide$") ? "1" : "4");
    int count = 0;
    for (; !rows.Eof(); rows.MoveNext()) {
      if (++count == 2) {
        EXPECT_TRUE(fields[0].Value().IsNull());
        EXPECT_TRUE(fields[last].Value().IsNull());
      }
      if (count == 1048576) {
        EXPECT_TRUE(fields[0].Value().IsNull());
        EXPECT_EQ(fields[last].Value().Text(), sheet == QStringLiteral("Wide$") ? "3" : "6");
      }
    }
    EXPECT_EQ(count, 1048576);
  };
  walk(QStringLiteral("Wide$"), 16384);
  walk(QStringLiteral("Tall$"), 3);
}

TEST(WorkbookProvider, OpeningFailuresCarryTheGenericNumberAndAPlainDescription) {
  for (const char* name :
       {"missing.xlsx", "not_a_workbook.xlsx", "truncated.xlsx", "no_workbook.xlsx",
        "binary_workbook.xlsb", "opendocument.ods", "doctype.xlsx"}) {
    Connection connection;
    try {
      connection.Open(
          WorkbookConnectionString(kFixtures + QLatin1String(name), QStringLiteral("Yes")));
      ListSheetNames(connection);
      ADD_FAILURE() << name << " opened";
    } catch (const DataAccessError& e) {
      EXPECT_EQ(e.number(), -2147467259) << name;
      EXPECT_FALSE(e.description().isEmpty()) << name;
    }
  }
}

TEST(WorkbookProvider, EncryptedWorkbooksSaySo) {
  SKIP_WITHOUT_CORPUS();
  Connection connection;
  try {
    connection.Open(WorkbookConnectionString(
        QStringLiteral(BRELLOQUIN_CORPUS_DIR "/calamine-tests/pass_protected.xlsb"),
        QStringLiteral("Yes")));
    ADD_FAILURE() << "opened";
  } catch (const DataAccessError& e) {
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.description(), QStringLiteral("The workbook is password-protected or encrypted."));
  }
}

// The .xls twins LibreOffice saved from the .xlsx fixtures read exactly alike.
TEST(WorkbookProvider, XlsTwinsReadLikeTheirXlsxOriginals) {
  for (const char* twin : {"twin_basic", "twin_formulas"}) {
    const QString xlsx = kFixtures + QLatin1String(twin) + QStringLiteral(".xlsx");
    const QString xls = kFixtures + QLatin1String(twin) + QStringLiteral(".xls");
    const QStringList sheets = Sheets(xlsx);
    EXPECT_EQ(Sheets(xls), sheets) << twin;
    for (const QString& sheet : sheets) {
      for (const QString& header : {QStringLiteral("Yes"), QStringLiteral("No")}) {
        const Table a = Read(xlsx, sheet, header);
        const Table b = Read(xls, sheet, header);
        EXPECT_EQ(a.fields, b.fields) << twin << " " << sheet.toStdString();
        EXPECT_EQ(a.rows, b.rows) << twin << " " << sheet.toStdString();
      }
    }
  }
}

// Every corpus workbook, whatever its format, through both readers as the engine opens them:
// each sheet reads in both header modes, or the workbook or sheet fails with a described error.
TEST(WorkbookProvider, EveryCorpusWorkbookReadsOrFailsClearly) {
  SKIP_WITHOUT_CORPUS();
  const QDir corpus(QStringLiteral(BRELLOQUIN_CORPUS_DIR));
  QDirIterator it(corpus.path(),
                  {QStringLiteral("*.xls"), QStringLiteral("*.xls?"), QStringLiteral("*.ods")},
                  QDir::Files, QDirIterator::Subdirectories);
  QStringList files, failing;
  while (it.hasNext()) files << corpus.relativeFilePath(it.next());
  files.sort();
  for (const QString& file : files) {
    SCOPED_TRACE(file.toStdString());
    const QString path = corpus.filePath(file);
    bool whole = true;
    const auto described = [&](const DataAccessError& e) {
      EXPECT_FALSE(e.description().trimmed().isEmpty());
      whole = false;
    };
    try {
      for (const QString& sheet : Sheets(path)) {
        for (const QString& header : {QStringLiteral("Yes"), QStringLiteral("No")}) {
          try {
            Read(path, sheet, header);
          } catch (const DataAccessError& e) {
            described(e);
          }
        }
      }
    } catch (const DataAccessError& e) {
      described(e);
    }
    if (!whole) failing << file;
  }
  EXPECT_GE(files.size(), 80);
  // .xlsb and .ods are refused; of the others only two damaged workbooks fail: a garbled
  // allocation table and a relationship part that is not XML.
  QStringList refused = files.filter(QRegularExpression(QStringLiteral("\\.(xlsb|ods)$")));
  refused << QStringLiteral("calamine-tests/OOM_alloc3.xls")
          << QStringLiteral("calamine-tests/issue252.xlsx");
  refused.sort();
  EXPECT_EQ(failing, refused);
}

}  // namespace
}  // namespace brelloquin
