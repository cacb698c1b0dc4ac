#include "cli/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace brelloquin::cli {

namespace {

constexpr char kErase[] = "\r\033[K";

// A line wider than the terminal would wrap, and "\r" would no longer reach its start.
int Columns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col - 1;
  return 79;
}

}  // namespace

ProgressLine::ProgressLine() : enabled_(isatty(STDOUT_FILENO) && isatty(STDERR_FILENO)) {}

void ProgressLine::Show(const QString& text) {
  if (!enabled_ || (drawn_.isValid() && drawn_.elapsed() < 250)) return;
  const QByteArray bytes = kErase + text.left(Columns()).toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
  std::fflush(stderr);
  shown_ = true;
  drawn_.start();
}

void ProgressLine::Clear() {
  if (!shown_) return;
  std::fputs(kErase, stderr);
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace brelloquin::cli
