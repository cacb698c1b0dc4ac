#pragma once
// Byte images for the .xls tests: BIFF records, workbook streams and compound files.

#include <QString>
#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "workbook/sheet.h"

namespace xls_test {

using Bytes = std::vector<std::uint8_t>;

template <typename... Parts>
void Append(Bytes& out, const Parts&... parts) {
  (out.insert(out.end(), parts.begin(), parts.end()), ...);
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) Append(out, part);
  return out;
}

inline Bytes U16(unsigned value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}
inline Bytes U32(std::uint32_t value) { return Cat({U16(value & 0xFFFF), U16(value >> 16)}); }
inline Bytes F64(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return Cat({U32(static_cast<std::uint32_t>(bits)), U32(static_cast<std::uint32_t>(bits >> 32))});
}
// Raw bytes: Latin-1 text, or text already in a workbook's code page.
inline Bytes Raw(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Record(std::uint16_t type, const Bytes& data) {
  return Cat({U16(type), U16(static_cast<unsigned>(data.size())), data});
}
// Row, column and XF index: the start of every cell record.
inline Bytes CellAt(unsigned row, unsigned col, unsigned xf = 0) {
  return Cat({U16(row), U16(col), U16(xf)});
}
// A BIFF8 string of 8-bit characters with a 16-bit count.
inline Bytes Str16(const std::string& text) {
  return Cat({U16(static_cast<unsigned>(text.size())), {0}, Raw(text)});
}

// A cell as "N:2.5", "D:45351", "T:text", "B:1" or "E:0".
inline std::string Describe(const brelloquin::workbook::Cell& cell) {
  const bool text = cell.kind == brelloquin::workbook::CellKind::Text;
  return std::string(1, "NDTBE"[static_cast<int>(cell.kind)]) + ":" +
         (text ? cell.text : QString::number(cell.number, 'g', 10)).toStdString();
}
// A sheet as "R0C0=N:1 R0C1=T:text ...", row by row.
inline std::string Describe(brelloquin::workbook::SheetData data) {
  data.finish();
  std::string out;
  for (const auto& cell : data.cells())
    out += (out.empty() ? "R" : " R") + std::to_string(cell.row) + "C" + std::to_string(cell.col) +
           "=" + Describe(cell);
  return out;
}
// The cell at a position, described; "" when there is none.
inline std::string At(const brelloquin::workbook::SheetData& data, std::uint32_t row,
                      std::uint32_t col) {
  for (const auto& cell : data.cells())
    if (cell.row == row && cell.col == col) return Describe(cell);
  return {};
}

struct Sheet {
  std::string name;  // bytes as stored: Latin-1 in BIFF8 tests, the code page in BIFF5 ones
  Bytes records;     // between the sheet's BOF and EOF
  std::uint8_t visibility = 0;
  std::uint8_t type = 0;  // 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
};

inline Bytes Bof(bool biff5, unsigned substream) {
  return Record(0x0809, biff5 ? Cat({U16(0x0500), U16(substream), U32(0)})
                              : Cat({U16(0x0600), U16(substream), U32(0), U32(0), U32(0)}));
}
inline Bytes Eof() { return Record(0x000A, {}); }

// A workbook stream: BOF, `globals`, one BOUNDSHEET per sheet, EOF, then the sheets.
inline Bytes Workbook(const Bytes& globals, const std::vector<Sheet>& sheets, bool biff5 = false) {
  const auto boundSheet = [&](const Sheet& sheet, std::uint32_t offset) {
    const auto length = static_cast<std::uint8_t>(sheet.name.size());
    const Bytes name =
        biff5 ? Cat({{length}, Raw(sheet.name)}) : Cat({{length, 0}, Raw(sheet.name)});
    return Record(0x0085, Cat({U32(offset), {sheet.visibility, sheet.type}, name}));
  };
  Bytes out = Cat({Bof(biff5, 5), globals});
  std::size_t offset = out.size() + Eof().size();
  for (const Sheet& sheet : sheets) offset += boundSheet(sheet, 0).size();
  for (const Sheet& sheet : sheets) {
    Append(out, boundSheet(sheet, static_cast<std::uint32_t>(offset)));
    offset += Bof(biff5, 0x10).size() + sheet.records.size() + Eof().size();
  }
  Append(out, Eof());
  for (const Sheet& sheet : sheets) Append(out, Bof(biff5, 0x10), sheet.records, Eof());
  return out;
}

// A compound file laid out as: the streams of 4096 bytes or more, the mini FAT, the mini stream
// (holding the smaller streams), the directory, then the FAT and DIFAT sectors. The root's
// children are chained as right siblings.
struct Compound {
  Bytes bytes;
  std::size_t sectorSize = 512;
  std::uint32_t directorySector = 0;
  std::uint32_t fatSector = 0;  // the first; the FAT sectors are consecutive
  std::uint32_t difatSector = 0;
  std::uint32_t miniFatSector = 0;
  std::vector<std::uint32_t> starts;  // each stream's first sector, or mini sector

  std::size_t sectorOffset(std::uint32_t sector) const { return (sector + 1) * sectorSize; }
  std::size_t fatEntryOffset(std::uint32_t sector) const {
    return sectorOffset(fatSector) + 4 * sector;
  }
  std::size_t entryOffset(std::size_t entry) const {
    return sectorOffset(directorySector) + 128 * entry;
  }
  void put32(std::size_t offset, std::uint32_t value) {
    const Bytes word = U32(value);
    std::copy(word.begin(), word.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  }
};

inline Compound BuildCompound(const std::vector<std::pair<std::u16string, Bytes>>& streams,
                              std::size_t sectorSize = 512, std::size_t minFatSectors = 1) {
  constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
  const std::size_t perSector = sectorSize / 4;
  // Appends `data` to `out` in `unit`-byte pieces linked in `table`; returns the first.
  const auto chain = [](Bytes& out, std::vector<std::uint32_t>& table, std::size_t unit,
                        const Bytes& data) {
    if (data.empty()) return kEnd;
    const auto first = static_cast<std::uint32_t>(table.size());
    const std::size_t count = (data.size() + unit - 1) / unit;
    for (std::uint32_t i = 1; i <= count; ++i) table.push_back(i < count ? first + i : kEnd);
    Append(out, data, Bytes(count * unit - data.size()));
    return first;
  };
  const auto words = [](const std::vector<std::uint32_t>& values) {
    Bytes out;
    for (const std::uint32_t value : values) Append(out, U32(value));
    return out;
  };
  const auto entry = [](const std::u16string& name, std::uint8_t type, std::uint32_t right,
                        std::uint32_t child, std::uint32_t start, std::size_t size) {
    Bytes out;
    for (const char16_t c : name) Append(out, U16(c));
    out.resize(64);
    const Bytes kind = {type, 1};
    Append(out, U16(static_cast<unsigned>(2 * name.size() + 2)), kind, U32(kFree), U32(right),
           U32(child), Bytes(36), U32(start), U32(static_cast<std::uint32_t>(size)), U32(0));
    return out;
  };

  Compound file;
  file.sectorSize = sectorSize;
  Bytes body, mini;
  std::vector<std::uint32_t> fat, miniFat;
  for (const auto& [name, data] : streams)
    file.starts.push_back(data.size() < 4096 ? chain(mini, miniFat, 64, data)
                                             : chain(body, fat, sectorSize, data));
  file.miniFatSector = chain(body, fat, sectorSize, words(miniFat));
  const std::uint32_t miniStart = chain(body, fat, sectorSize, mini);
  Bytes directory =
      entry(u"Root Entry", 5, kFree, streams.empty() ? kFree : 1, miniStart, mini.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const auto right = static_cast<std::uint32_t>(i + 1 < streams.size() ? i + 2 : kFree);
    Append(directory,
           entry(streams[i].first, 2, right, kFree, file.starts[i], streams[i].second.size()));
  }
  file.directorySector = chain(body, fat, sectorSize, directory);

  // Enough FAT sectors to cover everything, themselves and the DIFAT sectors included.
  std::size_t fatSectors = minFatSectors, difatSectors = 0;
  for (;; ++fatSectors) {
    difatSectors = fatSectors > 109 ? (fatSectors - 109 + perSector - 2) / (perSector - 1) : 0;
    if (fatSectors * perSector >= fat.size() + fatSectors + difatSectors) break;
  }
  file.fatSector = static_cast<std::uint32_t>(fat.size());
  file.difatSector = static_cast<std::uint32_t>(fat.size() + fatSectors);
  fat.resize(fat.size() + fatSectors, 0xFFFFFFFD);
  fat.resize(fat.size() + difatSectors, 0xFFFFFFFC);
  fat.resize(fatSectors * perSector, kFree);
  std::vector<std::uint32_t> fatIds(fatSectors), difat;
  for (std::size_t i = 0; i < fatSectors; ++i)
    fatIds[i] = static_cast<std::uint32_t>(file.fatSector + i);
  for (std::size_t i = 0; i < difatSectors; ++i) {
    for (std::size_t j = 109 + i * (perSector - 1); j < 109 + (i + 1) * (perSector - 1); ++j)
      difat.push_back(j < fatSectors ? fatIds[j] : kFree);
    difat.push_back(i + 1 < difatSectors ? static_cast<std::uint32_t>(file.difatSector + i + 1)
                                         : kEnd);
  }
  Append(body, words(fat), words(difat));

  fatIds.resize(109, kFree);
  Bytes header = Cat({{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}, Bytes(16), U16(0x3E)});
  Append(header, U16(sectorSize == 512 ? 3 : 4), U16(0xFFFE), U16(sectorSize == 512 ? 9 : 12),
         U16(6), Bytes(10), U32(static_cast<std::uint32_t>(fatSectors)), U32(file.directorySector),
         U32(0), U32(4096), U32(file.miniFatSector),
         U32(static_cast<std::uint32_t>((miniFat.size() * 4 + sectorSize - 1) / sectorSize)),
         U32(difatSectors > 0 ? file.difatSector : kEnd),
         U32(static_cast<std::uint32_t>(difatSectors)), words(fatIds));
  header.resize(sectorSize);
  file.bytes = Cat({header, body});
  return file;
}

}  // namespace xls_test
