#include "shell/error_report.h"

#include <gtest/gtest.h>

#include "engine/qt_printers.h"

#include <stdexcept>

#include "data_access/data_access_error.h"
#include "engine/recording_presenter.h"

namespace brelloquin::shell {
namespace {

const QString kListSheets = QStringLiteral("in Velmorandt2/19/2015.Form1.listSheets ");

TEST(ErrorReport, TextIsExactWithAndWithoutHint) {
  EXPECT_EQ(Location(QStringLiteral("Form1"), QStringLiteral("listSheets")), kListSheets);
  EXPECT_EQ(ErrorReportText(kListSheets, QStringLiteral("Bad file"), 118, false, kE_FAIL),
            QStringLiteral("Bad file\r\nin Velmorandt2/19/2015.Form1.listSheets at line 118\r\r"
                           "Please email screenshot of this message to "
                           "support@brelloquin.example"));
  EXPECT_EQ(ErrorReportText(kListSheets, QStringLiteral("Bad file"), 104, true, -2147467259),
            QStringLiteral("Bad file\r\nin Velmorandt2/19/2015.Form1.listSheets at line 104\r"
                           "If Your Excel file is password-protected, just open it in MS Excel, "
                           "don't close and try again\r"
                           "Please email screenshot of this message to "
                           "support@brelloquin.example"));
}

TEST(ErrorReport, HintOnlyForTheGenericFailureNumber) {
  const QString other = ErrorReportText(kListSheets, QStringLiteral("x"), 100, true, 3706);
  EXPECT_TRUE(other.contains(QStringLiteral("at line 100\r\rPlease")));
  // The absolute value decides, so the positive form carries the hint as well.
  EXPECT_TRUE(ErrorReportText(kListSheets, QStringLiteral("x"), 100, true, 2147467259)
                  .contains(kPasswordHint));
}

TEST(ErrorReport, EmptyDescriptionStartsWithTheLineBreak) {
  EXPECT_TRUE(ErrorReportText(kListSheets, QString(), 100, false, 1)
                  .startsWith(QStringLiteral("\r\nin Velmorandt")));
}

TEST(Steps, ResumeNextReportsEachFailureAndGoesOn) {
  testing::RecordingPresenter presenter;
  Steps steps(presenter, Location(QStringLiteral("modDBF"), QStringLiteral("CreateDBFFromXLS")));
  std::vector<int> ran;
  steps(100, [&] { throw data_access::DataAccessError(kE_FAIL, QStringLiteral("first")); });
  steps(102, [&] { ran.push_back(102); });
  for (int pass = 0; pass < 3; ++pass) steps(104, [&] { throw std::runtime_error("in loop"); });
  ASSERT_EQ(presenter.messages.size(), 4u);
  EXPECT_EQ(ran, std::vector<int>{102});
  EXPECT_EQ(presenter.messages[0].title, QStringLiteral("Application Error"));
  EXPECT_EQ(presenter.messages[0].style, 48);
  EXPECT_TRUE(presenter.messages[0].text.startsWith(
      QStringLiteral("first\r\nin Velmorandt2/19/2015.modDBF.CreateDBFFromXLS at line 100\r\r")));
  EXPECT_TRUE(presenter.messages[3].text.startsWith(QStringLiteral("in loop\r\n")));
  // The hint belongs to two procedures only; this one never shows it.
  EXPECT_FALSE(presenter.messages[0].text.contains(kPasswordHint));
}

TEST(Steps, FailingTestsCountAsPassedAndFailingLoopTestsLeaveTheLoop) {
  testing::RecordingPresenter presenter;
  Steps steps(presenter, kListSheets);
  EXPECT_TRUE(steps.If(172, []() -> bool { throw std::runtime_error("test"); }));
  EXPECT_FALSE(steps.If(172, [] { return false; }));
  int passes = 0;
  while (steps.While(202, [&]() -> bool {
    if (++passes == 3) throw std::runtime_error("eof");
    return true;
  })) {
  }
  EXPECT_EQ(passes, 3);
  EXPECT_EQ(steps.failures(), 2);
}

TEST(Steps, EndingModeSkipsEverythingAfterTheFirstReport) {
  testing::RecordingPresenter presenter;
  Steps steps(presenter, kListSheets, true, Steps::OnFailure::End);
  bool later = false;
  steps(104, [] { throw data_access::DataAccessError(kE_FAIL, QStringLiteral("locked")); });
  steps(112, [&] { later = true; });
  EXPECT_FALSE(steps.If(130, [] { return true; }));
  EXPECT_FALSE(later);
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_TRUE(presenter.messages[0].text.contains(kPasswordHint));
}

}  // namespace
}  // namespace brelloquin::shell
