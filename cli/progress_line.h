#pragma once
// A progress line for a person at a terminal: written on standard error and rewritten in place
// ("\r"), at most four times a second, and erased before anything else is written and at the
// end. Off unless standard output and standard error are both terminals, so that pipes, files
// and scripts see no trace of it.

#include <QElapsedTimer>
#include <QString>

namespace brelloquin::cli {

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Shows text unless the line was drawn less than a quarter of a second ago.
  void Show(const QString& text);
  // Erases the line, if shown.
  void Clear();

 private:
  bool enabled_;
  bool shown_ = false;
  QElapsedTimer drawn_;
};

}  // namespace brelloquin::cli
