#pragma once
// A failure that carries an error number and a description, as the error report shows them.

#include "described_error.h"

namespace brelloquin::shell {

// The generic failure code (E_FAIL); a workbook that cannot be opened fails with it.
inline constexpr long kE_FAIL = -2147467259;

class NumberedError : public DescribedError {
 public:
  NumberedError(long number, const QString& description)
      : DescribedError(description), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

}  // namespace brelloquin::shell
