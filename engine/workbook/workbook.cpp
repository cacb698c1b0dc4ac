#include <QFile>
#include <cstring>

#include "workbook/cfb.h"
#include "workbook/sheet.h"
#include "workbook/xls_reader.h"
#include "workbook/xlsx_reader.h"

namespace brelloquin::workbook {

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
    const QByteArray all = file.readAll();
    cfb::CompoundFile compound(std::vector<std::uint8_t>(all.begin(), all.end()));
    if (compound.hasStream(QStringLiteral("EncryptionInfo")) ||
        compound.hasStream(QStringLiteral("EncryptedPackage")))
      throw WorkbookError::Encrypted();
    for (const char* name : {"Workbook", "Book"})
      if (compound.hasStream(QLatin1String(name)))
        return OpenXls(compound.readStream(QLatin1String(name)));
    throw WorkbookError(
        Reason::Unsupported,
        QStringLiteral("The file '%1' is not an Excel workbook: it holds no workbook stream.")
            .arg(path));
  }
  // An old Excel file that is a bare BIFF stream, without the compound file around it.
  const int record = head.size() >= 4 ? bytes[0] | bytes[1] << 8 : 0;
  if (record == 0x0009 || record == 0x0209 || record == 0x0409 || record == 0x0809) {
    const QByteArray all = file.readAll();
    return OpenXls(std::vector<std::uint8_t>(all.begin(), all.end()));
  }
  throw WorkbookError(
      Reason::Unsupported,
      QStringLiteral("The file '%1' is not a workbook that can be read (neither .xlsx nor .xls).")
          .arg(path));
}

}  // namespace brelloquin::workbook
