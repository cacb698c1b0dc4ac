#include "data_access/connection_string.h"

namespace brelloquin::data_access {

QString ConnectionStringValue(const QString& value) {
  // The parser ends a plain value at ";", trims it, and reads one starting with a quote as
  // quoted.
  const bool plain = !value.contains(u';') && !value.contains(u'"') && !value.startsWith(u'\'') &&
                     (value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace()));
  if (plain) return value;
  QString quoted = value;
  quoted.replace(u'"', QStringLiteral("\"\""));
  return u'"' + quoted + u'"';
}

ConnectionString ConnectionString::Parse(const QString& text) {
  ConnectionString result;
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n) {
    const qsizetype eq = text.indexOf(u'=', i);
    if (eq < 0) break;
    const QString key = text.mid(i, eq - i).trimmed().toLower();
    i = eq + 1;
    while (i < n && text[i] == u' ') ++i;
    QString value;
    const bool quoted = i < n && (text[i] == u'"' || text[i] == u'\'');
    if (quoted) {
      // A quoted value runs to the closing quote; a doubled quote stands for one.
      const QChar quote = text[i++];
      while (i < n) {
        if (text[i] == quote) {
          if (i + 1 < n && text[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += text[i++];
      }
      const qsizetype semi = text.indexOf(u';', i);
      i = semi < 0 ? n : semi + 1;
    } else {
      const qsizetype semi = text.indexOf(u';', i);
      value = text.mid(i, (semi < 0 ? n : semi) - i);
      i = semi < 0 ? n : semi + 1;
    }
    if (!key.isEmpty()) result.values_[key] = quoted ? value : value.trimmed();
  }
  return result;
}

QString ConnectionString::value(const QString& key) const {
  const auto it = values_.find(key.toLower());
  return it == values_.end() ? QString() : it->second;
}

bool ConnectionString::has(const QString& key) const { return values_.count(key.toLower()) != 0; }

}  // namespace brelloquin::data_access
