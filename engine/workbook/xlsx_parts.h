#pragma once
// The parts around the sheets: relationships, the workbook part, styles and shared strings.

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/number_format.h"
#include "workbook/sheet.h"

namespace brelloquin::workbook::xlsx {

class ZipArchive;
class PartReader;

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // the part name it resolves to
};

// The internal relationships of a part (the package itself for ""), read from its .rels part;
// empty when there is none.
std::vector<Relationship> ReadRelationships(const ZipArchive& archive, std::string_view source);

// Whether `type` is the office relationship named `kind` ("worksheet", "styles", ...) in either
// the transitional or the strict namespace.
bool IsOfficeRelationship(std::string_view type, std::string_view kind);

// The part a relationship target names, seen from the part `source`: relative to its folder
// unless absolute, "." and ".." folded, %-escapes decoded.
std::string ResolveTarget(std::string_view source, std::string_view target);

struct SheetEntry {
  QString name;
  bool hidden = false;
  std::string relationshipId;
};

struct WorkbookPart {
  bool isWorkbook = false;  // the root element is a SpreadsheetML workbook
  bool date1904 = false;
  std::vector<SheetEntry> sheets;  // tab order, every kind of sheet
};

WorkbookPart ReadWorkbookPart(PartReader& part);

// For each cell format (the s attribute of a cell), how it shows numbers.
std::vector<NumberFormat> ReadCellFormats(PartReader& part);

// progress is called every 65,536 strings.
StringTable ReadSharedStrings(PartReader& part, const std::function<void()>& progress = {});

}  // namespace brelloquin::workbook::xlsx
