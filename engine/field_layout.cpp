#include "field_layout.h"

#include <limits>
#include <stdexcept>

#include "data_access/variant.h"
#include "dbf/dbf_table.h"

namespace brelloquin {

using data_access::adDate;
using data_access::adDouble;
using data_access::adLongVarWChar;
using data_access::adVarWChar;

void MeasureWidth(ColumnLayout& column, qsizetype length) {
  if (length <= column.width) return;
  if (length > std::numeric_limits<std::int16_t>::max()) throw std::overflow_error("Overflow");
  column.width = static_cast<std::int16_t>(length);
}

void MeasureNumber(ColumnLayout& column, const QString& numberText) {
  const bool negative = numberText.startsWith(u'-');
  const QStringView number = QStringView(numberText).mid(negative ? 1 : 0);
  if (number.isEmpty() || !number[0].isDigit()) {
    // Not a finite number: no numeric field holds it.
    column.integerDigits = std::numeric_limits<int>::max() / 2;
    return;
  }
  const qsizetype e = number.indexOf(u'E');
  const QStringView mantissa = e < 0 ? number : number.left(e);
  const int exponent = e < 0 ? 0 : number.mid(e + 1).toInt();
  const qsizetype point = mantissa.indexOf(u'.');
  const auto before = static_cast<int>(point < 0 ? mantissa.size() : point);
  const auto after = static_cast<int>(point < 0 ? 0 : mantissa.size() - point - 1);
  column.integerDigits = std::max(column.integerDigits, std::max(before + exponent, 1) + negative);
  column.decimals = std::max(column.decimals, std::max(after - exponent, 0));
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

data_access::TableColumn DefineColumn(const ColumnLayout& column, bool allFieldsCharacters,
                                      Conversion conversion) {
  const int width = column.width;
  const int maxText = dbf::kMaxCharacterLength;
  if (allFieldsCharacters) {
    if (width > maxText)
      return conversion == Conversion::SingleSheet
                 ? data_access::TableColumn{.type = adVarWChar, .definedSize = maxText}
                 : data_access::TableColumn{.type = adLongVarWChar, .definedSize = width};
    return {.type = adVarWChar, .definedSize = width == 0 ? 1 : width};
  }
  if (column.typeCode == adDouble) {
    // One numeric field holds every value of the column exactly, or the values stay text.
    const int numberWidth = column.integerDigits + (column.decimals > 0 ? column.decimals + 1 : 0);
    if (numberWidth <= dbf::kMaxNumericLength && column.decimals <= dbf::kMaxDecimals)
      return {.type = adDouble,
              .definedSize = std::max(numberWidth, 1),
              .numericScale = column.decimals};
  } else if (column.typeCode != adVarWChar && !(column.typeCode == adDate && column.datesAsText)) {
    // A date field holds only days: a column with any other date value keeps its values as text.
    return {.type = column.typeCode};
  }
  // A text that a character field cannot hold whole goes into a memo field.
  if (width > maxText) return {.type = adLongVarWChar, .definedSize = width};
  return {.type = adVarWChar, .definedSize = width == 0 ? 1 : width};
}

}  // namespace brelloquin
