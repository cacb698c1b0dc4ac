#pragma once
// Parts fed from memory, and a handler that writes down what a parser hands it, so that the
// scanner can be held against expat event by event (by the tests and the sheet fuzzer).

#include <QString>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "workbook/sheet.h"
#include "workbook/xlsx_scan.h"
#include "workbook/xlsx_xml.h"
#include "workbook/xlsx_zip.h"

namespace brelloquin::workbook::xlsx::testing {

class MemoryPart final : public PartReader {
 public:
  explicit MemoryPart(std::string_view bytes) : bytes_(bytes) {}

  const std::string& name() const override { return name_; }
  const QString& archivePath() const override { return path_; }
  std::size_t read(void* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, bytes_.size());
    if (count > 0) std::memcpy(buffer, bytes_.data(), count);
    bytes_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view bytes_;
  std::string name_ = "xl/worksheets/sheet1.xml";
  QString path_ = QStringLiteral("memory.xlsx");
};

// Writes elements as <namespace:local attribute=value ...>, closing tags as </>, and the
// character data between two tags as [text], however the parser split it.
class EventRecorder final : public XmlHandler {
 public:
  EventRecorder() { capture = &text_; }

  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    flush();
    events_ += '<' + Name(name);
    for (const XmlAttribute& attribute : attributes)
      events_ += ' ' + Name(attribute.name) + '=' + attribute.value;
    events_ += '>';
    return 0;
  }
  void endElement(std::uint8_t) override {
    flush();
    events_ += "</>";
  }

  std::string events() {
    flush();
    return events_;
  }

 private:
  static std::string Name(const XmlName& name) {
    return std::to_string(static_cast<int>(name.ns)) + ':' + name.local;
  }
  void flush() {
    if (!text_.empty()) events_ += '[' + text_ + ']';
    text_.clear();
  }

  std::string text_;
  std::string events_;
};

enum class Parser { Expat, Scanner };

// What the parser hands on for the bytes, or "error: " and the WorkbookError it throws.
inline std::string Events(Parser parser, std::string_view bytes, std::size_t chunk = kScanChunk) {
  MemoryPart part(bytes);
  EventRecorder recorder;
  try {
    if (parser == Parser::Expat)
      ParseXml(part, recorder);
    else
      ScanXml(part, recorder, chunk);
  } catch (const WorkbookError& error) {
    return "error: " + error.description().toStdString();
  }
  return recorder.events();
}

}  // namespace brelloquin::workbook::xlsx::testing
