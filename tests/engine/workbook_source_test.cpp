#include "workbook_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "engine/qt_printers.h"

#include "data_access/connection_string.h"
#include "data_access/variant.h"
#include "data_access/workbook_provider.h"

namespace brelloquin {
namespace {

TEST(WorkbookConnectionString, JetForXlsInAnyCaseAceOtherwise) {
  EXPECT_EQ(WorkbookConnectionString(QStringLiteral("C:\\data\\book.XLS"), QStringLiteral("Yes")),
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= C:\\data\\book.XLS;"
                           "Extended Properties=\"Excel 8.0;HDR=Yes;IMEX=1\""));
  EXPECT_TRUE(IsXlsPath(QStringLiteral("book.xls")));
  EXPECT_TRUE(IsXlsPath(QStringLiteral("Book.Xls")));
  EXPECT_FALSE(IsXlsPath(QStringLiteral("book.xlsx")));
  EXPECT_FALSE(IsXlsPath(QStringLiteral("book.xlsm")));
  // The last "."-piece lies in the folder name: not an .xls path.
  EXPECT_FALSE(IsXlsPath(QStringLiteral("C:\\data.xls\\book")));
  EXPECT_EQ(WorkbookConnectionString(QStringLiteral("/d/b.xlsx"), QStringLiteral("No")),
            QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source= /d/b.xlsx;"
                           "Extended Properties=\"Excel 12.0;HDR=No;IMEX=1\""));
}

TEST(ConnectionString, QuotedValuesAndLeadingBlanks) {
  const auto parsed = data_access::ConnectionString::Parse(
      WorkbookConnectionString(QStringLiteral("/d/My Book.xlsx"), QStringLiteral("YES")));
  EXPECT_EQ(parsed.value(QStringLiteral("provider")), QStringLiteral("Microsoft.ACE.OLEDB.12.0"));
  EXPECT_EQ(parsed.value(QStringLiteral("Data Source")), QStringLiteral("/d/My Book.xlsx"));
  EXPECT_EQ(parsed.value(QStringLiteral("Extended Properties")),
            QStringLiteral("Excel 12.0;HDR=YES;IMEX=1"));
  const auto dbase = data_access::ConnectionString::Parse(QStringLiteral(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/out/;Extended Properties=dBase IV;"));
  EXPECT_EQ(dbase.value(QStringLiteral("Extended Properties")), QStringLiteral("dBase IV"));
  EXPECT_FALSE(dbase.has(QStringLiteral("Password")));
}

TEST(ConnectionString, HostileValuesStayOneValueAndReadBackExactly) {
  using data_access::ConnectionString;
  using data_access::ConnectionStringValue;
  // Values that read back as they are go in unchanged.
  for (const char* plain : {"/d/My Book.xlsx", "C:\\a=b\\book.xls", "dBase IV", ""})
    EXPECT_EQ(ConnectionStringValue(QString::fromUtf8(plain)), QString::fromUtf8(plain));
  EXPECT_EQ(WorkbookConnectionString(QStringLiteral("/a;b/book.xlsx"), QStringLiteral("Yes")),
            QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source= \"/a;b/book.xlsx\";"
                           "Extended Properties=\"Excel 12.0;HDR=Yes;IMEX=1\""));
  for (const char* hostile :
       {"/t/x;Data Source=/t/evil/book.xlsx", "/t/Q1;Q2 reports/book.xls", "/t/say \"hi\".xlsx",
        "\"", ";", " /t/lead", "/t/trail.xlsx ", "'/t/quoted'.xlsx", "/t/a;Provider=vfpoledb.1",
        "/t/x\";Extended Properties=dBase IV;\".xls"}) {
    const QString path = QString::fromUtf8(hostile);
    const auto workbook =
        ConnectionString::Parse(WorkbookConnectionString(path, QStringLiteral("Yes")));
    EXPECT_EQ(workbook.value(QStringLiteral("Data Source")), path) << hostile;
    EXPECT_EQ(workbook.value(QStringLiteral("Extended Properties")),
              IsXlsPath(path) ? QStringLiteral("Excel 8.0;HDR=Yes;IMEX=1")
                              : QStringLiteral("Excel 12.0;HDR=Yes;IMEX=1"))
        << hostile;
    EXPECT_EQ(workbook.value(QStringLiteral("Provider")),
              IsXlsPath(path) ? QStringLiteral("Microsoft.Jet.OLEDB.4.0")
                              : QStringLiteral("Microsoft.ACE.OLEDB.12.0"))
        << hostile;
    const auto rows = ConnectionString::Parse(QStringLiteral("Provider=vfpoledb.1;Data Source=") +
                                              ConnectionStringValue(path) +
                                              QStringLiteral(";Collating Sequence=machine;"));
    EXPECT_EQ(rows.value(QStringLiteral("Data Source")), path) << hostile;
    EXPECT_EQ(rows.value(QStringLiteral("Provider")), QStringLiteral("vfpoledb.1")) << hostile;
    EXPECT_EQ(rows.value(QStringLiteral("Collating Sequence")), QStringLiteral("machine"))
        << hostile;
  }
}

TEST(ListedSheetName, QuotesWhatIsNotALetterDigitUnderscoreOrNumberSign) {
  using data_access::ListedSheetName;
  EXPECT_EQ(ListedSheetName(QStringLiteral("Sheet1")), QStringLiteral("Sheet1$"));
  EXPECT_EQ(ListedSheetName(QStringLiteral("Q1 Data")), QStringLiteral("'Q1 Data$'"));
  EXPECT_EQ(ListedSheetName(QStringLiteral("Jan/Feb")), QStringLiteral("'Jan/Feb$'"));
  EXPECT_EQ(ListedSheetName(QStringLiteral(".Data")), QStringLiteral("#Data$"));
  EXPECT_EQ(ListedSheetName(QStringLiteral("2014")), QStringLiteral("'2014$'"));
  EXPECT_EQ(ListedSheetName(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien$'"));
  EXPECT_EQ(ListedSheetName(QStringLiteral("Отчёт")), QStringLiteral("Отчёт$"));
}

TEST(TextForm, NumbersAsPercent15GAndDates) {
  using data_access::DateText;
  using data_access::NumberText;
  EXPECT_EQ(NumberText(12.5), QStringLiteral("12.5"));
  EXPECT_EQ(NumberText(-0.001), QStringLiteral("-0.001"));
  EXPECT_EQ(NumberText(0.0001), QStringLiteral("0.0001"));
  EXPECT_EQ(NumberText(0.00001), QStringLiteral("1E-05"));
  EXPECT_EQ(NumberText(1e15), QStringLiteral("1E+15"));
  EXPECT_EQ(NumberText(123456789012345.0), QStringLiteral("123456789012345"));
  EXPECT_EQ(NumberText(-0.0), QStringLiteral("0"));
  EXPECT_EQ(NumberText(0.1 + 0.2), QStringLiteral("0.3"));
  EXPECT_EQ(DateText(45000), QStringLiteral("2023-03-15"));
  EXPECT_EQ(DateText(45000.5), QStringLiteral("2023-03-15 12:00:00"));
  EXPECT_EQ(DateText(0.75), QStringLiteral("18:00:00"));
  // A time a hair below the next second rounds to it, not down to a wrong second.
  EXPECT_EQ(DateText(45000 + 59.9999999 / 86400), QStringLiteral("2023-03-15 00:01:00"));
  // Counted from 1899-12-30: the readers have already mended the spreadsheet's early serials.
  EXPECT_EQ(DateText(1), QStringLiteral("1899-12-31"));
  // Beyond 9999-12-31 no date can be written: the serial stands as a number.
  EXPECT_EQ(DateText(2958466), QStringLiteral("2958466"));
  EXPECT_EQ(DateText(-657434.5), QStringLiteral("-657434.5"));
}

TEST(TextForm, WholeNumbersAsPercent15GOnBothSidesOf15Digits) {
  for (const double value :
       {1.0, -42.0, 100.0, 1e14, 999999999999999.0, -999999999999999.0, 1e15, -1e15, 1e15 + 2,
        1234567890123456.0, 1e16, 4503599627370497.0, 9007199254740993.0, 1e300}) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", value);
    EXPECT_EQ(data_access::NumberText(value), QString::fromLatin1(expected)) << expected;
  }
}

TEST(TextForm, DatesRoundingPastEitherEndOfTheRangeNeverWrap) {
  using data_access::DateText;
  EXPECT_EQ(DateText(2958465.5), QStringLiteral("9999-12-31 12:00:00"));
  EXPECT_EQ(DateText(2958465.999999), QStringLiteral("9999-12-31 23:59:59"));
  EXPECT_EQ(DateText(2958465.99999999), QStringLiteral("9999-12-31 23:59:59"));
  EXPECT_EQ(DateText(-657434), QStringLiteral("0100-01-01"));
  EXPECT_EQ(DateText(-657433.99999999), QStringLiteral("0100-01-01"));
  EXPECT_EQ(DateText(-657433.5), QStringLiteral("0100-01-01 12:00:00"));
  EXPECT_EQ(data_access::Variant::Boolean(true).Text(), QStringLiteral("True"));
  EXPECT_EQ(data_access::Variant::Boolean(false).Text(), QStringLiteral("False"));
}

TEST(TextForm, NumbersMatchPrintfForEveryMagnitude) {
  std::mt19937_64 random(7);
  std::vector<double> values{
      0.1, 1.0 / 3, 2.0 / 3, 1e15, 999999999999999.0, 1e14 + 0.5, 1e-5, 1.5e-4, 123.456, 5e-324,
      1.7976931348623157e308, 0.30000000000000004,
      // Decimals as typed in, near the ends of the fixed notation and of 15 digits.
      1234.56, -9876.5432, 0.0001, -0.00015, 0.00010000000000000002, 99999999999999.98,
      99999999999999.9, 0.7 + 0.1, 4.35, 1.0000000000000002, 123456789.12345678};
  for (int i = 0; i < 20000; ++i) {
    const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
    const int exponent = std::uniform_int_distribution<int>(-30, 30)(random);
    values.push_back(i % 3 == 0 ? std::round(mantissa * 1000) / 1000
                                : mantissa * std::pow(10.0, exponent));
    values.push_back(static_cast<double>(static_cast<long long>(random() >> 12)));
    // A few to many places, at magnitudes from units to billions.
    const double places = std::pow(10.0, i % 14), scale = std::pow(10.0, i % 10);
    const double typed = std::round(mantissa * scale * places) / places;
    if (typed != 0) values.push_back(typed);                // "-0" is written "0", unlike printf
    if (i % 100 == 0) values.push_back(mantissa * 1e-310);  // subnormal
  }
  for (const double value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", value);
    ASSERT_EQ(data_access::NumberText(value), QString::fromLatin1(expected)) << expected;
  }
}

TEST(TextForm, LengthWithoutTextMatchesTheText) {
  using data_access::Variant;
  for (const Variant& v :
       {Variant::Double(12.5), Variant::Double(-1e-300), Variant::Double(123456789012345.0),
        Variant::Double(1.0 / 3), Variant::Date(45000), Variant::Date(45000.25), Variant::Date(0.5),
        Variant::Date(0), Variant::Date(9e6), Variant::Date(2958465.99999999),
        Variant::Date(2958465.999999), Variant::Date(-657433.99999999), Variant::Date(-657434.5),
        Variant::Boolean(false), Variant::String(QStringLiteral("ab")), Variant()})
    EXPECT_EQ(v.TextLength(), v.Text().size()) << v.Text().toStdString();
}

}  // namespace
}  // namespace brelloquin
