#pragma once
// Streaming XML over expat for the parts of a workbook. Element and attribute names are
// compared by namespace and local name, so any prefix works and the transitional and strict
// namespaces read alike.

#include <cstdint>
#include <cstring>
#include <string>

namespace brelloquin::workbook::xlsx {

class ZipPart;

enum class Ns : std::uint8_t {
  None,                  // unqualified (plain attributes)
  Main,                  // SpreadsheetML
  OfficeRelationships,   // r:id attributes and relationship types
  PackageRelationships,  // .rels parts
  Other,
};

struct XmlName {
  Ns ns;
  const char* local;

  bool is(Ns n, const char* name) const { return ns == n && std::strcmp(local, name) == 0; }
};

// Splits expat's "namespace-URI|local" form.
XmlName SplitName(const char* qualified);

// The value of an attribute by namespace and local name; nullptr when absent.
const char* Attribute(const char** attributes, Ns ns, const char* name);
inline const char* Attribute(const char** attributes, const char* name) {
  return Attribute(attributes, Ns::None, name);
}

// Receives the elements of one part. startElement returns a code for the element (0 for one
// the handler does not care about) that endElement gets back, so closing tags cost no name
// comparisons. Character data is appended to *capture while it is set.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual std::uint8_t startElement(const XmlName& name, const char** attributes) = 0;
  virtual void endElement(std::uint8_t code) = 0;

  std::string* capture = nullptr;
};

// Deeper nesting than any workbook part has; refusing it bounds the memory expat spends on
// open elements.
inline constexpr std::size_t kMaxXmlDepth = 1000;

// Inflates the part chunk by chunk into the handler. Throws WorkbookError naming the part when
// it is not well-formed XML; exceptions thrown by the handler come through unchanged.
void ParseXml(ZipPart& part, XmlHandler& handler);

}  // namespace brelloquin::workbook::xlsx
