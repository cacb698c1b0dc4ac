#pragma once
// Messages of the command line: reports and refusals on standard error, results on standard
// output.

#include <cstdio>

#include "shell/message_presenter.h"

namespace brelloquin::cli {

class ConsolePresenter : public shell::MessagePresenter {
 public:
  void Show(const QString& text, int style, const QString& title) override;
  // Reports and refusals shown so far; the exit status is 0 only when there were none.
  int problems() const { return problems_; }

 private:
  int problems_ = 0;
};

// Writes text as UTF-8; a box's line breaks (CR LF, or CR alone) become LF.
void WriteLine(std::FILE* stream, const QString& text);

}  // namespace brelloquin::cli
