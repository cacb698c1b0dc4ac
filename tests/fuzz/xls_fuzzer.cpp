// Feeds arbitrary bytes to the .xls reader: through the compound file when they carry its
// signature, otherwise straight to the workbook-stream reader, then reads every sheet.
//
// When BRELLOQUIN_FUZZ_STREAMS names a folder, the workbook stream of each compound input is
// also written there, so that scripts/fuzz can seed the raw-stream path from real workbooks.

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "workbook/cfb.h"
#include "workbook/xls_reader.h"

using namespace brelloquin::workbook;

namespace {

void ReadEverySheet(std::vector<std::uint8_t> stream) {
  const auto reader = OpenXls(std::move(stream));
  for (std::size_t i = 0; i < reader->sheets().size(); ++i) {
    try {
      reader->readSheet(i);
    } catch (const WorkbookError&) {
      // One damaged sheet leaves the others readable.
    }
  }
}

void SaveStream(const std::vector<std::uint8_t>& stream) {
  const QString folder = qEnvironmentVariable("BRELLOQUIN_FUZZ_STREAMS");
  if (folder.isEmpty()) return;
  QFile file(QDir(folder).filePath(QString::number(qHash(QByteArrayView(stream)), 16)));
  if (file.open(QIODevice::WriteOnly))
    file.write(reinterpret_cast<const char*>(stream.data()), static_cast<qint64>(stream.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    std::vector<std::uint8_t> bytes(data, data + size);
    if (!cfb::HasSignature(data, size)) {
      ReadEverySheet(std::move(bytes));
      return 0;
    }
    cfb::CompoundFile file(std::move(bytes));
    for (const char* name : {"Workbook", "Book"}) {
      if (!file.hasStream(QLatin1String(name))) continue;
      std::vector<std::uint8_t> stream = file.readStream(QLatin1String(name));
      // Taking the stream out of the file's bytes must give the same bytes as reading it.
      if (std::move(file).takeStream(QLatin1String(name)) != stream) __builtin_trap();
      SaveStream(stream);
      ReadEverySheet(std::move(stream));
      break;
    }
  } catch (const WorkbookError&) {
    // Damaged input must end in a WorkbookError; anything else is a finding.
  }
  return 0;
}
