#include "workbook/xlsx_sheet.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "workbook/xlsx_scan.h"
#include "workbook/xlsx_values.h"
#include "workbook/xlsx_xml.h"

namespace brelloquin::workbook::xlsx {

namespace {

// The t attribute of a cell.
enum class ValueType : std::uint8_t {
  Number,
  SharedString,
  InlineString,
  FormulaString,
  Boolean,
  Error,
  IsoDate,
  Unknown
};

ValueType TypeOf(const char* t) {
  if (!t || std::strcmp(t, "n") == 0) return ValueType::Number;
  if (std::strcmp(t, "s") == 0) return ValueType::SharedString;
  if (std::strcmp(t, "str") == 0) return ValueType::FormulaString;
  if (std::strcmp(t, "inlineStr") == 0) return ValueType::InlineString;
  if (std::strcmp(t, "b") == 0) return ValueType::Boolean;
  if (std::strcmp(t, "e") == 0) return ValueType::Error;
  if (std::strcmp(t, "d") == 0) return ValueType::IsoDate;
  return ValueType::Unknown;
}

bool Is(const char* name, char c) { return name[0] == c && name[1] == '\0'; }

// What an element is to the sheet reader, handed back when it closes.
enum Tag : std::uint8_t { kOther, kRow, kCell, kValue, kInline, kText, kPhonetic };

class SheetHandler final : public XmlHandler {
 public:
  explicit SheetHandler(const SheetContext& context)
      : data_(context.window, context.sharedStrings),
        sharedStrings_(context.sharedStrings ? *context.sharedStrings : kNoStrings),
        context_(context) {}

  std::uint8_t startElement(const XmlName& name, XmlAttributes attributes) override {
    if (name.ns != Ns::Main) return kOther;
    const char* local = name.local;
    if (Is(local, 'c')) {
      if (!inRow_) return kOther;
      startCell(attributes);
      return kCell;
    }
    if (Is(local, 'v')) {
      if (!inCell_) return kOther;
      value_.clear();
      hasValue_ = true;
      capture = &value_;
      return kValue;
    }
    if (std::strcmp(local, "row") == 0) {
      startRow(attributes);
      return kRow;
    }
    if (Is(local, 't')) {
      if (!inInline_ || inPhonetic_) return kOther;
      capture = &inline_;
      return kText;
    }
    if (std::strcmp(local, "is") == 0) {
      if (!inCell_) return kOther;
      inInline_ = hasInline_ = true;
      return kInline;
    }
    if (std::strcmp(local, "rPh") == 0) {
      inPhonetic_ = true;
      return kPhonetic;
    }
    return kOther;
  }

  void endElement(std::uint8_t code) override {
    switch (code) {
      case kValue:
      case kText:
        capture = nullptr;
        break;
      case kCell:
        finishCell();
        inCell_ = false;
        break;
      case kRow:
        inRow_ = false;
        break;
      case kInline:
        inInline_ = false;
        break;
      case kPhonetic:
        inPhonetic_ = false;
        break;
    }
  }

  SheetData finish() { return std::move(data_); }

 private:
  void startRow(XmlAttributes attributes) {
    // A row without a number follows the previous one; an unreadable number puts the row out
    // of range, so its cells are skipped.
    if (const char* number = Attribute(attributes, "r")) {
      const auto value = ParseIndex(number);
      row_ = value && *value >= 1 && *value <= kMaxRows ? static_cast<std::int64_t>(*value - 1)
                                                        : std::int64_t{kMaxRows};
    } else {
      ++row_;
    }
    inRow_ = true;
    cellRow_ = row_;
    col_ = -1;
  }

  void startCell(XmlAttributes attributes) {
    const char* reference = nullptr;
    const char* type = nullptr;
    const char* style = nullptr;
    for (const XmlAttribute& attribute : attributes) {
      if (attribute.name.ns != Ns::None) continue;
      const char* local = attribute.name.local;
      if (Is(local, 'r'))
        reference = attribute.value;
      else if (Is(local, 't'))
        type = attribute.value;
      else if (Is(local, 's'))
        style = attribute.value;
    }
    valid_ = true;
    if (reference) {
      // A cell without a reference follows the previous cell of its row.
      if (const auto position = ParseCellReference(reference)) {
        cellRow_ = position->row;
        col_ = position->col;
      } else {
        valid_ = false;
        ++col_;
      }
    } else {
      ++col_;
    }
    type_ = TypeOf(type);
    format_ = NumberFormat();
    if (style) {
      const auto index = ParseIndex(style);
      if (index && *index < context_.cellFormats.size()) format_ = context_.cellFormats[*index];
    }
    inCell_ = true;
    hasValue_ = hasInline_ = false;
    inline_.clear();
  }

  void finishCell() {
    if (!valid_ || cellRow_ < 0 || cellRow_ >= kMaxRows || col_ < 0 || col_ >= kMaxColumns) {
      // Only a value is lost; a cell holding none (a format alone) is empty wherever it is.
      if (hasValue_ || hasInline_) data_.addUnreadable();
      return;
    }
    Cell cell;
    cell.row = static_cast<std::uint32_t>(cellRow_);
    cell.col = static_cast<std::uint32_t>(col_);
    // A formula without a cached result has no <v>: the cell is empty.
    switch (type_) {
      case ValueType::Number: {
        if (!hasValue_) return;
        const auto number = ParseNumber(value_);
        if (!number) return data_.addUnreadable();
        SetNumber(cell, *number, format_, context_.date1904);
        break;
      }
      case ValueType::SharedString: {
        if (!hasValue_) return;
        const auto index = ParseIndex(value_);
        if (!index || *index >= sharedStrings_.size()) return data_.addUnreadable();
        if (sharedStrings_.textSize(*index) == 0) return;
        return data_.addShared(cell.row, cell.col, static_cast<std::uint32_t>(*index));
      }
      case ValueType::InlineString:
      case ValueType::FormulaString:
        if (!hasInline_ && !hasValue_) return;
        cell.kind = CellKind::Text;
        cell.text = DecodeText(hasInline_ ? inline_ : value_);
        break;
      case ValueType::Boolean:
        if (!hasValue_) return;
        if (value_ == "1" || value_ == "true") {
          cell.number = 1;
        } else if (value_ != "0" && value_ != "false") {
          return data_.addUnreadable();
        }
        cell.kind = CellKind::Boolean;
        break;
      case ValueType::Error:
        if (!hasValue_) return;
        cell.kind = CellKind::Error;
        break;
      case ValueType::IsoDate: {
        if (!hasValue_) return;
        const auto serial = ParseIsoDate(value_);
        if (!serial) return data_.addUnreadable();
        cell.kind = CellKind::Date;
        cell.number = *serial;
        break;
      }
      case ValueType::Unknown:
        if (hasValue_ || hasInline_) data_.addUnreadable();
        return;
    }
    if (cell.kind == CellKind::Text && cell.text.isEmpty()) return;
    data_.add(cell);
  }

  static inline const StringTable kNoStrings;
  SheetData data_;
  const StringTable& sharedStrings_;
  const SheetContext& context_;
  bool inRow_ = false, inCell_ = false, inInline_ = false, inPhonetic_ = false;
  std::int64_t row_ = -1;      // the current row element
  std::int64_t cellRow_ = -1;  // the row of the current cell
  std::int64_t col_ = -1;      // the column of the current cell
  bool valid_ = false, hasValue_ = false, hasInline_ = false;
  NumberFormat format_;  // of the current cell
  ValueType type_ = ValueType::Number;
  std::string value_;   // the text of <v>
  std::string inline_;  // the texts of <is>
};

}  // namespace

SheetData ReadSheetPart(PartReader& part, const SheetContext& context) {
  SheetHandler handler(context);
  ScanXml(part, handler);
  return handler.finish();
}

}  // namespace brelloquin::workbook::xlsx
