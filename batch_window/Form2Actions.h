#pragma once
// The batch window's run without the window: every workbook of the list converted whole, with
// the progress and the yields the window shows, then "Done.". The window and brelloquin-cli
// both call it.

#include <QString>
#include <QStringList>
#include <functional>

#include "modDBF.h"
#include "shell/message_presenter.h"

namespace brelloquin::Form2Actions {

// What the run needs from the list it works through.
struct BatchRunHost {
  // The entries of the list as they are at this moment.
  std::function<QStringList()> entries;
  // The busy pointer on (true) and off.
  std::function<void(bool)> setBusy = [](bool) {};
  // Lets the window process its messages; the list may change meanwhile.
  std::function<void()> yield = [] {};
  // The progress bar, 0 to 100.
  std::function<void(int)> setProgress = [](int) {};
  // Told the workbook before it is converted.
  std::function<void(const QString&)> starting = [](const QString&) {};
};

// PushButton2_Click: empties UsedOutputNames once, converts the entries listed at the start in
// order (a workbook, "Yes", "dBase III", all characters), skipping an entry that has left the
// list while the run yielded, and says "Done.". Returns what the conversions did together.
ConversionResult RunBatch(modDBF& engine, shell::MessagePresenter& presenter,
                          const BatchRunHost& host);

}  // namespace brelloquin::Form2Actions
