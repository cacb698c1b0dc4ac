#pragma once
// Messages of the command line: reports and refusals on standard error, results on standard
// output.

#include <cstdio>

#include "shell/message_presenter.h"

namespace brelloquin::cli {

class ConsolePresenter : public shell::MessagePresenter {
 public:
  void Show(const QString& text, int style, const QString& title) override;
  void Warn(const QString& text) override;
  // Reports and refusals shown so far.
  int problems() const { return problems_; }
  // 0 when nothing was said but results, 1 after a report or refusal, 3 when everything was
  // written but some values were changed on the way.
  int ExitStatus() const { return problems_ > 0 ? 1 : warnings_ > 0 ? 3 : 0; }

 private:
  int problems_ = 0;
  int warnings_ = 0;
};

// Writes text as UTF-8; a box's line breaks (CR LF, or CR alone) become LF.
void WriteLine(std::FILE* stream, const QString& text);

}  // namespace brelloquin::cli
