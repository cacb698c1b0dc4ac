#include "workbook/cfb.h"

#include <algorithm>
#include <cstring>

#include "workbook/biff_bytes.h"
#include "workbook/sheet.h"

namespace brelloquin::workbook::cfb {

namespace {

constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderFatSlots = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint8_t kStorageStream = 2;
constexpr std::uint8_t kStorageRoot = 5;
// A chain read to its end rather than to a size from a directory entry.
constexpr std::uint64_t kWholeChain = UINT64_MAX;

[[noreturn]] void Damaged(const char* reason) {
  throw WorkbookError(
      QStringLiteral("The workbook file is damaged: %1.").arg(QLatin1String(reason)));
}

// Entry i of a table sector; a sector cut short by the end of the file reads as free.
std::uint32_t SectorEntry(Bytes sector, std::size_t i) {
  return 4 * i + 4 <= sector.size() ? ReadU32(sector.data() + 4 * i) : kFreeSector;
}

// Copies the chain that starts at `start` out of `source`, cut into units of `unit` bytes
// linked by `table`. A sized read takes `size` bytes and fails when the chain or the file ends
// first; a whole-chain read pads a last unit cut short by the end of the file.
std::vector<std::uint8_t> ReadChain(Bytes source, std::size_t unit,
                                    const std::vector<std::uint32_t>& table, std::uint32_t start,
                                    std::uint64_t size) {
  const std::size_t units = std::min(table.size(), (source.size() + unit - 1) / unit);
  const bool whole = size == kWholeChain;
  if (!whole && size > std::uint64_t{units} * unit) Damaged("a stream is larger than the file");
  std::vector<std::uint8_t> out;
  if (!whole) out.reserve(size);
  std::vector<bool> seen(units);
  for (std::uint32_t sector = start; whole || out.size() < size; sector = table[sector]) {
    if (whole && sector > kMaxRegularSector) break;
    if (sector >= units) Damaged("a stream runs outside the file or ends early");
    if (seen[sector]) Damaged("a sector chain loops back on itself");
    seen[sector] = true;
    const std::size_t begin = std::size_t{sector} * unit;
    const std::size_t wanted = whole ? unit : std::min<std::uint64_t>(unit, size - out.size());
    const std::size_t available = std::min(wanted, source.size() - begin);
    if (!whole && available < wanted) Damaged("the file is truncated");
    const auto piece = source.subspan(begin, available);
    out.insert(out.end(), piece.begin(), piece.end());
    out.resize(out.size() + wanted - available);
  }
  return out;
}

std::vector<std::uint32_t> TableEntries(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint32_t> entries(bytes.size() / 4);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = ReadU32(bytes.data() + 4 * i);
  return entries;
}

QString EntryName(const std::uint8_t* entry) {
  const std::size_t length = std::min<std::size_t>(ReadU16(entry + 64) / 2, 32);
  QString name;
  for (std::size_t i = 0; i < length && ReadU16(entry + 2 * i) != 0; ++i)
    name.append(QChar(ReadU16(entry + 2 * i)));
  return name;
}

}  // namespace

bool HasSignature(const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return size >= 8 && std::equal(kSignature, kSignature + 8, data);
}

CompoundFile::CompoundFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (!HasSignature(bytes_.data(), bytes_.size()))
    throw WorkbookError(WorkbookError::Reason::Unsupported,
                        QStringLiteral("The file is not a compound document."));
  if (bytes_.size() < kHeaderSize) Damaged("the file is truncated");
  const std::uint8_t* header = bytes_.data();
  const std::uint16_t shift = ReadU16(header + 30);
  if (shift != 9 && shift != 12) Damaged("its sector size is not valid");
  sectorSize_ = std::size_t{1} << shift;
  const Bytes file = sectors();
  const std::size_t perSector = sectorSize_ / 4;
  const std::size_t sectorCount = (file.size() + sectorSize_ - 1) / sectorSize_;
  const auto sector = [&](std::uint32_t id) {
    return file.subspan(std::size_t{id} * sectorSize_,
                        std::min(sectorSize_, file.size() - std::size_t{id} * sectorSize_));
  };

  // The FAT sectors are listed first in the header, then in the chain of DIFAT sectors.
  const std::uint32_t fatCount = ReadU32(header + 44);
  if (fatCount > sectorCount) Damaged("its allocation table is larger than the file");
  std::vector<std::uint32_t> fatSectors;
  fatSectors.reserve(fatCount);
  for (std::size_t i = 0; i < kHeaderFatSlots && fatSectors.size() < fatCount; ++i)
    fatSectors.push_back(ReadU32(header + 76 + 4 * i));
  std::vector<bool> seen(sectorCount);
  for (std::uint32_t difat = ReadU32(header + 68);
       fatSectors.size() < fatCount && difat <= kMaxRegularSector;) {
    if (difat >= sectorCount || seen[difat]) Damaged("its list of allocation sectors is broken");
    seen[difat] = true;
    const Bytes entries = sector(difat);
    for (std::size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
      fatSectors.push_back(SectorEntry(entries, i));
    difat = SectorEntry(entries, perSector - 1);
  }
  fat_.reserve(fatSectors.size() * perSector);
  for (const std::uint32_t id : fatSectors) {
    if (id >= sectorCount) Damaged("its allocation table lies outside the file");
    const Bytes entries = sector(id);
    for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(SectorEntry(entries, i));
  }

  const std::vector<std::uint8_t> directory =
      ReadChain(file, sectorSize_, fat_, ReadU32(header + 48), kWholeChain);
  const std::size_t entryCount = directory.size() / kEntrySize;
  if (entryCount == 0 || directory[66] != kStorageRoot) Damaged("it has no root storage");
  // Version 3 files may leave garbage in the high half of a stream size.
  const auto streamSize = [&](const std::uint8_t* entry) {
    return sectorSize_ == 512 ? ReadU32(entry + 120) : ReadU64(entry + 120);
  };
  miniStream_ = ReadChain(file, sectorSize_, fat_, ReadU32(directory.data() + 116),
                          streamSize(directory.data()));
  miniFat_ = TableEntries(ReadChain(file, sectorSize_, fat_, ReadU32(header + 60), kWholeChain));

  // The root's children form a tree of siblings; walk it with a stack, each entry once.
  std::vector<bool> visited(entryCount);
  visited[0] = true;
  std::vector<std::uint32_t> pending{ReadU32(directory.data() + 76)};
  while (!pending.empty()) {
    const std::uint32_t index = pending.back();
    pending.pop_back();
    if (index >= entryCount || visited[index]) continue;
    visited[index] = true;
    const std::uint8_t* entry = directory.data() + std::size_t{index} * kEntrySize;
    pending.push_back(ReadU32(entry + 68));
    pending.push_back(ReadU32(entry + 72));
    if (entry[66] == kStorageStream)
      streams_.push_back({EntryName(entry), ReadU32(entry + 116), streamSize(entry)});
  }
}

Bytes CompoundFile::sectors() const {
  return Bytes(bytes_).subspan(std::min(sectorSize_, bytes_.size()));
}

const CompoundFile::Entry* CompoundFile::find(const QString& name) const {
  const auto it = std::find_if(streams_.begin(), streams_.end(), [&](const Entry& entry) {
    return entry.name.compare(name, Qt::CaseInsensitive) == 0;
  });
  return it == streams_.end() ? nullptr : &*it;
}

bool CompoundFile::hasStream(const QString& name) const { return find(name) != nullptr; }

std::vector<std::uint8_t> CompoundFile::readStream(const QString& name) const {
  const Entry* entry = find(name);
  if (!entry) throw WorkbookError(QStringLiteral("The file holds no stream named '%1'.").arg(name));
  if (entry->size < kMiniStreamCutoff)
    return ReadChain(miniStream_, kMiniSectorSize, miniFat_, entry->start, entry->size);
  return ReadChain(sectors(), sectorSize_, fat_, entry->start, entry->size);
}

std::vector<std::uint8_t> CompoundFile::takeStream(const QString& name) && {
  const Entry* entry = find(name);
  if (!entry || entry->size < kMiniStreamCutoff) return readStream(name);
  const Bytes file = sectors();
  const std::uint64_t units = std::min<std::uint64_t>(fat_.size(), file.size() / sectorSize_);
  const std::uint64_t count = (entry->size + sectorSize_ - 1) / sectorSize_;
  // Only a chain of whole sectors in ascending order is taken in place: each sector then moves
  // towards the front without overwriting one still to come.
  std::uint32_t sector = entry->start;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (sector >= units || (i + 1 < count && fat_[sector] <= sector)) return readStream(name);
    if (i + 1 < count) sector = fat_[sector];
  }
  const auto base = static_cast<std::size_t>(file.data() - bytes_.data());
  std::vector<std::uint8_t> bytes = std::move(bytes_);
  const auto size = static_cast<std::size_t>(entry->size);
  sector = entry->start;
  for (std::size_t out = 0; out < size; out += sectorSize_, sector = fat_[sector])
    std::memmove(bytes.data() + out, bytes.data() + base + std::size_t{sector} * sectorSize_,
                 std::min(sectorSize_, size - out));
  bytes.resize(size);
  return bytes;
}

}  // namespace brelloquin::workbook::cfb
