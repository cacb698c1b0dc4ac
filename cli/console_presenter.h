#pragma once
// Messages of the command line: reports and refusals on standard error, results on standard
// output.

#include <cstdio>

#include "cli/progress_line.h"
#include "shell/message_presenter.h"

namespace brelloquin::cli {

// The exit statuses besides 0, 1 (a report or refusal) and 2 (wrong usage).
inline constexpr int kExitValuesChanged = 3;  // written, but characters replaced or cells unread
inline constexpr int kExitEmptySheet = 4;     // convert: the sheet is empty, nothing written

class ConsolePresenter : public shell::MessagePresenter {
 public:
  void Show(const QString& text, int style, const QString& title) override;
  void Warn(const QString& text) override;
  // A result on standard output, unless quiet.
  void Result(const QString& text);
  // Reports and refusals shown so far.
  int problems() const { return problems_; }
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  // Erased before each message, so that no message lands inside it.
  ProgressLine& progress() { return progress_; }

 private:
  int problems_ = 0;
  bool quiet_ = false;
  ProgressLine progress_;
};

// Writes text as UTF-8; a box's line breaks (CR LF, or CR alone) become LF.
void WriteLine(std::FILE* stream, const QString& text);

}  // namespace brelloquin::cli
