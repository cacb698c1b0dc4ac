#pragma once
// "Key=Value;Key=Value" connection strings, with values in double quotes where they hold ";".

#include <QString>
#include <map>

namespace brelloquin::data_access {

// The value as it goes after "Key=": as it is where it reads back unchanged, otherwise in
// double quotes with each double quote doubled. A path or name holding ";" thus stays one
// value and can never add or replace a key of the string.
QString ConnectionStringValue(const QString& value);

class ConnectionString {
 public:
  // Keys are matched ignoring case; values without quotes are trimmed of blanks at both ends,
  // quoted ones are taken exactly.
  static ConnectionString Parse(const QString& text);
  QString value(const QString& key) const;
  bool has(const QString& key) const;

 private:
  std::map<QString, QString> values_;  // keys in lower case
};

}  // namespace brelloquin::data_access
