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
  // The texts of the messages shown so far.
  QStringList Texts() const {
    QStringList texts;
    for (const auto& message : messages.messages) texts << message.text;
    return texts;
  }
  void ShowOpen(shell::CommonDialog& dialog) override { Answer(dialog, QStringLiteral("open")); }
  void ShowSave(shell::CommonDialog& dialog) override { Answer(dialog, QStringLiteral("save")); }
  QString BrowseForFolder(const QString& title) override {
    folderTitles << title;
    return Next(folderAnswers);
  }
  QString InputBox(const QString& prompt, const QString& defaultAnswer) override {
    prompts << prompt;
    promptDefaults << defaultAnswer;
    return Next(promptAnswers);
  }
  bool AskYesNo(const QString& question) override {
    questions << question;
    return answerYes;
  }
  void OpenFolder(const QString& folder) override { openedFolders << folder; }
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
  // The folder browser and the text prompt take their next answer; none left cancels.
  std::deque<QString> folderAnswers;
  QStringList folderTitles;
  std::deque<QString> promptAnswers;
  QStringList prompts;
  QStringList promptDefaults;
  QStringList questions;
  bool answerYes = false;
  QStringList openedFolders;
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
    const QString answer = Next(dialogAnswers);
    if (!answer.isEmpty()) dialog.FileName = answer;
  }
  static QString Next(std::deque<QString>& answers) {
    if (answers.empty()) return QString();
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace brelloquin::testing
