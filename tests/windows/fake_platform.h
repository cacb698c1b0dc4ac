#pragma once
// A platform for the window tests: an in-memory settings store, dialogs that answer what the
// test says, recorded messages, and hooks that run inside a yield or a message.

#include <QStringList>
#include <deque>
#include <functional>
#include <map>

#include "engine/recording_presenter.h"
#include "shell/platform.h"

namespace brelloquin::testing {

class FakePlatform : public shell::Platform {
 public:
  // Records the message; runs the hook first, as a user acting while a box is up would.
  class Presenter : public RecordingPresenter {
   public:
    void Show(const QString& text, int style, const QString& title) override {
      if (duringMessage) duringMessage();
      RecordingPresenter::Show(text, style, title);
    }
    std::function<void()> duringMessage;
  };

  shell::MessagePresenter& Messages() override { return messages; }
  void ShowOpen(shell::CommonDialog& dialog) override { Answer(dialog, QStringLiteral("open")); }
  void ShowSave(shell::CommonDialog& dialog) override { Answer(dialog, QStringLiteral("save")); }
  std::optional<QString> GetSetting(const QString& key) override {
    const auto found = settings.find(key);
    if (found == settings.end()) return std::nullopt;
    return found->second;
  }
  void SaveSetting(const QString& key, const QString& value) override {
    settings[key] = value;
    writes << key + u'=' + value;
  }
  bool ExcelInstalled() override { return excelInstalled; }
  QString ProgramFolder() override { return programFolder; }
  QRect ScreenGeometry() override { return screen; }
  void Yield() override {
    ++yields;
    if (duringYield) duringYield();
  }
  void EndProgram() override { ++programEnds; }

  Presenter messages;
  std::map<QString, QString> settings;
  QStringList writes;  // "key=value", in order
  // Each shown dialog takes the next answer; an empty answer cancels.
  std::deque<QString> dialogAnswers;
  // Each dialog as it was shown (title, filter, starting file name), and its kind: "open" or
  // "save".
  std::vector<shell::CommonDialog> dialogsShown;
  QStringList dialogKinds;
  bool excelInstalled = true;
  QString programFolder = QStringLiteral("/nonexistent-program-folder");
  QRect screen{0, 0, 1024, 768};
  std::function<void()> duringYield;
  int yields = 0;
  int programEnds = 0;

 private:
  void Answer(shell::CommonDialog& dialog, const QString& kind) {
    dialogsShown.push_back(dialog);
    dialogKinds << kind;
    QString answer;
    if (!dialogAnswers.empty()) {
      answer = dialogAnswers.front();
      dialogAnswers.pop_front();
    }
    if (!answer.isEmpty()) dialog.FileName = answer;
  }
};

}  // namespace brelloquin::testing
