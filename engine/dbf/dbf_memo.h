#pragma once
// The memo file (.dbt) beside a table: text of any length, stored in 512-byte blocks that the
// table's memo fields point to.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "dbf/dbf_table.h"

namespace brelloquin::dbf {

class MemoFile {
 public:
  // Writes an empty memo file, replacing what is there. Throws DbfError.
  static void Create(const QString& path, Flavour flavour, const QString& tableName,
                     const text::CodePage& codePage);

  // Opens an existing memo file for appending; checks its header. Throws DbfError.
  MemoFile(const QString& path, Flavour flavour);

  // Stores the encoded text and returns the number of its first block. Throws DbfError.
  std::uint32_t append(const QByteArray& text);

 private:
  QFile file_;
  Flavour flavour_;
  std::uint32_t blockSize_ = 0;
  std::uint32_t nextBlock_ = 0;
};

}  // namespace brelloquin::dbf
