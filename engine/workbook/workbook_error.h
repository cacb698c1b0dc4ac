#pragma once
// The failure of a workbook reader: a description for the user and a reason a caller can act on.

#include <QString>

#include "described_error.h"

namespace brelloquin::workbook {

class WorkbookError : public DescribedError {
 public:
  enum class Reason {
    Damaged,         // a workbook whose content is broken or cut short
    Encrypted,       // password-protected or encrypted: it opens only with its password
    Unsupported,     // no workbook, or a kind this program does not read (.xlsb, .ods, Excel 2.x)
    NotFound,        // nothing at the path
    NotRegularFile,  // a folder, pipe, socket or device
    Unreadable,      // the system refused to open or read the file
    NoSuchSheet,     // a sheet number past the workbook's last sheet
  };

  // Damage, the reason of most failures.
  explicit WorkbookError(const QString& description)
      : WorkbookError(Reason::Damaged, description) {}
  WorkbookError(Reason reason, const QString& description)
      : DescribedError(description), reason_(reason) {}

  // The one failure of a password-protected or encrypted workbook, whichever format it is in.
  static WorkbookError Encrypted() {
    return {Reason::Encrypted, QStringLiteral("The workbook is password-protected or encrypted.")};
  }

  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

}  // namespace brelloquin::workbook
