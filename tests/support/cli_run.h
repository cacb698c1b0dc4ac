#pragma once
// Runs brelloquin-cli as a user or a script does and keeps what it said.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace brelloquin::testing {

struct CliRun {
  int status;
  QString out;
  QString err;
};

// The command line with these arguments, its output read from pipes.
inline CliRun Cli(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(BRELLOQUIN_CLI), arguments);
  process.waitForFinished(120000);
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace brelloquin::testing
