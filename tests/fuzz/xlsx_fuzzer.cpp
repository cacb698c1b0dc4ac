// Feeds arbitrary bytes to the workbook opener as a file: the zip container, the workbook
// parts, the relationships, styles, shared strings and every sheet. Damaged input must end in a
// WorkbookError; a crash, a sanitizer report, a hang or an allocation the input cannot back is
// a finding.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdint>

#include "workbook/sheet.h"

using namespace brelloquin::workbook;

namespace {

// The readers open workbooks by path, as the program does: one file, removed at exit.
struct InputFile {
  QString path = QDir::temp().filePath(QStringLiteral("brelloquin-fuzz-%1.xlsx").arg(getpid()));
  ~InputFile() { QFile::remove(path); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const InputFile input;
  const QString& path = input.path;
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  try {
    const auto reader = OpenWorkbook(path);
    for (std::size_t i = 0; i < reader->sheets().size(); ++i) {
      try {
        reader->readSheet(i);
      } catch (const WorkbookError&) {
        // One damaged sheet does not keep the others from being read.
      }
    }
  } catch (const WorkbookError&) {
  }
  return 0;
}
