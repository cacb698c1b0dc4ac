// Feeds arbitrary bytes to the worksheet scanner, read in chunks of a size the first byte
// chooses so that tokens are split everywhere. Whenever the scanner and expat both read the
// bytes, the scanner must hand on what expat does; the sheet reader must read them or fail with
// a WorkbookError.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/engine/xlsx/xml_events.h"
#include "workbook/xlsx_sheet.h"

using namespace brelloquin::workbook;
using namespace brelloquin::workbook::xlsx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] < 128 ? data[0] + 1 : kScanChunk;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string scanned = testing::Events(testing::Parser::Scanner, bytes, chunk);
  const std::string expected = testing::Events(testing::Parser::Expat, bytes);
  // Expat takes fewer characters in names than XML 1.0 allows the scanner, and no '|' in
  // namespace names (its separator): only what both read must agree.
  if (!scanned.starts_with("error: ") && !expected.starts_with("error: ") && scanned != expected)
    std::abort();

  static const auto strings = [] {
    auto table = std::make_shared<StringTable>();
    for (const QString& text : {QStringLiteral("first"), QString(), QStringLiteral("third")})
      table->add(text);
    return std::shared_ptr<const StringTable>(table);
  }();
  static const std::vector<NumberFormat> cellFormats = {NumberFormat(), BuiltinNumberFormat(14),
                                                        BuiltinNumberFormat(46)};
  testing::MemoryPart part(bytes);
  try {
    ReadSheetPart(part, {strings, cellFormats, false});
  } catch (const WorkbookError&) {
    // Damaged input must end in a WorkbookError; anything else is a finding.
  }
  return 0;
}
