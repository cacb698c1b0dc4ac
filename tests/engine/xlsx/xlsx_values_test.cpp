#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <random>
#include <string>
#include <vector>

#include "workbook/sheet.h"
#include "workbook/xlsx_parts.h"
#include "workbook/xlsx_values.h"

namespace brelloquin::workbook::xlsx {
namespace {

TEST(XlsxValues, CellReferencesWithinTheGridOnly) {
  const auto a1 = ParseCellReference("A1");
  ASSERT_TRUE(a1);
  EXPECT_EQ(a1->row, 0u);
  EXPECT_EQ(a1->col, 0u);
  const auto last = ParseCellReference("XFD1048576");
  ASSERT_TRUE(last);
  EXPECT_EQ(last->row, kMaxRows - 1);
  EXPECT_EQ(last->col, kMaxColumns - 1);
  EXPECT_EQ(ParseCellReference("ab12")->col, 27u);
  EXPECT_EQ(ParseCellReference("A007")->row, 6u);
  for (const char* bad : {"", "A", "1", "A0", "XFE1", "A1048577", "AAAA1", "A1B", "$A$1", "A-1",
                          "A4294967297", "A99999999999999999999999"})
    EXPECT_FALSE(ParseCellReference(bad)) << bad;
}

TEST(XlsxValues, NumbersInTheCLocaleOnly) {
  EXPECT_EQ(ParseNumber(" 1.5e3\n"), 1500);
  EXPECT_EQ(ParseNumber("+2"), 2);
  EXPECT_EQ(ParseNumber("-0.25"), -0.25);
  for (const char* bad : {"", "1,5", "inf", "nan", "1e400", "0x10", "+-1", "1 2", "abc"})
    EXPECT_FALSE(ParseNumber(bad)) << bad;
}

// Short decimals take a quicker road than from_chars; every one must still be the same double.
TEST(XlsxValues, DecimalsReadToTheDoubleFromCharsGives) {
  std::mt19937_64 random(11);
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "0.1",
                                    "-0.3",
                                    "007.50",
                                    "999999999999999",
                                    "0.000000000000001",
                                    "9007199254740993",
                                    "1.",
                                    ".5"};
  for (int i = 0; i < 20000; ++i) {
    std::string digits = std::to_string(random());
    digits.resize(1 + random() % 17);
    const std::size_t point = random() % (digits.size() + 1);
    if (point > 0 && point < digits.size()) digits.insert(point, ".");
    texts.push_back((random() % 2 ? "-" : "") + digits);
  }
  for (const std::string& text : texts) {
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    const auto parsed = ParseNumber(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(expected))
        << text;
  }
}

TEST(XlsxValues, IsoDatesAsSerials) {
  EXPECT_EQ(ParseIsoDate("1899-12-30"), 0);
  EXPECT_EQ(ParseIsoDate("1900-03-01"), 61);
  EXPECT_EQ(ParseIsoDate("2024-02-29T06:00"), 45351.25);
  EXPECT_EQ(ParseIsoDate("2024-02-29 12:00:00.5+02:00"), 45351.5 + 0.5 / 86400);
  EXPECT_EQ(ParseIsoDate("T18:00:00"), 0.75);
  EXPECT_EQ(ParseIsoDate("1899-12-29T06:00:00"), -1.25);
  for (const char* bad : {"", "2023-02-29", "2024-13-01", "2024-1-01", "24:00:00", "12:60",
                          "2024-02-29T", "2024-02-29X12:00", "12:00:00Q", "2024/02/29"})
    EXPECT_FALSE(ParseIsoDate(bad)) << bad;
}

TEST(XlsxValues, RelationshipTargetsResolveToPartNames) {
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "/xl/styles.xml"), "xl/styles.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "./a/../b/./c.xml"), "xl/b/c.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "../../../x.xml"), "x.xml");
  EXPECT_EQ(ResolveTarget("", "xl/workbook.xml"), "xl/workbook.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "my%20sheet.xml"), "xl/my sheet.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "sub\\s.xml"), "xl/sub/s.xml");
}

TEST(XlsxValues, RelationshipTypesOfBothNamespaces) {
  EXPECT_TRUE(IsOfficeRelationship(
      "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet",
      "worksheet"));
  EXPECT_TRUE(IsOfficeRelationship(
      "http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet", "worksheet"));
  EXPECT_FALSE(IsOfficeRelationship(
      "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet",
      "worksheet"));
  EXPECT_FALSE(IsOfficeRelationship("worksheet", "worksheet"));
}

}  // namespace
}  // namespace brelloquin::workbook::xlsx
