#include "workbook/xls_reader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "xls_test_support.h"

using namespace brelloquin::workbook;
using namespace xls_test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const Bytes kStringResult = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

Bytes Continue(const Bytes& data) { return Record(0x003C, data); }
Bytes Xf(unsigned format) { return Record(0x00E0, Cat({U16(0), U16(format), Bytes(16)})); }
Bytes Number(unsigned row, unsigned col, double value, unsigned xf = 0) {
  return Record(0x0203, Cat({CellAt(row, col, xf), F64(value)}));
}
Bytes Formula(unsigned row, unsigned col, const Bytes& result, unsigned xf = 0) {
  return Record(0x0006, Cat({CellAt(row, col, xf), result, U16(0), U32(0), U16(0)}));
}
Bytes LabelSst(unsigned row, unsigned col, std::uint32_t index) {
  return Record(0x00FD, Cat({CellAt(row, col), U32(index)}));
}

std::string Read(const Bytes& stream, std::size_t sheet = 0) {
  return Describe(OpenXls(stream)->readSheet(sheet));
}

TEST(XlsSst, StringsRunOnAcrossContinueRecords) {
  const Bytes runs = Bytes(8, 0x11), phonetic = Bytes(6, 0x22);
  const Bytes sst = Cat({
      Record(0x00FC, Cat({U32(5), U32(5), Str16("Hello"), U16(6), {0}, Raw("Wor")})),
      // The characters resume as UTF-16 after a fresh flag byte.
      // The characters resume as UTF-16 after a fresh flag byte; then a rich string with
      // phonetic data whose runs are cut by the next boundary.
      Continue(Cat({{1},
                    U16(u'l'),
                    U16(u'd'),
                    U16(0x20AC),
                    U16(3),
                    {0x0C},
                    U16(2),
                    U32(6),
                    Raw("abc"),
                    Bytes(runs.begin(), runs.begin() + 5)})),
      Continue(Cat({Bytes(runs.begin() + 5, runs.end()), phonetic, U16(4), {0}})),
      // The header ended the last record: the characters start after a flag byte.
      Continue(Cat({{1}, U16(0x03A9), U16(u'm'), U16(u'e'), U16(u'g'), U16(2)})),
      // The count ended the last record: the string's own flag byte starts this one.
      Continue(Cat({{0}, Raw("ok")})),
  });
  Bytes cells;
  for (unsigned i = 0; i < 5; ++i) Append(cells, LabelSst(i, 0, i));
  Append(cells, LabelSst(5, 0, 99), LabelSst(5, 1, 0));  // out of range: skipped
  EXPECT_EQ(Read(Workbook(sst, {{"S", cells}})),
            "R0C0=T:Hello R1C0=T:World\u20AC R2C0=T:abc R3C0=T:\u03A9meg R4C0=T:ok R5C1=T:Hello");
}

TEST(XlsCells, NumbersRkMulRkBooleansErrorsAndFormulaResults) {
  const auto rk = [](unsigned row, unsigned col, std::uint32_t value) {
    return Record(0x027E, Cat({CellAt(row, col), U32(value)}));
  };
  const Bytes globals = Cat({Xf(0), Xf(14)});
  const Bytes cells = Cat({
      rk(0, 0, 123 << 2 | 2), rk(0, 1, 12345 << 2 | 3), rk(0, 2, 0x3FF80000),
      rk(0, 3, 0x3FF80000 | 1), rk(0, 4, static_cast<std::uint32_t>(-7) << 2 | 2),
      Record(0x00BD, Cat({U16(1), U16(2), U16(0), U32(1 << 2 | 2), U16(1), U32(45000 << 2 | 2),
                          U16(0), U32(0x3FF80000), U16(4)})),
      Number(2, 0, 3.25), Number(2, 1, kNaN), Record(0x0203, Cat({CellAt(2, 2), U32(0)})),
      Record(0x0205, Cat({CellAt(3, 0), {1, 0}})), Record(0x0205, Cat({CellAt(3, 1), {0, 0}})),
      Record(0x0205, Cat({CellAt(3, 2), {0x07, 1}})), Formula(4, 0, F64(42.5)),
      Formula(4, 1, F64(45000), 1), Formula(4, 2, kStringResult), Record(0x04BC, Bytes(10)),
      Record(0x0207, Str16("result")), Formula(4, 3, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}),
      Formula(4, 4, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF}),
      Formula(4, 5, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}),
      // A long result runs on into a CONTINUE record, resuming as UTF-16.
      Formula(4, 6, kStringResult), Record(0x0207, Cat({U16(4), {0}, Raw("ab")})),
      Continue(Cat({{1}, U16(u'c'), U16(u'd')})),
      Record(0x0207, Str16("stray")),  // no formula waits for it
  });
  EXPECT_EQ(Read(Workbook(globals, {{"S", cells}})),
            "R0C0=N:123 R0C1=N:123.45 R0C2=N:1.5 R0C3=N:0.015 R0C4=N:-7 R1C2=N:1 R1C3=D:45000 "
            "R1C4=N:1.5 R2C0=N:3.25 R3C0=B:1 R3C1=B:0 R3C2=E:0 R4C0=N:42.5 R4C1=D:45000 "
            "R4C2=T:result R4C3=B:1 R4C4=E:0 R4C6=T:abcd");
}

TEST(XlsCells, EarlyDatesTheLeapDayAndDurationsInBothDateSystems) {
  const double spent = 10 + (15 * 3600 + 10 * 60 + 10) / 86400.0;  // 255:10:10
  const auto format = [](unsigned id, const std::string& code) {
    return Record(0x041E, Cat({U16(id), Str16(code)}));
  };
  // XF 1 built-in date, 2 built-in [h]:mm:ss, 3 [mm]:ss, 4 a date and time, 5 a time alone.
  const Bytes globals =
      Cat({format(164, "[mm]:ss"), format(165, "yyyy-mm-dd hh:mm:ss"), format(166, "hh:mm"), Xf(0),
           Xf(14), Xf(46), Xf(164), Xf(165), Xf(166)});
  const Bytes cells = Cat({Number(0, 0, 0, 1), Number(0, 1, 1, 1), Number(0, 2, 60, 1),
                           Number(0, 3, 60.5, 4), Number(0, 4, 61, 1), Number(0, 5, 0.25, 5),
                           Number(1, 0, spent, 2), Number(1, 1, spent, 3), Number(1, 2, spent, 4)});
  EXPECT_EQ(Read(Workbook(globals, {{"S", cells}})),
            "R0C0=D:0 R0C1=D:2 R0C2=T:1900-02-29 R0C3=T:1900-02-29 12:00:00 R0C4=D:61 "
            "R0C5=D:0.25 R1C0=T:255:10:10 R1C1=T:15310:10 R1C2=D:11.63206019");
  // The 1904 system counts from 1904-01-01 (serial 1462) and has no leap day to mend; a
  // duration is the same in both.
  EXPECT_EQ(Read(Workbook(Cat({Record(0x0022, U16(1)), globals}), {{"S", cells}})),
            "R0C0=D:1462 R0C1=D:1463 R0C2=D:1522 R0C3=D:1522.5 R0C4=D:1523 R0C5=D:0.25 "
            "R1C0=T:255:10:10 R1C1=T:15310:10 R1C2=D:1472.63206");
}

TEST(XlsCells, DamagedCellsAreCountedAndTheRestRead) {
  const Bytes sst = Record(0x00FC, Cat({U32(1), U32(1), Str16("kept")}));
  const Bytes cells = Cat({LabelSst(0, 0, 0), LabelSst(0, 1, 7), Number(1, 0, 2.5),
                           Number(1, 1, kNaN), Number(1, 20000, 1), LabelSst(1, 16384, 0),
                           Record(0x0203, Cat({CellAt(2, 0), U32(0)})), LabelSst(2, 1, 0)});
  const SheetData sheet = OpenXls(Workbook(sst, {{"S", cells}}))->readSheet(0);
  EXPECT_EQ(Describe(sheet), "R0C0=T:kept R1C0=N:2.5 R2C1=T:kept");
  // SST index past the table, NaN, two columns past the last, a record too short for its cell.
  EXPECT_EQ(sheet.unreadableCells(), 5u);
}

TEST(XlsCells, AReadKeepsTheRowsOfItsWindowWithinItsBudget) {
  const Bytes sst = Record(0x00FC, Cat({U32(1), U32(1), Str16("shared")}));
  Bytes cells;
  for (unsigned row = 0; row < 50; ++row) Append(cells, Number(row, 0, row), LabelSst(row, 1, 0));
  const auto reader = OpenXls(Workbook(sst, {{"S", cells}}));
  SheetData window = reader->readSheet(0, {10, 256});
  window.finish();
  EXPECT_GT(window.endRow(), 11u);
  EXPECT_LT(window.endRow(), 50u);
  EXPECT_EQ(window.size(), 2 * (window.endRow() - 10));
  EXPECT_EQ(At(window, 10, 0), "N:10");
  EXPECT_EQ(At(window, window.endRow() - 1, 1), "T:shared");
}

struct CodePageCase {
  unsigned codePage;
  std::string bytes;
  QString text;
};

class XlsBiff5 : public testing::TestWithParam<CodePageCase> {};

TEST_P(XlsBiff5, EightBitStringsFollowTheCodePage) {
  const auto& [codePage, bytes, text] = GetParam();
  const Bytes string = Cat({U16(static_cast<unsigned>(bytes.size())), Raw(bytes)});
  const Bytes cells = Cat({Record(0x0204, Cat({CellAt(0, 0), string})),
                           Record(0x00D6, Cat({CellAt(1, 0), string, {1}, U16(0)})),
                           Formula(2, 0, kStringResult), Record(0x0207, string)});
  const auto reader = OpenXls(Workbook(Record(0x0042, U16(codePage)), {{bytes, cells}}, true));
  EXPECT_EQ(reader->sheets().at(0).name, text);
  const std::string expected = "T:" + text.toStdString();
  EXPECT_EQ(Describe(reader->readSheet(0)),
            "R0C0=" + expected + " R1C0=" + expected + " R2C0=" + expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, XlsBiff5,
    testing::Values(CodePageCase{1251, "\xCF\xF0\xE8\xE2\xE5\xF2", QStringLiteral(u"Привет")},
                    CodePageCase{10000, "K\x8Ase", QStringLiteral(u"Käse")},
                    CodePageCase{999, "\x80", QStringLiteral(u"€")}));  // read as 1252

TEST(XlsWorkbook, WorksheetsOnlyWithTheirVisibilityAndNoEmbeddedChartCells) {
  const Bytes chart =
      Cat({Number(0, 0, 2), Bof(false, 0x20), Number(5, 5, 9), Eof(), Number(1, 0, 3)});
  const std::vector<Sheet> sheets = {{"Visible", Number(0, 0, 1)}, {"Chart", {}, 0, 2},
                                     {"Hidden", chart, 1},         {"Macro", {}, 0, 1},
                                     {"VeryHidden", {}, 2},        {"Module", {}, 0, 6}};
  const auto reader = OpenXls(Workbook({}, sheets));
  ASSERT_EQ(reader->sheets().size(), 3u);
  EXPECT_EQ(reader->sheets()[1].name, QStringLiteral("Hidden"));
  EXPECT_FALSE(reader->sheets()[0].hidden);
  EXPECT_TRUE(reader->sheets()[1].hidden);
  EXPECT_TRUE(reader->sheets()[2].hidden);
  EXPECT_EQ(Describe(reader->readSheet(1)), "R0C0=N:2 R1C0=N:3");
  EXPECT_THROW(reader->readSheet(3), WorkbookError);
}

TEST(XlsWorkbook, EncryptedAndUnsupportedStreamsAreClearErrors) {
  const auto error = [](const Bytes& stream) {
    try {
      OpenXls(stream);
    } catch (const WorkbookError& failure) {
      return failure.description();
    }
    return QString();
  };
  EXPECT_EQ(error(Workbook(Record(0x002F, Bytes(6)), {{"S", {}}})),
            QStringLiteral("The workbook is password-protected or encrypted."));
  EXPECT_TRUE(error(Cat({Record(0x0009, Cat({U16(2), U16(0x10)})), Eof()}))  // BIFF2
                  .contains(QStringLiteral("not supported")));
  EXPECT_FALSE(error({}).isEmpty());
  EXPECT_FALSE(error(Raw("PK\x03\x04 not a workbook stream")).isEmpty());
}

TEST(XlsWorkbook, DamagedStreamsFailCleanly) {
  const Bytes stream =
      Workbook(Cat({Xf(0), Record(0x00FC, Cat({U32(1), U32(1), Str16("x")}))}),
               {{"One", Cat({Number(0, 0, 1), LabelSst(1, 0, 0)})}, {"Two", Number(0, 0, 2)}});

  // A sheet offset outside the stream spoils that sheet only.
  Bytes moved = stream;
  const Bytes name = Raw("One");
  const auto offset = static_cast<std::size_t>(
      std::search(moved.begin(), moved.end(), name.begin(), name.end()) - moved.begin() - 8);
  moved[offset + 3] = 0x7F;
  const auto reader = OpenXls(moved);
  EXPECT_THROW(reader->readSheet(0), WorkbookError);
  EXPECT_EQ(reader->readSheet(1).cells().size(), 1u);

  // A record that runs past the end of the stream.
  EXPECT_THROW(Read(Bytes(stream.begin(), stream.end() - 6), 1), WorkbookError);
}

}  // namespace
