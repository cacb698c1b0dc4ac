// How format codes are read: the kind of each, and the pieces of elapsed-time formats.

#include "workbook/number_format.h"

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

namespace brelloquin::workbook {
namespace {

TEST(NumberFormatCodes, KindFromTheFirstSectionOutsideLiteralsAndBrackets) {
  const std::pair<const char*, FormatKind> cases[] = {
      {"General", FormatKind::Number},
      {"0.00E+00", FormatKind::Number},
      {"[Red]0.00;[Magenta]-0.00", FormatKind::Number},
      {"\"Day \"0", FormatKind::Number},
      {"0;-0;\"h\"d", FormatKind::Number},  // later sections do not count
      {"yyyy-mm-dd", FormatKind::Date},
      {"mmm-yy", FormatKind::Date},
      {"[$-409]dddd, mmmm d", FormatKind::Date},
      {"m/d/yyyy h:mm", FormatKind::Date},
      {"hh:mm", FormatKind::Time},
      {"mm:ss", FormatKind::Time},  // minutes, not a month, before seconds
      {"h:mm AM/PM", FormatKind::Time},
      {"[$-409]h:mm:ss a/p", FormatKind::Time},
      {"[h]:mm:ss", FormatKind::Elapsed},
      {"[MM]:SS.0", FormatKind::Elapsed},
      {"\"took \"[s]\" s\"", FormatKind::Elapsed},
  };
  for (const auto& [code, kind] : cases)
    EXPECT_EQ(ClassifyFormatCode(QString::fromUtf8(code)).kind, kind) << code;
  EXPECT_EQ(BuiltinNumberFormat(14).kind, FormatKind::Date);
  EXPECT_EQ(BuiltinNumberFormat(21).kind, FormatKind::Time);
  EXPECT_EQ(BuiltinNumberFormat(46).kind, FormatKind::Elapsed);
  EXPECT_EQ(BuiltinNumberFormat(2).kind, FormatKind::Number);
}

TEST(NumberFormatCodes, ElapsedTextFollowsThePieces) {
  const double spent = 10 + (15 * 3600 + 10 * 60 + 10) / 86400.0;
  const auto text = [](const char* code, double days) {
    return ElapsedText(days, ClassifyFormatCode(QString::fromUtf8(code)).elapsed);
  };
  EXPECT_EQ(text("[hh]:mm:ss", 1.0 / 24), QStringLiteral("01:00:00"));
  EXPECT_EQ(text("[h]:mm:ss.000", spent + 0.25 / 86400), QStringLiteral("255:10:10.250"));
  EXPECT_EQ(text("[h]", spent), QStringLiteral("255"));  // whole hours, not rounded up
  EXPECT_EQ(text("[h]:mm:ss", 59.6 / 86400), QStringLiteral("0:01:00"));
  EXPECT_EQ(text("[h]:mm:ss", -spent), QStringLiteral("-255:10:10"));
  EXPECT_EQ(text("[h]:mm:ss", -0.1 / 86400), QStringLiteral("0:00:00"));  // no "-0"
}

}  // namespace
}  // namespace brelloquin::workbook
