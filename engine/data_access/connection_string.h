#pragma once
// "Key=Value;Key=Value" connection strings, with values in double quotes where they hold ";".

#include <QString>
#include <map>

namespace brelloquin::data_access {

class ConnectionString {
 public:
  // Keys are matched ignoring case; values are trimmed of blanks at both ends.
  static ConnectionString Parse(const QString& text);
  QString value(const QString& key) const;
  bool has(const QString& key) const;

 private:
  std::map<QString, QString> values_;  // keys in lower case
};

}  // namespace brelloquin::data_access
