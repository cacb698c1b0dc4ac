#include "cli/console_presenter.h"

#include <QRegularExpression>

namespace brelloquin::cli {

void WriteLine(std::FILE* stream, const QString& text) {
  static const QRegularExpression kBreak(QStringLiteral("\r\n?"));
  QString lines = text;
  lines.replace(kBreak, QStringLiteral("\n"));
  const QByteArray bytes = lines.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

void ConsolePresenter::Show(const QString& text, int style, const QString&) {
  if (style != shell::kStyleExclamation) return Result(text);
  ++problems_;
  progress_.Clear();
  WriteLine(stderr, text);
}

void ConsolePresenter::Warn(const QString& text) {
  progress_.Clear();
  WriteLine(stderr, text);
}

void ConsolePresenter::Result(const QString& text) {
  if (quiet_) return;
  progress_.Clear();
  WriteLine(stdout, text);
}

}  // namespace brelloquin::cli
