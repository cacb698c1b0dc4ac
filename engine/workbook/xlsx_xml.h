#pragma once
// Streaming XML for the parts of a workbook: expat for the small parts, and the errors and
// names the faster scanner of xlsx_scan.h shares with it. Element and attribute names are
// compared by namespace and local name, so any prefix works and the transitional and strict
// namespaces read alike.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace brelloquin::workbook::xlsx {

class PartReader;

enum class Ns : std::uint8_t {
  None,                  // unqualified (plain attributes)
  Main,                  // SpreadsheetML
  OfficeRelationships,   // r:id attributes and relationship types
  PackageRelationships,  // .rels parts
  Other,
};

// The namespace a URI names; Other for any the readers do not know.
Ns NamespaceOf(std::string_view uri);

struct XmlName {
  Ns ns;
  const char* local;

  bool is(Ns n, const char* name) const { return ns == n && std::strcmp(local, name) == 0; }
};

struct XmlAttribute {
  XmlName name;
  const char* value;
};
using XmlAttributes = std::span<const XmlAttribute>;

// The value of an attribute by namespace and local name; nullptr when absent.
const char* Attribute(XmlAttributes attributes, Ns ns, const char* name);
inline const char* Attribute(XmlAttributes attributes, const char* name) {
  return Attribute(attributes, Ns::None, name);
}

// Receives the elements of one part. startElement returns a code for the element (0 for one
// the handler does not care about) that endElement gets back, so closing tags cost no name
// comparisons. Character data is appended to *capture while it is set. Namespace
// declarations are not attributes.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) = 0;
  virtual void endElement(std::uint8_t code) = 0;

  std::string* capture = nullptr;
};

// Deeper nesting than any workbook part has; refusing it bounds the memory spent on open
// elements.
inline constexpr std::size_t kMaxXmlDepth = 1000;

// Why a well-formed part is refused.
inline constexpr char kTooDeep[] = "nests its elements too deeply";
inline constexpr char kHasDoctype[] = "declares a document type, which workbooks never do";
inline constexpr char kTokenTooLarge[] = "holds a tag or text too large to read";

// WorkbookError naming the part: "cannot be read: its part '…' <reason>."
[[noreturn]] void ThrowRefused(const PartReader& part, const char* reason);
// WorkbookError naming the part: "is not well-formed XML (line <line>: <reason>)."
[[noreturn]] void ThrowMalformed(const PartReader& part, std::uint64_t line, const char* reason);

// Inflates the part chunk by chunk into expat and the handler. Throws WorkbookError naming the
// part when it is not well-formed XML; exceptions thrown by the handler come through unchanged.
void ParseXml(PartReader& part, XmlHandler& handler);

}  // namespace brelloquin::workbook::xlsx
