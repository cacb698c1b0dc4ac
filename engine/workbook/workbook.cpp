#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

#include "workbook/cfb.h"
#include "workbook/sheet.h"
#include "workbook/xls_reader.h"
#include "workbook/xlsx_reader.h"

namespace brelloquin::workbook {
namespace {

// The rest of the file read straight into the bytes a reader keeps: no second copy of a large
// workbook on the way. The size is the file system's, read as far as the file really goes.
std::vector<std::uint8_t> ReadAll(QFile& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)));
  const qint64 got =
      file.read(reinterpret_cast<char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<qint64>(got, 0)));
  return bytes;
}

}  // namespace

std::unique_ptr<WorkbookReader> OpenWorkbook(const QString& path) {
  using Reason = WorkbookError::Reason;
  if (auto problem = WorkbookFileProblem(path)) throw *std::move(problem);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw WorkbookError(
        Reason::Unreadable,
        QStringLiteral("The workbook '%1' could not be opened: %2").arg(path, file.errorString()));
  const QByteArray head = file.peek(8);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.constData());
  if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
    file.close();
    return OpenXlsx(path);
  }
  if (cfb::HasSignature(bytes, static_cast<std::size_t>(head.size()))) {
    cfb::CompoundFile compound(ReadAll(file));
    if (compound.hasStream(QStringLiteral("EncryptionInfo")) ||
        compound.hasStream(QStringLiteral("EncryptedPackage")))
      throw WorkbookError::Encrypted();
    for (const char* name : {"Workbook", "Book"})
      if (compound.hasStream(QLatin1String(name)))
        return OpenXls(std::move(compound).takeStream(QLatin1String(name)));
    throw WorkbookError(
        Reason::Unsupported,
        QStringLiteral("The file '%1' is not an Excel workbook: it holds no workbook stream.")
            .arg(path));
  }
  // An old Excel file that is a bare BIFF stream, without the compound file around it.
  const int record = head.size() >= 4 ? bytes[0] | bytes[1] << 8 : 0;
  if (record == 0x0009 || record == 0x0209 || record == 0x0409 || record == 0x0809)
    return OpenXls(ReadAll(file));
  throw WorkbookError(
      Reason::Unsupported,
      QStringLiteral("The file '%1' is not a workbook that can be read (neither .xlsx nor .xls).")
          .arg(path));
}

}  // namespace brelloquin::workbook
