#pragma once
// Reads a DBF file back with an independent reader (Debian's python3-dbf) for the tests.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <string>

namespace brelloquin::testing {

struct DbfContents {
  QJsonArray fields;   // [name, type, length, decimals]
  QJsonArray records;  // one array of values per record
  QString error;       // what the reader said when it could not read the file
};

inline DbfContents ReadDbf(const QString& path, const QString& codePage = QString()) {
  const std::string command = std::string("/usr/bin/python3 '") + BRELLOQUIN_SOURCE_DIR +
                              "/tests/engine/dbf/read_dbf.py' '" + path.toStdString() + "' " +
                              codePage.toStdString() + " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
  }
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(output));
  if (!json.isObject()) return {{}, {}, QString::fromStdString(output)};
  return {json[QStringLiteral("fields")].toArray(), json[QStringLiteral("records")].toArray(), {}};
}

}  // namespace brelloquin::testing
