#include "shell/error_report.h"

#include <cstdlib>

#include "described_error.h"

namespace brelloquin::shell {

QString Location(const QString& moduleName, const QString& procedure) {
  return QStringLiteral("in Velmorandt2/19/2015.") + moduleName + u'.' + procedure + u' ';
}

QString ErrorReportText(const QString& location, const QString& description, int step,
                        bool withPasswordHint, long number) {
  const QString hint =
      withPasswordHint && std::labs(number) == std::labs(kE_FAIL) ? kPasswordHint : QString();
  return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
         QString::number(step) + u'\r' + hint + u'\r' +
         QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

void ShowErrorReport(MessagePresenter& presenter, const QString& location,
                     const QString& description, int step, bool withPasswordHint, long number) {
  presenter.Show(ErrorReportText(location, description, step, withPasswordHint, number),
                 kStyleExclamation, QStringLiteral("Application Error"));
}

void Steps::report(int step, std::exception_ptr error) {
  long number = kRuntimeErrorNumber;
  QString description;
  try {
    std::rethrow_exception(error);
  } catch (const NumberedError& e) {
    number = e.number();
    description = e.description();
  } catch (const DescribedError& e) {
    description = e.description();
  } catch (const std::exception& e) {
    description = QString::fromUtf8(e.what());
  } catch (...) {
    description = QStringLiteral("Unknown error");
  }
  ++failures_;
  ShowErrorReport(presenter_, location_, description, step, passwordHint_, number);
  if (onFailure_ == OnFailure::End) ended_ = true;
}

}  // namespace brelloquin::shell
