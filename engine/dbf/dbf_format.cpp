#include "dbf/dbf_format.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <numeric>
#include <set>

namespace brelloquin::dbf::format {
namespace {

int FixedLength(char type) {
  switch (type) {
    case 'D':
      return 8;
    case 'L':
      return 1;
    case 'M':
      return kMemoFieldLength;
    default:
      return 0;
  }
}

bool IsNameCharacter(QChar c) { return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'_'); }

void CheckName(const QString& name, std::set<QString>& seen) {
  if (name.isEmpty()) throw DbfError(QStringLiteral("A field has no name."));
  if (name.size() > kMaxNameLength)
    throw DbfError(QStringLiteral("Field name %1 is longer than %2 characters.")
                       .arg(name)
                       .arg(kMaxNameLength));
  if (!std::all_of(name.begin(), name.end(), IsNameCharacter))
    throw DbfError(
        QStringLiteral("Field name %1 may hold only ASCII letters, digits and \"_\".").arg(name));
  if (!seen.insert(name.toUpper()).second)
    throw DbfError(QStringLiteral("Field name %1 is used twice (names are compared ignoring case).")
                       .arg(name));
}

void CheckWidth(FieldDescriptor& field) {
  auto fail = [&field](const QString& why) { throw FieldError(field, why); };
  switch (field.type) {
    case 'C':
      if (field.length < 1 || field.length > kMaxCharacterLength)
        fail(QStringLiteral("a character field is 1 to %1 bytes wide, not %2.")
                 .arg(kMaxCharacterLength)
                 .arg(field.length));
      field.decimals = 0;
      break;
    case 'N':
      if (field.length < 1 || field.length > kMaxNumericLength)
        fail(QStringLiteral("a numeric field is 1 to %1 characters wide, not %2.")
                 .arg(kMaxNumericLength)
                 .arg(field.length));
      // The decimals need a point and at least one digit before it.
      if (field.decimals < 0 || field.decimals > kMaxDecimals ||
          (field.decimals > 0 && field.decimals > field.length - 2))
        fail(QStringLiteral("%1 decimals do not fit a numeric field %2 characters wide.")
                 .arg(field.decimals)
                 .arg(field.length));
      break;
    case 'D':
    case 'L':
    case 'M':
      field.length = FixedLength(field.type);
      field.decimals = 0;
      break;
    default:
      fail(QStringLiteral("type \"%1\" is not one of C, N, D, L and M.")
               .arg(QString::fromLatin1(&field.type, 1)));
  }
}

}  // namespace

DbfError FieldError(const FieldDescriptor& field, const QString& why) {
  return DbfError(QStringLiteral("Field %1: %2").arg(field.name, why));
}

bool Table::hasMemo() const {
  return std::any_of(fields.begin(), fields.end(),
                     [](const FieldDescriptor& f) { return f.type == 'M'; });
}

int HeaderSize(std::size_t fieldCount) {
  return kFixedHeaderSize + kDescriptorSize * static_cast<int>(fieldCount) + 1;
}

int Table::recordSize() const {
  return std::accumulate(fields.begin(), fields.end(), 1,
                         [](int sum, const FieldDescriptor& f) { return sum + f.length; });
}

qint64 Table::recordOffset(std::uint32_t index) const {
  return headerSize + static_cast<qint64>(index) * recordSize();
}

void CheckFields(std::vector<FieldDescriptor>& fields) {
  if (fields.empty()) throw DbfError(QStringLiteral("A table needs at least one field."));
  if (static_cast<int>(fields.size()) > kMaxFields)
    throw DbfError(QStringLiteral("A dBase table holds at most %1 fields, not %2.")
                       .arg(kMaxFields)
                       .arg(fields.size()));
  std::set<QString> seen;
  for (FieldDescriptor& field : fields) {
    CheckName(field.name, seen);
    CheckWidth(field);
  }
}

QDate Today() {
  thread_local QDate today;
  thread_local std::chrono::steady_clock::time_point asked;
  const auto now = std::chrono::steady_clock::now();
  if (!today.isValid() || now - asked > std::chrono::seconds(1)) {
    today = QDate::currentDate();
    asked = now;
  }
  return today;
}

QByteArray DateAndCountBytes(QDate date, std::uint32_t recordCount) {
  QByteArray bytes(7, '\0');
  bytes[0] = static_cast<char>(std::clamp(date.year() - 1900, 0, 255));
  bytes[1] = static_cast<char>(date.month());
  bytes[2] = static_cast<char>(date.day());
  PutUInt32(bytes.data() + 3, recordCount);
  return bytes;
}

QByteArray HeaderBytes(const Table& table) {
  QByteArray header(table.headerSize, '\0');
  char* fixed = header.data();
  fixed[kVersionOffset] =
      static_cast<char>(!table.hasMemo()                   ? kVersionWithoutMemo
                        : table.flavour == Flavour::DBase3 ? kVersionDBase3Memo
                                                           : kVersionDBase4Memo);
  const QByteArray dateAndCount = DateAndCountBytes(Today(), table.recordCount);
  std::copy(dateAndCount.begin(), dateAndCount.end(), fixed + kUpdateDateOffset);
  PutUInt16(fixed + kHeaderSizeOffset, static_cast<std::uint16_t>(table.headerSize));
  PutUInt16(fixed + kRecordSizeOffset, static_cast<std::uint16_t>(table.recordSize()));
  fixed[kLanguageDriverOffset] = static_cast<char>(table.codePage.languageDriver());
  char* descriptor = fixed + kFixedHeaderSize;
  for (const FieldDescriptor& field : table.fields) {
    const QByteArray name = field.name.toLatin1();
    std::copy(name.begin(), name.end(), descriptor + kNameOffset);
    descriptor[kTypeOffset] = field.type;
    descriptor[kLengthOffset] = static_cast<char>(field.length);
    descriptor[kDecimalsOffset] = static_cast<char>(field.decimals);
    descriptor += kDescriptorSize;
  }
  *descriptor = kHeaderTerminator;
  return header;
}

Table ReadHeader(QFile& file) {
  auto damaged = [&file](const QString& why) {
    return DbfError(QStringLiteral("The table %1 is damaged: %2").arg(file.fileName(), why));
  };
  const qint64 fileSize = file.size();
  if (fileSize < kFixedHeaderSize + kDescriptorSize + 1)
    throw damaged(QStringLiteral("it is too short to hold a header."));
  const QByteArray fixed = ReadAt(file, 0, kFixedHeaderSize);
  const auto version = static_cast<std::uint8_t>(fixed[kVersionOffset]);
  if (version != kVersionWithoutMemo && version != kVersionDBase3Memo &&
      version != kVersionDBase4Memo)
    throw damaged(QStringLiteral("version byte 0x%1 is not that of a dBase III or IV table.")
                      .arg(version, 2, 16, QLatin1Char('0')));
  const int headerSize = GetUInt16(fixed.constData() + kHeaderSizeOffset);
  if (headerSize < kFixedHeaderSize + kDescriptorSize + 1 || headerSize > fileSize)
    throw damaged(QStringLiteral("its header size %1 is impossible.").arg(headerSize));

  const QByteArray descriptors = ReadAt(file, kFixedHeaderSize, headerSize - kFixedHeaderSize);
  std::vector<FieldDescriptor> fields;
  for (qsizetype at = 0; descriptors[at] != kHeaderTerminator; at += kDescriptorSize) {
    if (at + kDescriptorSize >= descriptors.size())
      throw damaged(QStringLiteral("the field descriptors have no terminator."));
    const char* descriptor = descriptors.constData() + at;
    FieldDescriptor field;
    field.name =
        QString::fromLatin1(descriptor + kNameOffset,
                            static_cast<qsizetype>(qstrnlen(descriptor + kNameOffset, kNameBytes)));
    field.type = descriptor[kTypeOffset];
    field.length = static_cast<std::uint8_t>(descriptor[kLengthOffset]);
    field.decimals = static_cast<std::uint8_t>(descriptor[kDecimalsOffset]);
    if (FixedLength(field.type) != 0 && field.length != FixedLength(field.type))
      throw damaged(QStringLiteral("field %1 of type %2 is %3 bytes wide.")
                        .arg(field.name, QString::fromLatin1(&field.type, 1))
                        .arg(field.length));
    fields.push_back(field);
  }

  Table table{
      version == kVersionDBase4Memo ? Flavour::DBase4 : Flavour::DBase3, std::move(fields),
      text::CodePage::FromLanguageDriver(static_cast<std::uint8_t>(fixed[kLanguageDriverOffset]))
          .value_or(*text::CodePage::FromWindows(1252)),
      headerSize, GetUInt32(fixed.constData() + kRecordCountOffset)};
  try {
    CheckFields(table.fields);
  } catch (const DbfError& error) {
    throw damaged(error.description());
  }
  if (table.hasMemo() && version == kVersionWithoutMemo)
    throw damaged(QStringLiteral("it has a memo field, but its version byte says no memo file."));
  if (GetUInt16(fixed.constData() + kRecordSizeOffset) != table.recordSize())
    throw damaged(QStringLiteral("its record size does not match its fields."));
  const qint64 records = (fileSize - headerSize) / table.recordSize();
  if (records < table.recordCount)
    throw damaged(QStringLiteral("the header counts %1 records, but the file holds %2.")
                      .arg(table.recordCount)
                      .arg(records));
  return table;
}

void PutUInt16(char* at, std::uint16_t value) {
  at[0] = static_cast<char>(value & 0xFF);
  at[1] = static_cast<char>(value >> 8);
}

void PutUInt32(char* at, std::uint32_t value) {
  PutUInt16(at, static_cast<std::uint16_t>(value & 0xFFFF));
  PutUInt16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t GetUInt16(const char* at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(at[0]) |
                                    static_cast<std::uint8_t>(at[1]) << 8);
}

std::uint32_t GetUInt32(const char* at) {
  return GetUInt16(at) | static_cast<std::uint32_t>(GetUInt16(at + 2)) << 16;
}

void WriteAt(QFile& file, qint64 offset, const QByteArray& bytes) {
  errno = 0;
  if (!file.seek(offset) || file.write(bytes) != bytes.size() || !file.flush()) {
    // The system's own reason ("No space left on device"); Qt may not have kept it.
    const int error = errno;
    throw DbfWriteError(
        QDir::toNativeSeparators(file.fileName()),
        error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : file.errorString());
  }
}

QByteArray ReadAt(QFile& file, qint64 offset, qint64 size) {
  QByteArray bytes;
  if (file.seek(offset)) bytes = file.read(size);
  if (bytes.size() != size)
    throw DbfError(
        QStringLiteral("Could not read %1: %2").arg(file.fileName(), file.errorString()));
  return bytes;
}

}  // namespace brelloquin::dbf::format
