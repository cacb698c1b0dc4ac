#pragma once
// A failure that carries an error number and a description, as the error report shows them.

#include <QString>
#include <stdexcept>

namespace brelloquin::shell {

// The generic failure code (E_FAIL); a workbook that cannot be opened fails with it.
inline constexpr long kE_FAIL = -2147467259;

class NumberedError : public std::runtime_error {
 public:
  NumberedError(long number, const QString& description)
      : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
  long number() const { return number_; }
  const QString& description() const { return description_; }

 private:
  long number_;
  QString description_;
};

}  // namespace brelloquin::shell
