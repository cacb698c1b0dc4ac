#include "workbook/cfb.h"

#include "workbook/sheet.h"

namespace brelloquin::workbook::cfb {

bool HasSignature(const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return size >= 8 && std::equal(kSignature, kSignature + 8, data);
}

CompoundFile::CompoundFile(std::vector<std::uint8_t>) {
  throw WorkbookError(QStringLiteral(".xls workbooks are not supported yet."));
}
bool CompoundFile::hasStream(const QString&) const { return false; }
std::vector<std::uint8_t> CompoundFile::readStream(const QString&) const { return {}; }

}  // namespace brelloquin::workbook::cfb
