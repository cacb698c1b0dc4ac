#pragma once
// The compound file (OLE2 structured storage) that holds .xls workbooks and encrypted
// OOXML packages.

#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace brelloquin::workbook::cfb {

// True when the bytes start with the compound file signature.
bool HasSignature(const std::uint8_t* data, std::size_t size);

class CompoundFile {
 public:
  // Parses header, FAT, DIFAT, directory and mini stream. Throws WorkbookError.
  explicit CompoundFile(std::vector<std::uint8_t> bytes);
  // Streams directly below the root storage, by name ignoring case.
  bool hasStream(const QString& name) const;
  // Throws WorkbookError when the stream is missing or damaged.
  std::vector<std::uint8_t> readStream(const QString& name) const;
  // The same bytes; a stream whose sectors follow each other in the file's order (as spreadsheet
  // programs write them) is gathered within the file's own bytes instead of a copy, so a large
  // workbook is not held twice. The compound file is spent afterwards.
  std::vector<std::uint8_t> takeStream(const QString& name) &&;

 private:
  struct Entry {
    QString name;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };
  const Entry* find(const QString& name) const;
  // The file after its header sector: sector n starts at n * sectorSize_.
  std::span<const std::uint8_t> sectors() const;

  std::vector<std::uint8_t> bytes_;
  std::size_t sectorSize_ = 512;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<std::uint8_t> miniStream_;
  std::vector<Entry> streams_;
};

}  // namespace brelloquin::workbook::cfb
