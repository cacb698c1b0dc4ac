#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "engine/xlsx/xlsx_test_support.h"
#include "support/xlsx_writer.h"

namespace brelloquin::workbook::testing {
namespace {

QStringList SheetNames(const WorkbookReader& reader) {
  QStringList names;
  for (const auto& sheet : reader.sheets()) names << sheet.name;
  return names;
}

TEST(XlsxSheets, WorksheetsInTabOrderWithHiddenFlagAndNoChartSheet) {
  const auto reader = OpenXlsx(FixturePath("sheet_names.xlsx"));
  const QStringList expected{"Sheet1",  "Q1 Data", "2014",       ".Data",
                             "O'Brien", "Hidden",  "Very Hidden"};
  ASSERT_EQ(SheetNames(*reader), expected);
  for (std::size_t i = 0; i < reader->sheets().size(); ++i) {
    EXPECT_EQ(reader->sheets()[i].hidden, i >= 5) << i;
    // Each sheet holds its own name in A1: the right part is read for each position.
    SheetData data = reader->readSheet(i);
    data.finish();
    EXPECT_TRUE(HasText(data, 0, 0, expected[static_cast<qsizetype>(i)]));
  }
}

// A sheet too large to keep is read a window of rows at a time.
TEST(XlsxSheets, AReadKeepsTheRowsOfItsWindowWithinItsBudget) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("rows.xlsx"));
  std::vector<brelloquin::testing::XlsxRow> rows;
  for (int r = 0; r < 50; ++r)
    rows.push_back({double(r), QStringLiteral("text ") + QString::number(r)});
  ASSERT_TRUE(brelloquin::testing::WriteXlsx(path, {{QStringLiteral("S"), rows}}));
  const auto reader = OpenXlsx(path);

  SheetData all = reader->readSheet(0, {10});
  all.finish();
  EXPECT_EQ(all.endRow(), kMaxRows);
  EXPECT_EQ(all.size(), 80u);
  EXPECT_TRUE(HasNumber(all, 10, 0, CellKind::Number, 10));

  SheetData window = reader->readSheet(0, {10, 512});
  window.finish();
  EXPECT_GT(window.endRow(), 11u);
  EXPECT_LT(window.endRow(), 50u);
  EXPECT_EQ(window.size(), 2 * (window.endRow() - 10));
  for (const Cell& cell : window.cells()) EXPECT_GE(cell.row, 10u);
  EXPECT_TRUE(HasText(window, window.endRow() - 1, 1,
                      QStringLiteral("text ") + QString::number(window.endRow() - 1)));
}

TEST(XlsxSheets, DialogMacroAndChartSheetsOfAMacroWorkbookAreNotListed) {
  const auto reader = OpenXlsx(FixturePath("sheet_kinds.xlsm"));
  ASSERT_EQ(SheetNames(*reader), (QStringList{"Data", "More Data"}));
  EXPECT_FALSE(reader->sheets()[0].hidden);
  EXPECT_TRUE(reader->sheets()[1].hidden);
  SheetData more = reader->readSheet(1);
  more.finish();
  EXPECT_TRUE(HasNumber(more, 0, 0, CellKind::Number, 2));
}

TEST(XlsxSheets, PartsFoundThroughRelativeAbsoluteAndEscapedTargets) {
  const auto reader = OpenXlsx(FixturePath("unusual_layout.xlsx"));
  ASSERT_EQ(SheetNames(*reader), (QStringList{"First", "Second", "Third"}));
  const SheetData first = ReadFixtureSheet("unusual_layout.xlsx", 0);
  EXPECT_TRUE(HasText(first, 0, 0, "found"));
  EXPECT_TRUE(HasNumber(ReadFixtureSheet("unusual_layout.xlsx", 1), 1, 1, CellKind::Number, 2));
  EXPECT_TRUE(HasNumber(ReadFixtureSheet("unusual_layout.xlsx", 2), 2, 2, CellKind::Number, 3));
}

TEST(XlsxCells, HeaderRowWithEmptyHeaderCells) {
  const SheetData data = ReadFixtureSheet("headers.xlsx", 0);
  EXPECT_TRUE(HasText(data, 0, 0, "Id"));
  EXPECT_EQ(At(data, 0, 1), nullptr);
  EXPECT_EQ(At(data, 0, 3), nullptr);  // an empty text is an empty cell
  EXPECT_TRUE(HasText(data, 0, 4, "Note"));
  EXPECT_TRUE(HasNumber(data, 2, 2, CellKind::Number, 20.25));
}

TEST(XlsxCells, MixedColumnsLongAndCyrillicTextsBooleansAndEmptyRow) {
  const SheetData data = ReadFixtureSheet("mixed.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 1, 0, CellKind::Number, 1));
  EXPECT_TRUE(HasText(data, 2, 0, "two"));
  EXPECT_TRUE(HasNumber(data, 2, 1, CellKind::Date, 45351));
  EXPECT_TRUE(HasNumber(data, 4, 1, CellKind::Number, 20));
  EXPECT_TRUE(HasText(data, 1, 2, QString(300, u'L')));
  EXPECT_TRUE(HasNumber(data, 1, 3, CellKind::Boolean, 1));
  EXPECT_TRUE(HasNumber(data, 2, 3, CellKind::Boolean, 0));
  EXPECT_TRUE(HasText(data, 1, 4, QStringLiteral(u"Привет, мир")));
  for (const Cell& cell : data.cells()) EXPECT_NE(cell.row, 3u);
}

TEST(XlsxCells, DateFormatsDecideDateKind) {
  const SheetData data = ReadFixtureSheet("dates.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 0, 0, CellKind::Date, 45351));
  const Cell* withTime = At(data, 0, 1);
  ASSERT_NE(withTime, nullptr);
  EXPECT_EQ(withTime->kind, CellKind::Date);
  EXPECT_NEAR(withTime->number, 45351 + (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Date, 0.25));     // time alone
  EXPECT_TRUE(HasNumber(data, 0, 3, CellKind::Date, 61));       // built-in 14
  EXPECT_TRUE(HasNumber(data, 0, 4, CellKind::Number, 45351));  // 0.00
  EXPECT_TRUE(HasNumber(data, 0, 5, CellKind::Number, 45351));  // "Day "0
  EXPECT_TRUE(HasText(data, 0, 6, "36:00:00"));                 // [h]:mm:ss
  EXPECT_TRUE(HasNumber(data, 0, 7, CellKind::Date, 45351.5));  // built-in 22
}

TEST(XlsxCells, Dates1904AreCountedFrom1899) {
  const SheetData data = ReadFixtureSheet("dates_1904.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 0, 0, CellKind::Date, 45351));
  ASSERT_NE(At(data, 0, 1), nullptr);
  EXPECT_NEAR(At(data, 0, 1)->number, 45351 + (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Date, 0.25));     // a time alone stays one
  EXPECT_TRUE(HasNumber(data, 0, 4, CellKind::Number, 45351));  // numbers keep their value
}

// The first sheet of a workbook written with the rows given.
SheetData ReadWritten(const std::vector<brelloquin::testing::XlsxRow>& rows, bool date1904) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("book.xlsx"));
  EXPECT_TRUE(brelloquin::testing::WriteXlsx(path, {{QStringLiteral("S"), rows}}, date1904));
  SheetData data = OpenXlsx(path)->readSheet(0);
  data.finish();
  return data;
}

TEST(XlsxCells, EarlyDatesAndTheLeapDayReadAsTheSpreadsheetShowsThem) {
  using brelloquin::testing::Formatted;
  const double tenth = 10 + (15 * 3600 + 10 * 60 + 10) / 86400.0;  // 1900-01-10 15:10:10
  const QString day = QStringLiteral("yyyy-mm-dd"), stamp = QStringLiteral("yyyy-mm-dd hh:mm");
  const SheetData data = ReadWritten(
      {{Formatted{1, day}, Formatted{tenth, stamp}, Formatted{59, QStringLiteral("d mmm yyyy")},
        Formatted{60, day}, Formatted{60.5, stamp}, Formatted{61, day},
        Formatted{0.25, QStringLiteral("hh:mm")}, Formatted{60 - 1e-7, day}}},
      false);
  EXPECT_TRUE(HasNumber(data, 0, 0, CellKind::Date, 2));  // 1900-01-01 from 1899-12-30
  ASSERT_NE(At(data, 0, 1), nullptr);
  EXPECT_NEAR(At(data, 0, 1)->number, tenth + 1, 1e-9);
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Date, 60));  // 1900-02-28
  EXPECT_TRUE(HasText(data, 0, 3, QStringLiteral("1900-02-29")));
  EXPECT_TRUE(HasText(data, 0, 4, QStringLiteral("1900-02-29 12:00:00")));
  EXPECT_TRUE(HasNumber(data, 0, 5, CellKind::Date, 61));          // 1900-03-01 was always right
  EXPECT_TRUE(HasNumber(data, 0, 6, CellKind::Date, 0.25));        // a time alone
  EXPECT_TRUE(HasText(data, 0, 7, QStringLiteral("1900-02-29")));  // rounds into the leap day

  // The 1904 system never had the leap day; a value under 1 is a day unless the format shows
  // a time alone.
  const SheetData mac = ReadWritten({{Formatted{0, day}, Formatted{0.25, QStringLiteral("h:mm")},
                                      Formatted{0.25, stamp}, Formatted{60, day}}},
                                    true);
  EXPECT_TRUE(HasNumber(mac, 0, 0, CellKind::Date, 1462));  // 1904-01-01
  EXPECT_TRUE(HasNumber(mac, 0, 1, CellKind::Date, 0.25));
  EXPECT_TRUE(HasNumber(mac, 0, 2, CellKind::Date, 1462.25));
  EXPECT_TRUE(HasNumber(mac, 0, 3, CellKind::Date, 1522));  // 1904-03-01
}

TEST(XlsxCells, ElapsedTimeFormatsGiveTheDurationAsText) {
  using brelloquin::testing::Formatted;
  const double spent = 10 + (15 * 3600 + 10 * 60 + 10) / 86400.0;  // 255:10:10
  const std::vector<brelloquin::testing::XlsxRow> rows{
      {Formatted{spent, QStringLiteral("[h]:mm:ss")}, Formatted{spent, QStringLiteral("[mm]:ss")},
       Formatted{spent, QStringLiteral("[s]")}, Formatted{spent, QStringLiteral("[h]:mm")},
       Formatted{1.5 / 86400, QStringLiteral("[ss].00")},
       Formatted{-0.5, QStringLiteral("[h]:mm:ss")},
       Formatted{59.6 / 86400, QStringLiteral("[h]:mm")},
       Formatted{1e7, QStringLiteral("[h]:mm:ss")}}};
  for (const bool date1904 : {false, true}) {
    const SheetData data = ReadWritten(rows, date1904);
    EXPECT_TRUE(HasText(data, 0, 0, QStringLiteral("255:10:10")));
    EXPECT_TRUE(HasText(data, 0, 1, QStringLiteral("15310:10")));
    EXPECT_TRUE(HasText(data, 0, 2, QStringLiteral("918610")));
    EXPECT_TRUE(HasText(data, 0, 3, QStringLiteral("255:10")));
    EXPECT_TRUE(HasText(data, 0, 4, QStringLiteral("01.50")));
    EXPECT_TRUE(HasText(data, 0, 5, QStringLiteral("-12:00:00")));
    EXPECT_TRUE(HasText(data, 0, 6, QStringLiteral("0:01")));   // rounded to the second first
    EXPECT_TRUE(HasNumber(data, 0, 7, CellKind::Number, 1e7));  // past any date: the number
  }
}

TEST(XlsxCells, StrictNamespacesOddPrefixesAnd1904) {
  const SheetData data = ReadFixtureSheet("strict_1904.xlsx", 0);
  EXPECT_TRUE(HasText(data, 0, 0, "strict text"));
  EXPECT_TRUE(HasNumber(data, 0, 1, CellKind::Date, 45351));  // custom code "d mmm yyyy"
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Number, 43889));
  EXPECT_TRUE(HasNumber(data, 0, 3, CellKind::Date, 45351.5));  // ISO text: no offset
  // Under 1 in a date format: 1904-01-01 06:00, not a time alone.
  EXPECT_TRUE(HasNumber(data, 0, 4, CellKind::Date, 1462.25));
}

TEST(XlsxCells, IsoDateCells) {
  const SheetData data = ReadFixtureSheet("unusual_layout.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 0, 1, CellKind::Date, 45351));
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Date, 45351.75));
  EXPECT_TRUE(HasNumber(data, 0, 3, CellKind::Date, 0.5));
  EXPECT_EQ(At(data, 0, 4), nullptr);  // 2024-02-30
}

TEST(XlsxCells, CachedFormulaResultsOfEveryKind) {
  const SheetData data = ReadFixtureSheet("formulas.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 0, 0, CellKind::Number, 3));
  EXPECT_TRUE(HasText(data, 0, 1, "ab"));
  EXPECT_TRUE(HasNumber(data, 0, 2, CellKind::Boolean, 1));
  EXPECT_TRUE(HasNumber(data, 0, 3, CellKind::Boolean, 0));
  ASSERT_NE(At(data, 0, 4), nullptr);
  EXPECT_EQ(At(data, 0, 4)->kind, CellKind::Error);
  EXPECT_EQ(At(data, 0, 5), nullptr);  // no cached value
  EXPECT_TRUE(HasNumber(data, 0, 6, CellKind::Date, 45351));
  EXPECT_EQ(At(data, 0, 7), nullptr);  // empty string result
  EXPECT_TRUE(HasText(data, 0, 8, "x\r"));
  EXPECT_TRUE(HasNumber(data, 1, 1, CellKind::Number, 20));  // shared formula follower
  EXPECT_EQ(At(data, 1, 2), nullptr);
}

TEST(XlsxCells, PositionsWithoutReferencesAndDamagedCells) {
  const SheetData data = ReadFixtureSheet("cell_positions.xlsx", 0);
  std::vector<std::tuple<std::uint32_t, std::uint32_t, double>> numbers;
  for (const Cell& cell : data.cells())
    if (cell.kind == CellKind::Number) numbers.emplace_back(cell.row, cell.col, cell.number);
  const decltype(numbers) expected{{0, 0, 1},  {0, 1, 2},  {0, 4, 5},    {0, 5, 6},
                                   {1, 0, 7},  {4, 1, 8},  {4, 2, 9},    {5, 16383, 10},
                                   {7, 1, 16}, {7, 6, 17}, {7, 7, 1500}, {7, 10, 18}};
  EXPECT_EQ(numbers, expected);
  EXPECT_TRUE(HasText(data, 8, 0, "zero"));
  EXPECT_EQ(data.cells().size(), expected.size() + 1);
}

TEST(XlsxCells, SharedStringEscapesRichTextAndPhoneticRuns) {
  const SheetData data = ReadFixtureSheet("strings.xlsx", 0);
  EXPECT_TRUE(HasText(data, 0, 0, "Line1\r\nLine2"));
  EXPECT_TRUE(HasText(data, 1, 0, "_x000D_ stays"));
  EXPECT_TRUE(HasText(data, 2, 0, "Bold and plain"));
  EXPECT_TRUE(HasText(data, 3, 0, QStringLiteral(u"東京")));
  EXPECT_EQ(At(data, 4, 0), nullptr);  // empty shared string
  EXPECT_TRUE(HasText(data, 5, 0, QStringLiteral(u"Tab\tandéA")));
  EXPECT_TRUE(HasText(data, 6, 0, QStringLiteral(u"😀 _x12_ _xZZZZ_")));
  EXPECT_EQ(At(data, 7, 0), nullptr);  // index beyond the table
}

TEST(XlsxCells, InlineStringsAndFormulaStrings) {
  const SheetData data = ReadFixtureSheet("strings.xlsx", 1);
  EXPECT_TRUE(HasText(data, 0, 0, "Inline\r"));
  EXPECT_TRUE(HasText(data, 1, 0, "Ruby"));
  EXPECT_TRUE(HasText(data, 2, 0, "x1"));
  EXPECT_EQ(At(data, 3, 0), nullptr);
  EXPECT_TRUE(HasText(data, 4, 0, "from is"));
}

TEST(XlsxCells, TwinFormulaResults) {
  const SheetData data = ReadFixtureSheet("twin_formulas.xlsx", 0);
  EXPECT_TRUE(HasNumber(data, 4, 1, CellKind::Number, 8));
  EXPECT_TRUE(HasText(data, 4, 2, "item 4"));
  EXPECT_TRUE(HasNumber(data, 4, 3, CellKind::Date, 45295));
  EXPECT_TRUE(HasText(data, 1, 4, "small"));
}

// Runs an action that must fail with a WorkbookError whose description holds `fragment`.
template <typename Action>
void ExpectWorkbookError(Action action, const char* fragment) {
  try {
    action();
    ADD_FAILURE() << "no error; expected: " << fragment;
  } catch (const WorkbookError& error) {
    EXPECT_TRUE(error.description().contains(QString::fromUtf8(fragment))) << error.what();
  }
}

struct OpenFailure {
  const char* fixture;
  const char* message;
};

class XlsxOpenFailure : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(XlsxOpenFailure, ThrowsWithClearMessage) {
  ExpectWorkbookError([] { OpenXlsx(FixturePath(GetParam().fixture)); }, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, XlsxOpenFailure,
    ::testing::Values(
        OpenFailure{"not_a_workbook.xlsx", "is not an .xlsx workbook: it is not a zip archive"},
        OpenFailure{"truncated.xlsx", "damaged or truncated"},
        OpenFailure{"no_workbook.xlsx", "is not an Excel workbook"},
        OpenFailure{"binary_workbook.xlsb", "The binary .xlsb workbook format is not supported."},
        OpenFailure{"opendocument.ods", "(.ods) is not supported"},
        OpenFailure{"doctype.xlsx", "'xl/workbook.xml' declares a document type"},
        OpenFailure{"missing.xlsx", "could not be found"}));

TEST(XlsxReadFailure, DamagedSheetFailsAloneAndNamesItsPart) {
  const auto reader = OpenXlsx(FixturePath("malformed_sheet.xlsx"));
  EXPECT_FALSE(reader->readSheet(0).empty());
  ExpectWorkbookError([&] { reader->readSheet(1); },
                      "'xl/worksheets/sheet2.xml' is not well-formed XML (line ");
  ExpectWorkbookError([&] { reader->readSheet(2); }, "nests its elements too deeply");
  ExpectWorkbookError([&] { reader->readSheet(3); }, "no sheet number 4");
}

TEST(XlsxReadFailure, CorruptDeflatedData) {
  const auto reader = OpenXlsx(FixturePath("damaged_part.xlsx"));
  ExpectWorkbookError([&] { reader->readSheet(0); }, "cannot be inflated");
}

}  // namespace
}  // namespace brelloquin::workbook::testing
