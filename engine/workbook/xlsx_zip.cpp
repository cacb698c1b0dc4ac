#include "workbook/xlsx_zip.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <utility>

#include "workbook/sheet.h"

namespace brelloquin::workbook::xlsx {

namespace {

QString ErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  const QString text = QString::fromUtf8(zip_error_strerror(&error));
  zip_error_fini(&error);
  return text;
}

bool StartsLikeZip(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.peek(2) == "PK";
}

// The name of the first zip directory entry that marks its size or position as held in a
// Zip64 field (0xFFFFFFFF); empty when none is found. libzip refuses such an entry that lacks
// the field as "no such file", naming neither the damage nor the part.
QString Zip64MarkedEntry(const QString& path) {
  constexpr qsizetype kEndRecord = 22;
  constexpr qsizetype kEntryHeader = 46;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const qint64 size = file.size();
  const qint64 tailSize = std::min<qint64>(size, kEndRecord + 0xFFFF);  // the comment's bound
  if (!file.seek(size - tailSize)) return QString();
  const QByteArray tail = file.read(tailSize);
  const qsizetype end = tail.lastIndexOf(QByteArrayLiteral("PK\x05\x06"));
  if (end < 0 || tail.size() - end < kEndRecord) return QString();
  const qint64 directorySize = qFromLittleEndian<quint32>(tail.constData() + end + 12);
  const qint64 directoryOffset = qFromLittleEndian<quint32>(tail.constData() + end + 16);
  if (directoryOffset > size || directorySize > size - directoryOffset ||
      !file.seek(directoryOffset))
    return QString();
  const QByteArray directory = file.read(directorySize);
  qsizetype at = 0;
  while (at + kEntryHeader <= directory.size() &&
         directory.mid(at, 4) == QByteArrayLiteral("PK\x01\x02")) {
    const char* entry = directory.constData() + at;
    const qsizetype nameLength = qFromLittleEndian<quint16>(entry + 28);
    if (at + kEntryHeader + nameLength > directory.size()) break;
    for (const int field : {20, 24, 42})
      if (qFromLittleEndian<quint32>(entry + field) == 0xFFFFFFFF)
        return QString::fromUtf8(entry + kEntryHeader, nameLength);
    at += kEntryHeader + nameLength + qFromLittleEndian<quint16>(entry + 30) +
          qFromLittleEndian<quint16>(entry + 32);
  }
  return QString();
}

}  // namespace

std::string PartKey(std::string_view name) {
  while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.remove_prefix(1);
  std::string key(name);
  for (char& c : key) {
    if (c == '\\')
      c = '/';
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

ZipArchive::ZipArchive(const QString& path) : path_(path) {
#ifdef Q_OS_WIN
  const QByteArray name = path.toUtf8();  // libzip takes UTF-8 names on Windows
#else
  const QByteArray name = QFile::encodeName(path);
#endif
  int code = ZIP_ER_OK;
  archive_ = zip_open(name.constData(), ZIP_RDONLY, &code);
  if (!archive_) {
    switch (code) {
      case ZIP_ER_NOZIP:
        if (StartsLikeZip(path))
          throw WorkbookError(
              QStringLiteral("The workbook '%1' is damaged or truncated: its zip directory is "
                             "missing.")
                  .arg(path));
        throw WorkbookError(
            WorkbookError::Reason::Unsupported,
            QStringLiteral("The file '%1' is not an .xlsx workbook: it is not a zip archive.")
                .arg(path));
      case ZIP_ER_NOENT: {
        if (auto problem = WorkbookFileProblem(path)) throw *std::move(problem);
        const QString part = Zip64MarkedEntry(path);
        if (part.isEmpty())
          throw WorkbookError(
              QStringLiteral("The workbook '%1' is damaged: an entry of its zip directory is "
                             "incomplete.")
                  .arg(path));
        throw WorkbookError(
            QStringLiteral("The workbook '%1' is damaged: the zip directory entry of the part "
                           "'%2' gives its size or position as 0xFFFFFFFF without the Zip64 "
                           "field that holds the real value.")
                .arg(path, part));
      }
      case ZIP_ER_INCONS:
      case ZIP_ER_MULTIDISK:
        throw WorkbookError(
            QStringLiteral("The workbook '%1' is damaged: its zip directory is inconsistent.")
                .arg(path));
      default:
        throw WorkbookError(WorkbookError::Reason::Unreadable,
                            QStringLiteral("The workbook '%1' could not be opened: %2.")
                                .arg(path, ErrorText(code)));
    }
  }
  fileSize_ = static_cast<std::uint64_t>(QFileInfo(path).size());
  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    if (const char* entry = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0))
      entries_.emplace(PartKey(entry), static_cast<std::uint64_t>(i));
  }
}

ZipArchive::~ZipArchive() {
  if (archive_) zip_discard(archive_);
}

bool ZipArchive::has(std::string_view name) const { return entries_.count(PartKey(name)) != 0; }

std::optional<ZipPart> ZipArchive::open(std::string_view name) const {
  const auto found = entries_.find(PartKey(name));
  if (found == entries_.end()) return std::nullopt;
  zip_file_t* file = zip_fopen_index(archive_, found->second, 0);
  if (!file) {
    const int code = zip_error_code_zip(zip_get_error(archive_));
    const QString part = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    switch (code) {
      case ZIP_ER_NOPASSWD:
      case ZIP_ER_WRONGPASSWD:
      case ZIP_ER_ENCRNOTSUPP:
        throw WorkbookError::Encrypted();
      case ZIP_ER_COMPNOTSUPP:
        throw WorkbookError(
            WorkbookError::Reason::Unsupported,
            QStringLiteral("The workbook '%1' cannot be read: the part '%2' is compressed with "
                           "a method that is not supported.")
                .arg(path_, part));
      default:
        throw WorkbookError(
            QStringLiteral("The workbook '%1' is damaged: the part '%2' cannot be opened (%3).")
                .arg(path_, part, ErrorText(code)));
    }
  }
  zip_stat_t stat;
  const bool known = zip_stat_index(archive_, found->second, 0, &stat) == 0 &&
                     (stat.valid & ZIP_STAT_COMP_SIZE) != 0;
  return ZipPart(*this, file, std::string(name),
                 known ? std::min<std::uint64_t>(stat.comp_size, fileSize_) : fileSize_);
}

ZipPart::ZipPart(const ZipArchive& archive, zip_file* file, std::string name,
                 std::uint64_t compressedBound)
    : archive_(archive), file_(file), name_(std::move(name)), compressedBound_(compressedBound) {}

ZipPart::ZipPart(ZipPart&& other) noexcept
    : archive_(other.archive_),
      file_(std::exchange(other.file_, nullptr)),
      name_(std::move(other.name_)),
      compressedBound_(other.compressedBound_),
      total_(other.total_) {}

const QString& ZipPart::archivePath() const { return archive_.path(); }

ZipPart::~ZipPart() {
  if (file_) zip_fclose(file_);
}

std::size_t ZipPart::read(void* buffer, std::size_t size) {
  const zip_int64_t count = zip_fread(file_, buffer, size);
  if (count < 0)
    throw WorkbookError(
        QStringLiteral("The workbook '%1' is damaged: the part '%2' cannot be inflated (%3).")
            .arg(archive_.path(), QString::fromStdString(name_),
                 QString::fromUtf8(zip_file_strerror(file_))));
  total_ += static_cast<std::uint64_t>(count);
  if (total_ > kMaxPartBytes ||
      (total_ > kRatioCheckBytes && total_ / kMaxRatio > compressedBound_))
    throw WorkbookError(
        QStringLiteral("The workbook '%1' cannot be read: the part '%2' inflates to more data "
                       "than a workbook holds (a zip bomb).")
            .arg(archive_.path(), QString::fromStdString(name_)));
  return static_cast<std::size_t>(count);
}

}  // namespace brelloquin::workbook::xlsx
