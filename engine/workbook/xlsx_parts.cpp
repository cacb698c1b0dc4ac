#include "workbook/xlsx_parts.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "workbook/number_format.h"
#include "workbook/xlsx_scan.h"
#include "workbook/xlsx_values.h"
#include "workbook/xlsx_xml.h"
#include "workbook/xlsx_zip.h"

namespace brelloquin::workbook::xlsx {

namespace {

constexpr std::string_view kOfficeRelationshipPrefixes[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/",
    "http://purl.oclc.org/ooxml/officeDocument/relationships/",
};

// Counts in a part's header are claims; reserving beyond this would trust them too far.
constexpr std::size_t kMaxReserve = 1 << 20;

std::string_view View(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

bool IsTrue(const char* value) {
  return value && (std::strcmp(value, "1") == 0 || std::strcmp(value, "true") == 0);
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  const auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i] == '\\' ? '/' : text[i];
    }
  }
  return decoded;
}

class RelationshipsHandler final : public XmlHandler {
 public:
  RelationshipsHandler(std::string_view source, std::vector<Relationship>& out)
      : source_(source), out_(out) {}

  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    if (!name.is(Ns::PackageRelationships, "Relationship")) return 0;
    const char* target = Attribute(attributes, "Target");
    if (target && View(Attribute(attributes, "TargetMode")) != "External")
      out_.push_back({std::string(View(Attribute(attributes, "Id"))),
                      std::string(View(Attribute(attributes, "Type"))),
                      ResolveTarget(source_, target)});
    return 0;
  }
  void endElement(std::uint8_t) override {}

 private:
  std::string_view source_;
  std::vector<Relationship>& out_;
};

class WorkbookHandler final : public XmlHandler {
 public:
  WorkbookPart result;

  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    if (atRoot_) {
      atRoot_ = false;
      result.isWorkbook = name.is(Ns::Main, "workbook");
    }
    if (name.is(Ns::Main, "workbookPr")) {
      result.date1904 = IsTrue(Attribute(attributes, "date1904"));
    } else if (name.is(Ns::Main, "sheets")) {
      inSheets_ = true;
      return kSheets;
    } else if (inSheets_ && name.is(Ns::Main, "sheet")) {
      SheetEntry entry;
      const char* sheetName = Attribute(attributes, "name");
      entry.name = sheetName ? QString::fromUtf8(sheetName)
                             : QStringLiteral("Sheet%1").arg(result.sheets.size() + 1);
      const std::string_view state = View(Attribute(attributes, "state"));
      entry.hidden = state == "hidden" || state == "veryHidden";
      entry.relationshipId = View(Attribute(attributes, Ns::OfficeRelationships, "id"));
      result.sheets.push_back(std::move(entry));
    }
    return 0;
  }
  void endElement(std::uint8_t code) override {
    if (code == kSheets) inSheets_ = false;
  }

 private:
  static constexpr std::uint8_t kSheets = 1;
  bool atRoot_ = true;
  bool inSheets_ = false;
};

class StylesHandler final : public XmlHandler {
 public:
  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    if (name.ns != Ns::Main) return 0;
    if (std::strcmp(name.local, "numFmts") == 0) {
      inFormats_ = true;
      return kFormats;
    }
    if (std::strcmp(name.local, "cellXfs") == 0) {
      inCellFormats_ = true;
      return kCellFormats;
    }
    if (inFormats_ && std::strcmp(name.local, "numFmt") == 0) {
      const auto id = ParseIndex(View(Attribute(attributes, "numFmtId")));
      const char* code = Attribute(attributes, "formatCode");
      if (id && code) codes_[*id] = QString::fromUtf8(code);
    } else if (inCellFormats_ && std::strcmp(name.local, "xf") == 0) {
      xfFormats_.push_back(ParseIndex(View(Attribute(attributes, "numFmtId"))).value_or(0));
    }
    return 0;
  }
  void endElement(std::uint8_t code) override {
    if (code == kFormats) inFormats_ = false;
    if (code == kCellFormats) inCellFormats_ = false;
  }

  std::vector<NumberFormat> cellFormats() const {
    std::vector<NumberFormat> formats;
    formats.reserve(xfFormats_.size());
    for (const std::uint64_t id : xfFormats_) {
      const auto code = codes_.find(id);
      formats.push_back(code != codes_.end() ? ClassifyFormatCode(code->second)
                        : id <= 1000         ? BuiltinNumberFormat(static_cast<int>(id))
                                             : NumberFormat());
    }
    return formats;
  }

 private:
  static constexpr std::uint8_t kFormats = 1, kCellFormats = 2;
  bool inFormats_ = false;
  bool inCellFormats_ = false;
  std::unordered_map<std::uint64_t, QString> codes_;
  std::vector<std::uint64_t> xfFormats_;
};

class SharedStringsHandler final : public XmlHandler {
 public:
  explicit SharedStringsHandler(const std::function<void()>& progress) : progress_(progress) {}
  StringTable strings;

  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    if (name.ns != Ns::Main) return 0;
    if (std::strcmp(name.local, "si") == 0) {
      inItem_ = true;
      text_.clear();
      return kItem;
    }
    if (std::strcmp(name.local, "t") == 0) {
      if (inItem_ && !inPhonetic_) capture = &text_;
      return kText;
    }
    if (std::strcmp(name.local, "rPh") == 0) {
      inPhonetic_ = true;
      return kPhonetic;
    }
    if (std::strcmp(name.local, "sst") == 0) {
      const auto count = ParseIndex(View(Attribute(attributes, "uniqueCount")));
      strings.reserve(std::min<std::uint64_t>(count.value_or(0), kMaxReserve));
    }
    return 0;
  }
  void endElement(std::uint8_t code) override {
    switch (code) {
      case kText:
        capture = nullptr;
        break;
      case kPhonetic:
        inPhonetic_ = false;
        break;
      case kItem:
        // Most strings are plain ASCII: they go into the table without a QString between.
        if (IsPlainText(text_))
          strings.addLatin1(text_);
        else
          strings.add(DecodeText(text_));
        inItem_ = false;
        if ((strings.size() & 0xFFFF) == 0 && progress_) progress_();
        break;
    }
  }

 private:
  static constexpr std::uint8_t kItem = 1, kText = 2, kPhonetic = 3;
  const std::function<void()>& progress_;
  bool inItem_ = false;
  bool inPhonetic_ = false;
  std::string text_;
};

}  // namespace

bool IsOfficeRelationship(std::string_view type, std::string_view kind) {
  return std::any_of(std::begin(kOfficeRelationshipPrefixes), std::end(kOfficeRelationshipPrefixes),
                     [&](std::string_view prefix) {
                       return type.size() == prefix.size() + kind.size() &&
                              type.starts_with(prefix) && type.ends_with(kind);
                     });
}

std::string ResolveTarget(std::string_view source, std::string_view target) {
  std::string path;
  std::string decoded = PercentDecoded(target);
  if (!decoded.starts_with('/')) {
    const auto slash = source.rfind('/');
    if (slash != std::string_view::npos) path = source.substr(0, slash + 1);
  }
  path += decoded;
  std::vector<std::string_view> segments;
  const std::string_view all(path);
  for (std::size_t start = 0; start <= all.size();) {
    const std::size_t end = std::min(all.find('/', start), all.size());
    const std::string_view segment = all.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string resolved;
  for (const auto segment : segments) {
    if (!resolved.empty()) resolved += '/';
    resolved += segment;
  }
  return resolved;
}

std::vector<Relationship> ReadRelationships(const ZipArchive& archive, std::string_view source) {
  const std::size_t slash = source.rfind('/') + 1;  // 0 when the part is in the root
  std::string name(source.substr(0, slash));
  name.append("_rels/").append(source.substr(slash)).append(".rels");
  std::vector<Relationship> relationships;
  if (auto part = archive.open(name)) {
    RelationshipsHandler handler(source, relationships);
    ParseXml(*part, handler);
  }
  return relationships;
}

WorkbookPart ReadWorkbookPart(PartReader& part) {
  WorkbookHandler handler;
  ParseXml(part, handler);
  return std::move(handler.result);
}

std::vector<NumberFormat> ReadCellFormats(PartReader& part) {
  StylesHandler handler;
  ParseXml(part, handler);
  return handler.cellFormats();
}

StringTable ReadSharedStrings(PartReader& part, const std::function<void()>& progress) {
  SharedStringsHandler handler(progress);
  ScanXml(part, handler);
  return std::move(handler.strings);
}

}  // namespace brelloquin::workbook::xlsx
