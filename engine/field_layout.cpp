#include "field_layout.h"

#include <limits>
#include <stdexcept>

#include "data_access/variant.h"

namespace brelloquin {

using data_access::adDate;
using data_access::adLongVarWChar;
using data_access::adVarWChar;

void MeasureWidth(ColumnLayout& column, qsizetype length) {
  if (length <= column.width) return;
  if (length > std::numeric_limits<std::int16_t>::max()) throw std::overflow_error("Overflow");
  column.width = static_cast<std::int16_t>(length);
}

QString CleanFieldName(const QString& rawName) {
  QString name = rawName.trimmed();
  name.replace(u' ', u'_');
  for (const QChar special : QStringLiteral("'\"\\/*:?<>|#()-+")) name.replace(special, u'_');
  // Beyond those, dBase holds only ASCII letters, digits and "_" in a name.
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    const bool plain = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
                       (u >= u'0' && u <= u'9') || u == u'_';
    if (!plain) c = u'_';
  }
  if (name.startsWith(u'_')) {
    name.prepend(QStringLiteral("Fld"));
    if (name.size() > 8) name.truncate(8);
  }
  return name;
}

namespace {

qsizetype Digits(int n) { return QString::number(n).size(); }

QString Numbered(const QString& name, int n) {
  return name.left(std::max<qsizetype>(0, name.size() - Digits(n))) + QString::number(n);
}

}  // namespace

QString MakeUniqueName(const QString& name, const QString& list,
                       const std::function<bool(const QString&)>& isTaken) {
  int n = 0;
  qsizetype p = 0;  // one-based position of the last find, 0 for none
  for (;;) {
    const qsizetype d = n == 0 ? 0 : Digits(n);
    const QString probe = name.left(std::max<qsizetype>(0, name.size() - d));
    // An empty probe is found at the start position while that lies within the list.
    if (probe.isEmpty())
      p = p + 1 <= list.size() ? p + 1 : 0;
    else
      p = list.indexOf(probe, p) + 1;
    if (p == 0) break;
    ++n;
  }
  QString unique = n > 0 ? Numbered(name, n) : name;
  while (isTaken(unique)) unique = Numbered(name, ++n);
  return unique;
}

ColumnDefinition DefineColumn(const ColumnLayout& column, bool allFieldsCharacters,
                              Conversion conversion) {
  const int width = column.width;
  if (allFieldsCharacters) {
    if (width > 254)
      return conversion == Conversion::SingleSheet ? ColumnDefinition{adVarWChar, 254}
                                                   : ColumnDefinition{adLongVarWChar, width};
    return {adVarWChar, width == 0 ? 1 : width};
  }
  // A date field holds no time of day: such a column keeps its values as text.
  const bool text = column.typeCode == adVarWChar || (column.typeCode == adDate && column.hasTime);
  if (!text) return {column.typeCode, 0};
  return {adVarWChar, width > 254 ? 254 : (width == 0 ? 1 : width)};
}

}  // namespace brelloquin
