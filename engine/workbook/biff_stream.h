#pragma once
// The records of a BIFF stream, and the values that run on from a record into the CONTINUE
// records after it.

#include <QByteArray>
#include <QString>
#include <vector>

#include "workbook/biff_bytes.h"

namespace brelloquin::workbook::biff {

struct Record {
  std::uint16_t type = 0;
  Bytes data;
  std::vector<Bytes> continues;  // the CONTINUE records right after it
};

class RecordReader {
 public:
  RecordReader(Bytes stream, std::size_t offset) : stream_(stream), offset_(offset) {}
  // The next record with its CONTINUE records; false at the end of the stream (a tail too short
  // for a record header is ignored). Throws WorkbookError when a record runs past the end.
  bool next(Record& record);

 private:
  bool take(std::uint16_t& type, Bytes& data);

  Bytes stream_;
  std::size_t offset_;
};

// Reads a record and its CONTINUE records as one run of bytes. Throws WorkbookError when the
// bytes run out.
class RecordData {
 public:
  explicit RecordData(const Record& record) : record_(record), current_(record.data) {}
  bool atEnd();
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  void skip(std::size_t count);
  QByteArray bytes(std::size_t count);
  // A BIFF8 string: a character count of `countSize` bytes, a flag byte, the optional counts of
  // formatting runs and phonetic bytes, the characters (8-bit Latin-1 or UTF-16), then the runs
  // and phonetic bytes, which are skipped. Characters cut by a CONTINUE boundary resume after a
  // fresh flag byte that says how wide they are.
  QString unicodeString(std::size_t countSize);

 private:
  // Moves to the start of the next CONTINUE record with bytes left; false when there is none.
  bool nextSegment();
  std::size_t remaining() const;

  const Record& record_;
  std::size_t segment_ = 0;  // 0: the record itself; n: its n-th CONTINUE record
  Bytes current_;
  std::size_t pos_ = 0;
};

}  // namespace brelloquin::workbook::biff
