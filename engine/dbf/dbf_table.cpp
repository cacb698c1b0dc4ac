#include "dbf/dbf_table.h"

#include <QFileInfo>

#include "dbf/dbf_format.h"
#include "dbf/dbf_memo.h"
#include "dbf/dbf_value.h"

namespace brelloquin::dbf {
namespace {
constexpr qsizetype kFlushBytes = 256 * 1024;
}

void CreateTable(const QString& dbfPath, Flavour flavour, const std::vector<FieldSpec>& fields,
                 const CodePage& codePage) {
  format::Table table{flavour, fields, codePage, format::HeaderSize(fields.size())};
  format::CheckFields(table.fields);
  QFile file(dbfPath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw DbfError(QStringLiteral("Could not create %1: %2").arg(dbfPath, file.errorString()));
  format::WriteAt(file, 0, format::HeaderBytes(table) + format::kEndOfFile);
  if (table.hasMemo())
    MemoFile::Create(MemoPath(dbfPath), flavour, QFileInfo(dbfPath).completeBaseName(), codePage);
}

struct TableAppender::State {
  QFile file;
  format::Table table;
  std::optional<MemoFile> memo;
  // The date of the change, taken once: asking for it costs more than writing a record.
  QDate today = QDate::currentDate();
  // Records converted but not yet on disk, and how many they are.
  QByteArray pending;
  std::uint32_t pendingCount = 0;
  int replacedValues = 0;

  explicit State(const QString& path) : file(path), table(Open(file)) {
    if (table.hasMemo()) memo.emplace(MemoPath(path), table.flavour);
  }

  static format::Table Open(QFile& file) {
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
      throw DbfError(
          QStringLiteral("Could not open %1: %2").arg(file.fileName(), file.errorString()));
    return format::ReadHeader(file);
  }
};

TableAppender::TableAppender(const QString& dbfPath) : state_(new State(dbfPath)) {}

TableAppender::~TableAppender() {
  try {
    flush();
  } catch (const DbfError&) {
    // Whoever needs to know calls flush() first; a destructor cannot report.
  }
  delete state_;
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
  state_->pending.clear();
  state_->pendingCount = 0;
}

const std::vector<FieldSpec>& TableAppender::fields() const { return state_->table.fields; }

int TableAppender::valuesWithReplacedCharacters() const { return state_->replacedValues; }

void TableAppender::appendRecord(const std::vector<std::optional<QString>>& values) {
  format::Table& table = state_->table;
  if (values.size() != table.fields.size())
    throw DbfError(QStringLiteral("A record of %1 needs %2 values, not %3.")
                       .arg(state_->file.fileName())
                       .arg(table.fields.size())
                       .arg(values.size()));
  // Every value is converted before anything is written, so a refused record leaves no trace.
  QByteArray record(1, format::kLiveRecord);
  record.reserve(table.recordSize() + 1);
  std::vector<std::pair<qsizetype, QByteArray>> memos;  // record offset, encoded text
  int replaced = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const FieldSpec& field = table.fields[i];
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
