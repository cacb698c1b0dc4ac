#pragma once
// The zip container of a SpreadsheetML workbook: parts found by name, inflated as a stream.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct zip;
struct zip_file;

namespace brelloquin::workbook::xlsx {

class ZipArchive;

// The bytes of one part as a stream, and the names its errors are reported by. The XML readers
// take this rather than a ZipPart, so that tests and fuzzers can feed them any bytes.
class PartReader {
 public:
  virtual ~PartReader() = default;
  virtual const std::string& name() const = 0;
  virtual const QString& archivePath() const = 0;
  // Fills up to `size` bytes; 0 at the end of the part. Throws WorkbookError.
  virtual std::size_t read(void* buffer, std::size_t size) = 0;
};

// One part being inflated. Reading counts the inflated bytes and refuses a zip bomb by the
// limits below, whatever the part's directory entry claims.
class ZipPart final : public PartReader {
 public:
  ZipPart(ZipPart&& other) noexcept;
  ~ZipPart() override;
  ZipPart& operator=(ZipPart&&) = delete;

  const std::string& name() const override { return name_; }
  const QString& archivePath() const override;
  std::size_t read(void* buffer, std::size_t size) override;

 private:
  friend class ZipArchive;
  ZipPart(const ZipArchive& archive, zip_file* file, std::string name,
          std::uint64_t compressedBound);

  const ZipArchive& archive_;
  zip_file* file_;
  std::string name_;
  std::uint64_t compressedBound_;  // the deflated size, at most the whole archive
  std::uint64_t total_ = 0;
};

class ZipArchive {
 public:
  // Throws WorkbookError when the file is not a readable zip archive.
  explicit ZipArchive(const QString& path);
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  const QString& path() const { return path_; }
  bool has(std::string_view name) const;
  // The part by its name (compared without case, "\" taken as "/"); nullopt when absent.
  // Throws WorkbookError when the part exists but cannot be opened.
  std::optional<ZipPart> open(std::string_view name) const;

 private:
  QString path_;
  zip* archive_ = nullptr;
  std::uint64_t fileSize_ = 0;
  std::unordered_map<std::string, std::uint64_t> entries_;
};

// A part holds at most kMaxPartBytes once inflated: a full 1,048,576-row sheet of ten numeric
// columns is about 1 GiB. Past kRatioCheckBytes it must also inflate at most kMaxRatio times
// its deflated size: sheet XML of that size deflates about 5 to 30 times, while a bomb of
// repeated cells, which reaches 1000 times, is stopped before its cells take much memory.
inline constexpr std::uint64_t kMaxPartBytes = std::uint64_t{2} << 30;
inline constexpr std::uint64_t kRatioCheckBytes = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMaxRatio = 100;

// The key a part is found by: lower case, "/" separators, no leading "/".
std::string PartKey(std::string_view name);

}  // namespace brelloquin::workbook::xlsx
