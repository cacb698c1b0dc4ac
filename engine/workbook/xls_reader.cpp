#include "workbook/xls_reader.h"

#include <cmath>
#include <map>

#include "workbook/biff_stream.h"
#include "workbook/number_format.h"
#include "workbook/xls_text.h"

namespace brelloquin::workbook {

namespace {

using biff::Record;
using biff::RecordData;
using biff::RecordReader;

// Record types. Earlier versions number some records differently; BIFF3 and BIFF4 are read
// as single worksheets.
enum : std::uint16_t {
  kBof2 = 0x0009,
  kBof3 = 0x0209,
  kBof4 = 0x0409,
  kBof = 0x0809,
  kEof = 0x000A,
  kFilePass = 0x002F,
  kCodePage = 0x0042,
  kDateMode = 0x0022,
  kFormat3 = 0x001E,
  kFormat = 0x041E,
  kXf3 = 0x0243,
  kXf4 = 0x0443,
  kXf = 0x00E0,
  kBoundSheet = 0x0085,
  kSst = 0x00FC,
  kNumber = 0x0203,
  kRk = 0x027E,
  kMulRk = 0x00BD,
  kLabel = 0x0204,
  kRString = 0x00D6,
  kLabelSst = 0x00FD,
  kBoolErr = 0x0205,
  kFormula = 0x0006,
  kFormula3 = 0x0206,
  kFormula4 = 0x0406,
  kString = 0x0207,
};

enum class Biff { V3, V4, V5, V8 };

constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint8_t kWorksheetType = 0;

bool IsBof(std::uint16_t type) {
  return type == kBof || type == kBof4 || type == kBof3 || type == kBof2;
}

[[noreturn]] void NotSupported() {
  throw WorkbookError(
      WorkbookError::Reason::Unsupported,
      QStringLiteral("Workbooks from Excel 2.x, and Excel 4.0 workbooks that bind several sheets, "
                     "are not supported; save the file in a newer Excel format."));
}

// An RK number: 30 bits of either a signed integer or the high bits of a double, optionally
// divided by 100.
double RkValue(std::uint32_t rk) {
  const double value = rk & 0x02 ? static_cast<double>(static_cast<std::int32_t>(rk) >> 2)
                                 : std::bit_cast<double>(std::uint64_t{rk & 0xFFFFFFFCu} << 32);
  return rk & 0x01 ? value / 100 : value;
}

class XlsReader : public WorkbookReader {
 public:
  explicit XlsReader(std::vector<std::uint8_t> stream) : stream_(std::move(stream)) {
    readGlobals();
  }
  const std::vector<SheetInfo>& sheets() const override { return sheets_; }
  using WorkbookReader::readSheet;
  SheetData readSheet(std::size_t index, const RowWindow& window) override;

 private:
  void readGlobals();
  void addNumber(SheetData& sheet, std::uint32_t row, std::uint32_t col, std::uint16_t xf,
                 double value) const;
  // The text of a LABEL, RSTRING or STRING record from `offset` on.
  QString cellText(const Record& record, std::size_t offset) const;
  // A string with an 8-bit (BOUNDSHEET, FORMAT) length before BIFF8.
  QString shortText(RecordData& data) const;

  std::vector<std::uint8_t> stream_;
  Biff biff_ = Biff::V8;
  ByteText byteText_;
  bool date1904_ = false;
  std::vector<SheetInfo> sheets_;
  std::vector<std::size_t> offsets_;
  std::shared_ptr<StringTable> sst_ = std::make_shared<StringTable>();
  std::vector<NumberFormat> xfNumberFormats_;  // by XF index
};

QString XlsReader::shortText(RecordData& data) const {
  if (biff_ == Biff::V8) return data.unicodeString(1);
  return byteText_.decode(data.bytes(data.u8()));
}

QString XlsReader::cellText(const Record& record, std::size_t offset) const {
  RecordData data(record);
  data.skip(offset);
  if (biff_ == Biff::V8) return data.unicodeString(2);
  return byteText_.decode(data.bytes(data.u16()));
}

void XlsReader::readGlobals() {
  RecordReader records(stream_, 0);
  Record record;
  if (!records.next(record) || !IsBof(record.type) || record.data.size() < 4)
    throw WorkbookError(QStringLiteral("The workbook stream does not start like an Excel one."));
  const std::uint16_t version = ReadU16(record.data.data());
  const std::uint16_t substream = ReadU16(record.data.data() + 2);
  if (record.type == kBof3 || record.type == kBof4) {
    if (substream != kWorksheetSubstream) NotSupported();
    biff_ = record.type == kBof3 ? Biff::V3 : Biff::V4;
    sheets_.push_back({QStringLiteral("Sheet1"), false});
    offsets_.push_back(0);
  } else if (record.type == kBof) {
    if (substream != kGlobalsSubstream)
      throw WorkbookError(QStringLiteral("The workbook stream holds no workbook globals."));
    biff_ = version == 0x0500 ? Biff::V5 : Biff::V8;
  } else {
    NotSupported();
  }

  std::map<std::uint16_t, QString> formats;
  std::uint16_t implicitFormat = 0;  // BIFF3 and BIFF4 number formats by their order
  std::vector<std::uint16_t> xfFormats;
  while (records.next(record) && record.type != kEof) {
    const Bytes body = record.data;
    RecordData data(record);
    switch (record.type) {
      case kFilePass:
        throw WorkbookError::Encrypted();
      case kCodePage:
        if (body.size() >= 2) byteText_.setCodePage(ReadU16(body.data()));
        break;
      case kDateMode:
        if (body.size() >= 2 && ReadU16(body.data()) == 1) date1904_ = true;
        break;
      case kFormat3:
        formats[implicitFormat++] = shortText(data);
        break;
      case kFormat:
        if (biff_ == Biff::V4) {
          data.skip(2);
          formats[implicitFormat++] = shortText(data);
        } else {
          const std::uint16_t id = data.u16();
          formats[id] = biff_ == Biff::V8 ? data.unicodeString(2) : shortText(data);
        }
        break;
      case kXf3:
      case kXf4:
        if (body.size() >= 2) xfFormats.push_back(body[1]);
        break;
      case kXf:
        if (body.size() >= 4) xfFormats.push_back(ReadU16(body.data() + 2));
        break;
      case kBoundSheet:
        if (biff_ >= Biff::V5 && body.size() >= 6) {
          data.skip(4);
          const bool hidden = (data.u8() & 0x03) != 0;
          if (data.u8() != kWorksheetType) break;
          sheets_.push_back({shortText(data), hidden});
          offsets_.push_back(ReadU32(body.data()));
        }
        break;
      case kSst:
        if (biff_ == Biff::V8 && body.size() >= 8) {
          data.skip(8);
          // The unique count is often wrong: read what is there, and reserve no more than fits.
          sst_->reserve(std::min<std::size_t>(ReadU32(body.data() + 4), body.size() / 3));
          try {
            while (!data.atEnd()) sst_->add(data.unicodeString(2));
          } catch (const WorkbookError&) {
            // A damaged tail: the strings read so far still serve the cells that use them.
          }
        }
        break;
      default:
        break;
    }
  }

  xfNumberFormats_.reserve(xfFormats.size());
  for (const std::uint16_t id : xfFormats) {
    const auto format = formats.find(id);
    xfNumberFormats_.push_back(format != formats.end() ? ClassifyFormatCode(format->second)
                                                       : BuiltinNumberFormat(id));
  }
}

void XlsReader::addNumber(SheetData& sheet, std::uint32_t row, std::uint32_t col, std::uint16_t xf,
                          double value) const {
  if (col >= kMaxColumns || !std::isfinite(value)) return sheet.addUnreadable();
  Cell cell{row, col, CellKind::Number, 0, {}};
  SetNumber(cell, value, xf < xfNumberFormats_.size() ? xfNumberFormats_[xf] : NumberFormat(),
            date1904_);
  sheet.add(cell);
}

SheetData XlsReader::readSheet(std::size_t index, const RowWindow& window) {
  if (index >= sheets_.size())
    throw WorkbookError(WorkbookError::Reason::NoSuchSheet,
                        QStringLiteral("The workbook has no sheet number %1.").arg(index + 1));
  const QString& name = sheets_[index].name;
  const std::size_t offset = offsets_[index];
  RecordReader records(stream_, offset);
  Record record;
  if (offset >= stream_.size() || !records.next(record) || !IsBof(record.type))
    throw WorkbookError(
        QStringLiteral("The sheet '%1' is damaged: it is not where the workbook says.").arg(name));

  SheetData sheet(window, sst_);
  int depth = 1;  // charts embedded in the sheet bring their own BOF and EOF
  bool stringPending = false;
  std::uint16_t pendingRow = 0, pendingCol = 0;
  const auto addText = [&](std::uint16_t row, std::uint16_t col, QString text) {
    if (col >= kMaxColumns) return sheet.addUnreadable();
    if (!text.isEmpty()) sheet.add({row, col, CellKind::Text, 0, std::move(text)});
  };
  const auto addFlag = [&](std::uint16_t row, std::uint16_t col, bool error, std::uint8_t value) {
    const CellKind kind = error ? CellKind::Error : CellKind::Boolean;
    if (col >= kMaxColumns) return sheet.addUnreadable();
    sheet.add({row, col, kind, !error && value != 0 ? 1.0 : 0.0, {}});
  };
  // A cell record too short to hold its cell.
  const auto complete = [&](bool holdsCell) {
    if (!holdsCell) sheet.addUnreadable();
    return holdsCell;
  };
  while (depth > 0 && records.next(record)) {
    if (IsBof(record.type)) {
      ++depth;
      continue;
    }
    if (record.type == kEof) {
      --depth;
      continue;
    }
    if (depth > 1) continue;
    const std::uint8_t* p = record.data.data();
    const std::size_t size = record.data.size();
    try {
      switch (record.type) {
        case kNumber:
          if (complete(size >= 14))
            addNumber(sheet, ReadU16(p), ReadU16(p + 2), ReadU16(p + 4), ReadF64(p + 6));
          break;
        case kRk:
          if (complete(size >= 10))
            addNumber(sheet, ReadU16(p), ReadU16(p + 2), ReadU16(p + 4), RkValue(ReadU32(p + 6)));
          break;
        case kMulRk:
          // Row, first column, then six bytes (XF, RK) per cell, then the last column.
          for (std::size_t i = 0; size >= 6 && i < (size - 6) / 6; ++i) {
            const std::uint8_t* item = p + 4 + 6 * i;
            addNumber(sheet, ReadU16(p), static_cast<std::uint32_t>(ReadU16(p + 2) + i),
                      ReadU16(item), RkValue(ReadU32(item + 2)));
          }
          break;
        case kLabelSst:
          if (!complete(size >= 10)) break;
          if (ReadU16(p + 2) >= kMaxColumns || ReadU32(p + 6) >= sst_->size()) {
            sheet.addUnreadable();
          } else if (sst_->textSize(ReadU32(p + 6)) != 0) {
            sheet.addShared(ReadU16(p), ReadU16(p + 2), ReadU32(p + 6));
          }
          break;
        case kLabel:
        case kRString:
          if (complete(size >= 6)) addText(ReadU16(p), ReadU16(p + 2), cellText(record, 6));
          break;
        case kBoolErr:
          if (complete(size >= 8)) addFlag(ReadU16(p), ReadU16(p + 2), p[7] != 0, p[6]);
          break;
        case kFormula:
        case kFormula3:
        case kFormula4: {
          if (!complete(size >= 14)) break;
          const std::uint16_t row = ReadU16(p), col = ReadU16(p + 2);
          stringPending = false;
          // A cached result other than a number has 0xFFFF in its top two bytes and its kind
          // in the first: 0 string (in the STRING record that follows), 1 Boolean, 2 error,
          // 3 empty string.
          if (ReadU16(p + 12) != 0xFFFF) {
            addNumber(sheet, row, col, ReadU16(p + 4), ReadF64(p + 6));
          } else if (p[6] == 0) {
            stringPending = true;
            pendingRow = row;
            pendingCol = col;
          } else if (p[6] == 1 || p[6] == 2) {
            addFlag(row, col, p[6] == 2, p[8]);
          }
          break;
        }
        case kString:
          if (stringPending) addText(pendingRow, pendingCol, cellText(record, 0));
          stringPending = false;
          break;
        default:
          break;
      }
    } catch (const WorkbookError&) {
      // A damaged cell record: skip that cell, read the rest.
      sheet.addUnreadable();
    }
  }
  return sheet;
}

}  // namespace

std::unique_ptr<WorkbookReader> OpenXls(std::vector<std::uint8_t> workbookStream) {
  return std::make_unique<XlsReader>(std::move(workbookStream));
}

}  // namespace brelloquin::workbook
