#pragma once
// Records messages instead of showing boxes, so no test blocks on a modal box.

#include <QString>
#include <QStringList>
#include <vector>

#include "shell/message_presenter.h"

namespace brelloquin::testing {

struct Message {
  QString text;
  int style;
  QString title;
};

class RecordingPresenter : public shell::MessagePresenter {
 public:
  void Show(const QString& text, int style, const QString& title) override {
    messages.push_back({text, style, title});
  }
  void Warn(const QString& text) override { warnings.push_back(text); }
  std::vector<Message> messages;
  QStringList warnings;
};

}  // namespace brelloquin::testing
