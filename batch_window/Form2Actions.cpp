#include "batch_window/Form2Actions.h"

#include <algorithm>

#include "shell/error_report.h"

namespace brelloquin::Form2Actions {

ConversionResult RunBatch(modDBF& engine, shell::MessagePresenter& presenter,
                          const BatchRunHost& host) {
  ConversionResult result;
  shell::Steps steps(presenter,
                     shell::Location(QStringLiteral("Form2"), QStringLiteral("PushButton2_Click")));
  steps(100, [&] { host.setBusy(true); });
  steps(102, [&] { engine.UsedOutputNames.clear(); });
  QStringList run;
  steps(104, [&] { run = host.entries(); });
  for (qsizetype i = 1; i <= run.size(); ++i) {
    steps(106, [&] { host.yield(); });
    const QStringList now = host.entries();
    steps(108, [&] {
      const auto count = std::max<qsizetype>(now.size(), 1);
      host.setProgress(static_cast<int>(std::min<qsizetype>(i * 100 / count, 100)));
    });
    const QString& workbook = run[i - 1];
    // An entry removed while the run yielded is not converted (nor another in its place).
    if (!now.contains(workbook)) continue;
    host.starting(workbook);
    steps(112, [&] {
      result.Add(engine.CreateDBFFromXLS(workbook, QStringLiteral("Yes"),
                                         QStringLiteral("dBase III"), true));
    });
  }
  steps(116, [&] { host.setProgress(0); });
  steps(118, [&] { host.setBusy(false); });
  steps(120, [&] {
    presenter.Show(QStringLiteral("Done."), shell::kStylePlain, shell::kApplicationTitle);
  });
  result.reports += steps.failures();
  return result;
}

}  // namespace brelloquin::Form2Actions
