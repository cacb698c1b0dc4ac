#pragma once
// The one "Application Error" report and the numbered statements that show it.

#include <QString>
#include <exception>
#include <utility>

#include "shell/message_presenter.h"
#include "shell/numbered_error.h"

namespace brelloquin::shell {

inline const QString kSupportAddress = QStringLiteral("support@brelloquin.example");
inline const QString kPasswordHint = QStringLiteral(
    "If Your Excel file is password-protected, just open it in MS Excel, don't close and try "
    "again");

// Location strings of the reporting procedures.
QString Location(const QString& moduleName, const QString& procedure);

QString ErrorReportText(const QString& location, const QString& description, int step,
                        bool withPasswordHint, long number);

void ShowErrorReport(MessagePresenter& presenter, const QString& location,
                     const QString& description, int step, bool withPasswordHint, long number);

// Error number for failures that are not the data-access layer's (the runtime's
// "Invalid procedure call or argument").
inline constexpr long kRuntimeErrorNumber = 5;

// Runs the numbered statements of one reporting procedure under one handler: a statement that
// throws shows the report with its number and the procedure goes on with the next one; in the
// ending mode (the sheet listing) every statement after the first failure is skipped.
class Steps {
 public:
  enum class OnFailure { ResumeNext, End };

  Steps(MessagePresenter& presenter, QString location, bool passwordHint = false,
        OnFailure onFailure = OnFailure::ResumeNext)
      : presenter_(presenter),
        location_(std::move(location)),
        passwordHint_(passwordHint),
        onFailure_(onFailure) {}

  // One statement; true when it ran without failure.
  template <class Body>
  bool operator()(int step, Body&& body) {
    if (ended_) return false;
    try {
      body();
      return true;
    } catch (...) {
      report(step, std::current_exception());
      return false;
    }
  }

  // An "if" test: a test that fails counts as passed, so the statements under it run next.
  template <class Condition>
  bool If(int step, Condition&& condition) {
    bool result = !ended_;
    (*this)(step, [&] { result = condition(); });
    return result && !ended_;
  }

  // A loop test: a test that fails leaves the loop, so no failure repeats without end.
  template <class Condition>
  bool While(int step, Condition&& condition) {
    bool result = false;
    (*this)(step, [&] { result = condition(); });
    return result;
  }

  int failures() const { return failures_; }
  bool ended() const { return ended_; }

 private:
  void report(int step, std::exception_ptr error);

  MessagePresenter& presenter_;
  QString location_;
  bool passwordHint_;
  OnFailure onFailure_;
  int failures_ = 0;
  bool ended_ = false;
};

}  // namespace brelloquin::shell
