#include "workbook/xlsx_xml.h"

#include <expat.h>

#include <exception>
#include <vector>

#include "workbook/sheet.h"
#include "workbook/xlsx_zip.h"

namespace brelloquin::workbook::xlsx {

namespace {

constexpr char kSeparator = '|';
constexpr std::size_t kChunk = 64 * 1024;

struct KnownNamespace {
  std::string_view uri;
  Ns ns;
};

constexpr std::string_view kMainUri = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

constexpr KnownNamespace kNamespaces[] = {
    {kMainUri, Ns::Main},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships",
     Ns::OfficeRelationships},
    {"http://schemas.openxmlformats.org/package/2006/relationships", Ns::PackageRelationships},
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", Ns::Main},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", Ns::OfficeRelationships},
};

// Splits expat's "namespace-URI|local" form.
XmlName SplitName(const char* qualified) {
  // Nearly every element is in the transitional SpreadsheetML namespace: one comparison.
  if (std::strncmp(qualified, kMainUri.data(), kMainUri.size()) == 0 &&
      qualified[kMainUri.size()] == kSeparator)
    return {Ns::Main, qualified + kMainUri.size() + 1};
  const char* separator = std::strrchr(qualified, kSeparator);
  if (!separator) return {Ns::None, qualified};
  return {NamespaceOf(std::string_view(qualified, static_cast<std::size_t>(separator - qualified))),
          separator + 1};
}

// Carries one parse: expat's callbacks are C, so a handler's exception is parked here and
// rethrown once expat has returned.
struct Session {
  XML_Parser parser;
  XmlHandler& handler;
  std::vector<std::uint8_t> open;  // the codes of the open elements
  std::vector<XmlAttribute> attributes;
  std::exception_ptr failure;
  const char* refusal = nullptr;  // why the parse was stopped, when not for an exception

  // After a stop expat may still report an element or text it had already read.
  bool stopped() const { return failure || refusal; }

  void refuse(const char* reason) {
    refusal = reason;
    XML_StopParser(parser, XML_FALSE);
  }

  void fail() {
    failure = std::current_exception();
    XML_StopParser(parser, XML_FALSE);
  }
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* session = static_cast<Session*>(data);
  if (session->stopped()) return;
  if (session->open.size() == kMaxXmlDepth) return session->refuse(kTooDeep);
  try {
    session->attributes.clear();
    for (; *attributes; attributes += 2)
      session->attributes.push_back({SplitName(attributes[0]), attributes[1]});
    session->open.push_back(session->handler.startElement(SplitName(name), session->attributes));
  } catch (...) {
    session->fail();
  }
}

void OnEnd(void* data, const XML_Char*) {
  auto* session = static_cast<Session*>(data);
  if (session->stopped()) return;
  const std::uint8_t code = session->open.back();
  session->open.pop_back();
  try {
    session->handler.endElement(code);
  } catch (...) {
    session->fail();
  }
}

void OnText(void* data, const XML_Char* text, int length) {
  auto* session = static_cast<Session*>(data);
  if (!session->handler.capture || session->stopped()) return;
  try {
    session->handler.capture->append(text, static_cast<std::size_t>(length));
  } catch (...) {
    session->fail();
  }
}

// Workbook parts never declare a document type; refusing one keeps entity expansion out.
void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<Session*>(data)->refuse(kHasDoctype);
}

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

Ns NamespaceOf(std::string_view uri) {
  for (const auto& known : kNamespaces)
    if (uri == known.uri) return known.ns;
  return Ns::Other;
}

const char* Attribute(XmlAttributes attributes, Ns ns, const char* name) {
  for (const XmlAttribute& attribute : attributes)
    if (attribute.name.is(ns, name)) return attribute.value;
  return nullptr;
}

void ThrowRefused(const PartReader& part, const char* reason) {
  throw WorkbookError(
      QStringLiteral("The workbook '%1' cannot be read: its part '%2' %3.")
          .arg(part.archivePath(), QString::fromStdString(part.name()), QString::fromUtf8(reason)));
}

void ThrowMalformed(const PartReader& part, std::uint64_t line, const char* reason) {
  throw WorkbookError(
      QStringLiteral("The workbook '%1' is damaged: its part '%2' is not well-formed XML "
                     "(line %3: %4).")
          .arg(part.archivePath(), QString::fromStdString(part.name()))
          .arg(line)
          .arg(QString::fromUtf8(reason)));
}

void ParseXml(PartReader& part, XmlHandler& handler) {
  const std::unique_ptr<XML_ParserStruct, ParserDeleter> owner(
      XML_ParserCreateNS(nullptr, kSeparator));
  if (!owner) throw std::bad_alloc();
  XML_Parser parser = owner.get();
  Session session{parser, handler, {}, {}, nullptr};
  session.open.reserve(64);
  XML_SetUserData(parser, &session);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  XML_SetStartDoctypeDeclHandler(parser, OnDoctype);

  for (;;) {
    void* buffer = XML_GetBuffer(parser, static_cast<int>(kChunk));
    if (!buffer)  // expat keeps an unfinished token whole: one huge token exhausts its buffer
      ThrowRefused(part, kTokenTooLarge);
    const std::size_t count = part.read(buffer, kChunk);
    const bool last = count == 0;
    if (XML_ParseBuffer(parser, static_cast<int>(count), last) != XML_STATUS_OK) {
      if (session.failure) std::rethrow_exception(session.failure);
      if (session.refusal) ThrowRefused(part, session.refusal);
      ThrowMalformed(part, XML_GetCurrentLineNumber(parser),
                     XML_ErrorString(XML_GetErrorCode(parser)));
    }
    if (last) return;
  }
}

}  // namespace brelloquin::workbook::xlsx
