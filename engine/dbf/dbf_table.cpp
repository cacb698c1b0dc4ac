#include "dbf/dbf_table.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <filesystem>

#include "dbf/dbf_format.h"
#include "dbf/dbf_memo.h"
#include "dbf/dbf_value.h"

namespace brelloquin::dbf {
namespace {
constexpr qsizetype kFlushBytes = 256 * 1024;
const QString kStagedSuffix = QStringLiteral(".brelloquin-partial");

QString Placed(const QString& path, Placement placement) {
  return placement == Placement::Staged ? StagedPath(path) : path;
}

void Rename(const QString& from, const QString& to) {
  std::error_code error;
  // Replaces an existing file in one step, on every platform.
  std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                          std::filesystem::path(to.toStdU16String()), error);
  if (error)
    throw DbfError(QStringLiteral("Could not replace %1: %2")
                       .arg(QDir::toNativeSeparators(to), QString::fromStdString(error.message())));
}

}  // namespace

QString StagedPath(const QString& path) { return path + kStagedSuffix; }

bool HasStaged(const QString& dbfPath) { return QFileInfo::exists(StagedPath(dbfPath)); }

void DiscardStaged(const QString& dbfPath) {
  QFile::remove(StagedPath(dbfPath));
  QFile::remove(StagedPath(MemoPath(dbfPath)));
}

void CommitStaged(const QString& dbfPath) {
  try {
    if (QFileInfo::exists(StagedPath(MemoPath(dbfPath))))
      Rename(StagedPath(MemoPath(dbfPath)), MemoPath(dbfPath));
    Rename(StagedPath(dbfPath), dbfPath);
  } catch (const DbfError&) {
    DiscardStaged(dbfPath);
    throw;
  }
}

void DiscardStagedLeftovers(const QString& folder) {
  // Matched by hand: a name filter would build a pattern for every folder of a batch.
  for (QDirIterator entry(folder, QDir::Files | QDir::Hidden); entry.hasNext();) {
    entry.next();
    if (entry.fileName().endsWith(kStagedSuffix, Qt::CaseInsensitive))
      QFile::remove(entry.filePath());
  }
}

void CreateTable(const QString& dbfPath, Flavour flavour,
                 const std::vector<FieldDescriptor>& fields, const text::CodePage& codePage,
                 Placement placement) {
  format::Table table{flavour, fields, codePage, format::HeaderSize(fields.size())};
  format::CheckFields(table.fields);
  const QString path = Placed(dbfPath, placement);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw DbfError(QStringLiteral("Could not create %1: %2").arg(path, file.errorString()));
  format::WriteAt(file, 0, format::HeaderBytes(table) + format::kEndOfFile);
  const QString memoPath = Placed(MemoPath(dbfPath), placement);
  if (table.hasMemo())
    MemoFile::Create(memoPath, flavour, QFileInfo(dbfPath).completeBaseName(), codePage);
  else if (placement == Placement::Staged)
    QFile::remove(memoPath);  // a leftover must not be committed with this table
}

struct TableAppender::State {
  QFile file;
  format::Table table;
  std::optional<MemoFile> memo;
  // The date of the change, taken once: asking for it costs more than writing a record.
  QDate today = format::Today();
  // Records converted but not yet on disk, and how many they are.
  QByteArray pending;
  std::uint32_t pendingCount = 0;
  QByteArray record;  // the record being built, kept for its capacity
  int replacedValues = 0;

  State(const QString& path, Placement placement)
      : file(Placed(path, placement)), table(Open(file)) {
    if (table.hasMemo()) memo.emplace(Placed(MemoPath(path), placement), table.flavour);
  }

  static format::Table Open(QFile& file) {
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
      throw DbfError(
          QStringLiteral("Could not open %1: %2").arg(file.fileName(), file.errorString()));
    return format::ReadHeader(file);
  }
};

TableAppender::TableAppender(const QString& dbfPath, Placement placement)
    : state_(std::make_unique<State>(dbfPath, placement)) {}

TableAppender::~TableAppender() {
  try {
    flush();
  } catch (const DbfError&) {
    // Whoever needs to know calls flush() first; a destructor cannot report.
  }
}

void TableAppender::flush() {
  if (state_->pendingCount == 0) return;
  format::Table& table = state_->table;
  // The records and the end-of-file marker first, then the count: a reader never finds the
  // header counting a record that is not there.
  state_->pending += format::kEndOfFile;
  format::WriteAt(state_->file, table.recordOffset(table.recordCount), state_->pending);
  format::WriteAt(
      state_->file, format::kUpdateDateOffset,
      format::DateAndCountBytes(state_->today, table.recordCount + state_->pendingCount));
  table.recordCount += state_->pendingCount;
  state_->pending.resize(0);  // its capacity serves the next batch
  state_->pendingCount = 0;
}

const std::vector<FieldDescriptor>& TableAppender::fields() const { return state_->table.fields; }

int TableAppender::valuesWithReplacedCharacters() const { return state_->replacedValues; }

void TableAppender::appendRecord(const std::vector<std::optional<QString>>& values) {
  format::Table& table = state_->table;
  if (values.size() != table.fields.size())
    throw DbfError(QStringLiteral("A record of %1 needs %2 values, not %3.")
                       .arg(state_->file.fileName())
                       .arg(table.fields.size())
                       .arg(values.size()));
  // Every value is converted before anything is written, so a refused record leaves no trace.
  QByteArray& record = state_->record;
  record.resize(0);
  record += format::kLiveRecord;
  std::vector<std::pair<qsizetype, QByteArray>> memos;  // record offset, encoded text
  int replaced = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const FieldDescriptor& field = table.fields[i];
    bool lacking = false;
    if (!values[i] || values[i]->isEmpty()) {
      AppendBlankField(record, field);
    } else if (field.type == 'M') {
      QByteArray text = table.codePage.encode(*values[i], &lacking);
      if (table.flavour == Flavour::DBase3 && text.contains(format::kEndOfFile))
        throw format::FieldError(
            field,
            QStringLiteral("the text holds the character 0x1A, which ends a dBase III memo."));
      memos.emplace_back(record.size(), std::move(text));
      AppendBlankField(record, field);
    } else {
      AppendField(record, field, *values[i], table.codePage, &lacking);
    }
    replaced += lacking ? 1 : 0;
  }
  for (const auto& [offset, text] : memos) {
    const QByteArray block = QByteArray::number(state_->memo->append(text))
                                 .rightJustified(format::kMemoFieldLength, ' ');
    record.replace(offset, block.size(), block);
  }
  // Records go to disk in batches: two writes for every record would cost more than the rest
  // of the conversion.
  state_->pending += record;
  ++state_->pendingCount;
  state_->replacedValues += replaced;
  if (state_->pending.size() >= kFlushBytes) flush();
}

}  // namespace brelloquin::dbf
