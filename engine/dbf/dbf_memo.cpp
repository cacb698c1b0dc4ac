#include "dbf/dbf_memo.h"

#include <QFileInfo>

#include "dbf/dbf_format.h"

namespace brelloquin::dbf {
namespace {

constexpr std::uint32_t kBlockSize = 512;
constexpr int kNextBlockOffset = 0;  // 32-bit, in both flavours
// dBase III header block.
constexpr int kDBase3VersionOffset = 16;
constexpr char kDBase3Version = 0x03;
constexpr char kDBase3EndOfText[] = "\x1A\x1A";
// dBase IV header block.
constexpr int kTableNameOffset = 8;
constexpr int kTableNameBytes = 8;
constexpr int kBlockSizeOffset = 20;  // 16-bit
// A dBase IV memo starts with a marker and its 32-bit length, these 8 bytes included.
constexpr char kDBase4MemoHeader[] = "\xFF\xFF\x08\x00\0\0\0\0";
constexpr int kDBase4MemoHeaderSize = 8;
constexpr int kDBase4MemoLengthOffset = 4;

// The table's name as the dBase IV header holds it: at most 8 bytes, no character split.
QByteArray HeaderTableName(QString name, const text::CodePage& codePage) {
  QByteArray bytes = codePage.encode(name);
  while (bytes.size() > kTableNameBytes) {
    name.chop(1);
    bytes = codePage.encode(name);
  }
  return bytes;
}

}  // namespace

QString MemoPath(const QString& dbfPath) {
  const QString suffix = QFileInfo(dbfPath).suffix();
  if (suffix.isEmpty()) return dbfPath + QStringLiteral(".dbt");
  const bool upper = suffix == suffix.toUpper() && suffix != suffix.toLower();
  return dbfPath.chopped(suffix.size()) + (upper ? QStringLiteral("DBT") : QStringLiteral("dbt"));
}

void MemoFile::Create(const QString& path, Flavour flavour, const QString& tableName,
                      const text::CodePage& codePage) {
  QByteArray header(kBlockSize, '\0');
  format::PutUInt32(header.data() + kNextBlockOffset, 1);
  if (flavour == Flavour::DBase3) {
    header[kDBase3VersionOffset] = kDBase3Version;
  } else {
    const QByteArray name = HeaderTableName(tableName, codePage);
    header.replace(kTableNameOffset, name.size(), name);
    format::PutUInt16(header.data() + kBlockSizeOffset, kBlockSize);
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw DbfError(QStringLiteral("Could not create %1: %2").arg(path, file.errorString()));
  format::WriteAt(file, 0, header);
}

MemoFile::MemoFile(const QString& path, Flavour flavour) : file_(path), flavour_(flavour) {
  if (!file_.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
    throw DbfError(
        QStringLiteral("Could not open the memo file %1: %2").arg(path, file_.errorString()));
  auto damaged = [&path](const QString& why) {
    return DbfError(QStringLiteral("The memo file %1 is damaged: %2").arg(path, why));
  };
  if (file_.size() < kBlockSize) throw damaged(QStringLiteral("it has no header block."));
  const QByteArray header = format::ReadAt(file_, 0, kBlockSize);
  nextBlock_ = format::GetUInt32(header.constData() + kNextBlockOffset);
  blockSize_ = flavour == Flavour::DBase3
                   ? kBlockSize
                   : format::GetUInt16(header.constData() + kBlockSizeOffset);
  if (blockSize_ < kDBase4MemoHeaderSize)
    throw damaged(QStringLiteral("its block size %1 is impossible.").arg(blockSize_));
  if (nextBlock_ == 0 || nextBlock_ * static_cast<qint64>(blockSize_) < kBlockSize)
    throw damaged(QStringLiteral("its next free block %1 lies in the header.").arg(nextBlock_));
}

std::uint32_t MemoFile::append(const QByteArray& text) {
  QByteArray memo;
  if (flavour_ == Flavour::DBase3) {
    memo = text + kDBase3EndOfText;
  } else {
    memo = QByteArray(kDBase4MemoHeader, kDBase4MemoHeaderSize) + text;
    format::PutUInt32(memo.data() + kDBase4MemoLengthOffset,
                      static_cast<std::uint32_t>(memo.size()));
  }
  // Whole blocks keep the file's length at the next free block.
  const qsizetype blocks = (memo.size() + blockSize_ - 1) / blockSize_;
  memo.resize(blocks * blockSize_, '\0');
  const std::uint32_t first = nextBlock_;
  format::WriteAt(file_, first * static_cast<qint64>(blockSize_), memo);
  QByteArray next(4, '\0');
  format::PutUInt32(next.data(), first + static_cast<std::uint32_t>(blocks));
  format::WriteAt(file_, kNextBlockOffset, next);
  nextBlock_ = first + static_cast<std::uint32_t>(blocks);
  return first;
}

}  // namespace brelloquin::dbf
