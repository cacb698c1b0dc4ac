#pragma once
// How messages reach the user: a message box in the windows, standard error in the command
// line, a recorder in tests.

#include <QString>

namespace brelloquin::shell {

// Message box styles as the windows use them.
enum MessageStyle : int {
  kStylePlain = 0,
  kStyleExclamation = 48,
  kStyleInformation = 64,
};

inline const QString kApplicationTitle = QStringLiteral("Brelloquin");

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Returns when the user has seen the message (a modal box is closed).
  virtual void Show(const QString& text, int style, const QString& title) = 0;
  // A table was written, but some of its values were changed on the way (characters the code
  // page lacks, cells that could not be read): the user must hear of it, yet it is neither a
  // report nor a refusal.
  virtual void Warn(const QString& text) { Show(text, kStyleExclamation, kApplicationTitle); }
};

}  // namespace brelloquin::shell
