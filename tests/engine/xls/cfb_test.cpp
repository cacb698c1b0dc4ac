#include "workbook/cfb.h"

#include <gtest/gtest.h>

#include "workbook/sheet.h"
#include "xls_test_support.h"

using brelloquin::workbook::WorkbookError;
using brelloquin::workbook::cfb::CompoundFile;
using namespace xls_test;

namespace {

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return out;
}

// A stream in regular sectors, one in the mini stream and an empty one.
Compound Sample(std::size_t sectorSize = 512) {
  return BuildCompound(
      {{u"Workbook", Pattern(20000, 1)}, {u"Small", Pattern(300, 2)}, {u"Empty", {}}}, sectorSize);
}

// 7.5 MB need more FAT sectors than the header's 109 slots; 237 need two DIFAT sectors.
Compound Large() { return BuildCompound({{u"Workbook", Pattern(7'500'000, 3)}}, 512, 237); }

// The stream read, checking that taking it from the file gives the same bytes or failure.
std::vector<std::uint8_t> Read(const Bytes& bytes, const char* stream = "Workbook") {
  const QLatin1String name(stream);
  std::vector<std::uint8_t> read;
  try {
    read = CompoundFile(bytes).readStream(name);
  } catch (const WorkbookError&) {
    EXPECT_THROW(CompoundFile(bytes).takeStream(name), WorkbookError);
    throw;
  }
  EXPECT_EQ(CompoundFile(bytes).takeStream(name), read);
  return read;
}

class CompoundFileTest : public testing::TestWithParam<std::size_t> {};

TEST_P(CompoundFileTest, ReadsRegularAndMiniStreamsByNameIgnoringCase) {
  const CompoundFile file(Sample(GetParam()).bytes);
  EXPECT_TRUE(file.hasStream(QStringLiteral("WORKBOOK")));
  EXPECT_FALSE(file.hasStream(QStringLiteral("Book")));
  EXPECT_EQ(file.readStream(QStringLiteral("workbook")), Pattern(20000, 1));
  EXPECT_EQ(file.readStream(QStringLiteral("Small")), Pattern(300, 2));
  EXPECT_TRUE(file.readStream(QStringLiteral("Empty")).empty());
  EXPECT_THROW(file.readStream(QStringLiteral("Book")), WorkbookError);
}

TEST_P(CompoundFileTest, EveryTruncationReadsCorrectlyOrFails) {
  const Bytes bytes = Sample(GetParam()).bytes;
  for (std::size_t size = 0; size < bytes.size(); size += 97) {
    try {
      EXPECT_EQ(Read(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size))),
                Pattern(20000, 1));
    } catch (const WorkbookError&) {
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, CompoundFileTest, testing::Values(512, 4096));

TEST(CompoundFileDifat, ReadsSectorsListedInDifatSectors) {
  EXPECT_EQ(Read(Large().bytes), Pattern(7'500'000, 3));
}

TEST(CompoundFileDamage, BadSectorNumbersLoopsAndOversizedClaimsAreErrors) {
  const Compound sample = Sample(), large = Large();
  const std::uint32_t first = sample.starts[0];
  struct Case {
    Compound file;
    std::size_t offset;  // where to write
    std::uint32_t value;
    const char* stream = "Workbook";
  };
  const std::vector<Case> cases = {
      {sample, sample.entryOffset(1) + 116, 0xFFFF0000},       // start far beyond the file
      {sample, sample.fatEntryOffset(first + 3), first},       // the chain loops back
      {sample, sample.fatEntryOffset(first + 3), 0xFFFFFFFE},  // the chain ends early
      {sample, sample.entryOffset(1) + 120, 0xFFFFFF00},       // 4 GB in a 25 KB file
      {sample, 44, 0x10000000},                                // more FAT sectors than sectors
      {sample, 30, 16},                                        // sector shift
      {sample, sample.entryOffset(0) + 120, 1 << 20},          // mini stream beyond the file
      {large, large.sectorOffset(large.difatSector) + 508, large.difatSector},  // DIFAT loop
      // The mini stream's first sector points back at itself.
      {sample, sample.sectorOffset(sample.miniFatSector) + 4 * sample.starts[1], sample.starts[1],
       "Small"},
  };
  for (Case damaged : cases) {
    SCOPED_TRACE(damaged.offset);
    damaged.file.put32(damaged.offset, damaged.value);
    EXPECT_THROW(Read(damaged.file.bytes, damaged.stream), WorkbookError);
  }
  EXPECT_THROW(Read(Bytes(sample.bytes.begin(), sample.bytes.begin() + 300)), WorkbookError);
  EXPECT_THROW(Read(Bytes(600, 0)), WorkbookError);

  // Directory siblings that point at each other still end the walk.
  Compound looped = sample;
  looped.put32(looped.entryOffset(3) + 72, 1);
  looped.put32(looped.entryOffset(1) + 68, 3);
  EXPECT_TRUE(CompoundFile(looped.bytes).hasStream(QStringLiteral("Empty")));
}

}  // namespace
