// How long a window would go without repainting while a sheet converts: converts one sheet
// with a yield that notes the time, and prints the longest stretch between two yields (from
// the start to the first and from the last to the end included).
//
// Usage: brelloquin-bench-yield-gaps WORKBOOK SHEET OUT.dbf

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "main_window/Form1Actions.h"
#include "shell/message_presenter.h"

namespace {

class QuietPresenter : public brelloquin::shell::MessagePresenter {
 public:
  void Show(const QString&, int, const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 4) {
    std::fputs("usage: brelloquin-bench-yield-gaps WORKBOOK SHEET OUT.dbf\n", stderr);
    return 2;
  }
  QuietPresenter presenter;
  QElapsedTimer clock;
  qint64 last = 0, longest = 0, yields = 0;
  const auto noteYield = [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
    ++yields;
  };
  brelloquin::modDBF engine(brelloquin::EngineHost{presenter, [] { return false; }, noteYield});
  clock.start();
  const auto result = brelloquin::Form1Actions::StartConverting(
      engine, presenter, {args[1], args[3], args[2], true, false, false, false});
  noteYield();
  std::printf("yield gaps: longest %lld ms, %lld yields in %lld ms (%s)\n",
              static_cast<long long>(longest), static_cast<long long>(yields - 1),
              static_cast<long long>(last),
              result.outcome == brelloquin::ConversionOutcome::Written ? "written" : "not written");
  return 0;
}
