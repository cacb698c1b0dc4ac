#pragma once
// The bytes of a table's header and field descriptors, the rules its fields obey, and the file
// access shared by the table and memo writers.

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <cstdint>
#include <vector>

#include "dbf/dbf_table.h"

namespace brelloquin::dbf::format {

// The fixed part of the header.
inline constexpr int kFixedHeaderSize = 32;
inline constexpr int kVersionOffset = 0;
inline constexpr int kUpdateDateOffset = 1;   // YY MM DD, the year counted from 1900
inline constexpr int kRecordCountOffset = 4;  // 32-bit
inline constexpr int kHeaderSizeOffset = 8;   // 16-bit
inline constexpr int kRecordSizeOffset = 10;  // 16-bit
inline constexpr int kLanguageDriverOffset = 29;

// One field descriptor follows another after the fixed part.
inline constexpr int kDescriptorSize = 32;
inline constexpr int kNameOffset = 0;  // NUL-padded, 11 bytes
inline constexpr int kNameBytes = 11;
inline constexpr int kTypeOffset = 11;
inline constexpr int kLengthOffset = 16;
inline constexpr int kDecimalsOffset = 17;

inline constexpr char kHeaderTerminator = 0x0D;
inline constexpr char kEndOfFile = 0x1A;
inline constexpr char kLiveRecord = ' ';

inline constexpr std::uint8_t kVersionWithoutMemo = 0x03;
inline constexpr std::uint8_t kVersionDBase3Memo = 0x83;
inline constexpr std::uint8_t kVersionDBase4Memo = 0x8B;

inline constexpr int kMaxNameLength = 10;
inline constexpr int kMemoFieldLength = 10;  // the first block's number, as text

// The header size that fits the fields: fixed part, descriptors and terminator.
int HeaderSize(std::size_t fieldCount);

// A table's layout as its header states it.
struct Table {
  Flavour flavour;
  std::vector<FieldDescriptor> fields;
  text::CodePage codePage;
  int headerSize;  // where the first record starts; other programs may pad the header
  std::uint32_t recordCount = 0;

  bool hasMemo() const;
  int recordSize() const;
  qint64 recordOffset(std::uint32_t index) const;
};

// The error for a value or width the field cannot take.
DbfError FieldError(const FieldDescriptor& field, const QString& why);

// Checks the fields against the rules of both flavours and gives D, L and M fields their fixed
// widths. Throws DbfError.
void CheckFields(std::vector<FieldDescriptor>& fields);

// Today's date as the headers record it. Asking the system reads the time zone anew each
// time, which costs more than writing a small table: the answer is kept for a second.
QDate Today();

// The header of the table: fixed part, descriptors and terminator, dated today.
QByteArray HeaderBytes(const Table& table);
// Header bytes 1 to 7: the date of the last change and the record count.
QByteArray DateAndCountBytes(QDate date, std::uint32_t recordCount);

// Reads and checks the header of an existing table. Throws DbfError saying what is wrong.
Table ReadHeader(QFile& file);

void PutUInt16(char* at, std::uint16_t value);
void PutUInt32(char* at, std::uint32_t value);
std::uint16_t GetUInt16(const char* at);
std::uint32_t GetUInt32(const char* at);

// Throw DbfError naming the file when the operating system refuses.
void WriteAt(QFile& file, qint64 offset, const QByteArray& bytes);
QByteArray ReadAt(QFile& file, qint64 offset, qint64 size);

}  // namespace brelloquin::dbf::format
