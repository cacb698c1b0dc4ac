// Real workbooks: the shared corpus (read in place, never copied) and the fixtures that
// make_xls_twins.sh makes. The values checked were compared with LibreOffice's CSV export.

#include <gtest/gtest.h>


#include "support/corpus.h"
#include "workbook/sheet.h"
#include "xls_test_support.h"

using namespace brelloquin::workbook;
using namespace xls_test;

namespace {

const QString kCorpus = QStringLiteral(BRELLOQUIN_CORPUS_DIR "/");
const QString kFixtures = QStringLiteral(BRELLOQUIN_SOURCE_DIR "/tests/fixtures/");

SheetData Sheet0(const QString& path) { return OpenWorkbook(path)->readSheet(0); }

TEST(XlsCorpus, SpotValues) {
  SKIP_WITHOUT_CORPUS();
  const SheetData formate = Sheet0(kCorpus + "xlrd-samples/Formate.xls");
  EXPECT_EQ(At(formate, 1, 0), "T:Äcker");
  EXPECT_EQ(At(formate, 0, 1), "D:2741");  // 1907-07-03
  const SheetData mac = Sheet0(kCorpus + "calamine-tests/date_1904.xls");
  EXPECT_EQ(At(mac, 0, 0), "D:44197");  // 2021-01-01
  // BIFF5 from another program, and a bare BIFF4 worksheet stream.
  EXPECT_EQ(Describe(Sheet0(kCorpus + "calamine-tests/biff5_write.xls")),
            "R0C0=N:1 R0C1=N:2 R0C2=N:3 R1C0=B:1 R1C1=B:0 R1C3=T:sheetjs R2C0=T:foo R2C1=T:bar "
            "R2C2=D:41689.60417 R2C3=T:0.3 R3C0=T:baz R3C2=T:qux");
  const SheetData biff4 = Sheet0(kCorpus + "xlrd-samples/biff4_no_format_no_window2.xls");
  EXPECT_EQ(biff4.cells().size(), 69u);
  EXPECT_EQ(At(biff4, 1, 1), "T:DOG & CAT PRODUCTS");

  const auto cyrillic = OpenWorkbook(kCorpus + "xlrd-samples/corrupted_error.xls");
  EXPECT_EQ(cyrillic->sheets().at(0).name, QStringLiteral(u"Трубы ВГП"));
  EXPECT_EQ(At(cyrillic->readSheet(0), 0, 0), "T:ПРАЙС-ЛИСТ");
  const auto visibility = OpenWorkbook(kCorpus + "calamine-tests/any_sheets.xls");
  ASSERT_EQ(visibility->sheets().size(), 3u);  // the chart sheet is left out
  EXPECT_TRUE(visibility->sheets()[2].hidden);
}

// 2024-02-29, 1999-12-31 18:30, 06:15, a percentage, =A1+1, a string result, 1/0, a Boolean,
// "" (nothing), shared formulas, an array formula. The 1904 workbook holds the same dates, and
// the same time of day alone.
TEST(XlsFixtures, FormulaResultsAndDatesInBothDateSystems) {
  for (const char* name : {"xls_formulas.xls", "xls_formulas_1904.xls"}) {
    std::string expected = std::string("R0C0=D:45351 R0C1=D:36525.77083 R0C2=D:0.2604166667") +
                           " R0C3=N:0.125 R0C4=N:2.5 R0C5=T:plain R1C0=D:45352 R1C1=T:abcdef "
                           "R1C2=E:0 R1C3=B:1 R1C5=N:10";
    for (int n = 3; n <= 8; ++n)
      expected += QStringLiteral(" R%1C0=N:%2 R%1C1=N:%3 R%1C2=T:%4")
                      .arg(n - 1)
                      .arg(n)
                      .arg(2 * n)
                      .arg(QString(n, u'x'))
                      .toStdString();
    EXPECT_EQ(Describe(Sheet0(kFixtures + name)), expected + " R8C0=N:330") << name;
  }
}

TEST(XlsFixtures, SharedStringsRunningThroughContinueRecords) {
  std::string expected;
  for (int n = 1; n <= 600; ++n)
    expected += QStringLiteral(
                    u" R%1C0=T:Latin string number %2 of the table R%1C1=T:Строка %2 "
                    u"— ελληνικά %2 R%1C2=N:%2")
                    .arg(n - 1)
                    .arg(n)
                    .toStdString();
  EXPECT_EQ(Describe(Sheet0(kFixtures + "xls_long_sst.xls")), expected.substr(1));
}

TEST(XlsFixtures, Biff5InCodePage1251AndATwin) {
  const auto biff5 = OpenWorkbook(kFixtures + "xls_biff5_1251.xls");
  EXPECT_EQ(biff5->sheets().at(0).name, QStringLiteral(u"Лист.csv"));
  EXPECT_EQ(Describe(biff5->readSheet(0)),
            "R0C0=T:Имя R0C1=T:Число R0C2=T:Дата R1C0=T:Привет мир R1C1=N:42 R1C2=D:45351 "
            "R2C0=T:Ёжик в тумане R2C1=N:3.5 R2C2=D:36525");
  const SheetData twin = Sheet0(kFixtures + "twin_basic.xls");
  EXPECT_EQ(At(twin, 2, 1) + At(twin, 1, 3), "T:БорисD:29358");  // 1980-05-17
}

}  // namespace
