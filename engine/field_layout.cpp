#include "field_layout.h"

#include <algorithm>
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

qsizetype Digits(qsizetype n) { return QString::number(n).size(); }

QString Numbered(const QString& name, qsizetype n) {
  return name.left(std::max<qsizetype>(0, name.size() - Digits(n))) + QString::number(n);
}

}  // namespace

NameList::NameList(const QString& text, bool notePieces) : notePieces_(notePieces) { Append(text); }

void NameList::Append(const QString& names) {
  const qsizetype from = text_.size();
  text_ += names;
  if (!notePieces_) return;
  // Pieces by where they end: each piece's places are noted in ascending order. A name holds
  // no blank, so no piece across one is noted.
  for (qsizetype end = from + 1; end <= text_.size(); ++end)
    for (qsizetype length = 1; length <= std::min(kNoted, end) && text_[end - length] != u' ';
         ++length) {
      const QStringView piece = QStringView(text_).mid(end - length, length);
      auto noted = places_.find(piece);
      if (noted == places_.end()) noted = places_.try_emplace(piece.toString()).first;
      noted->second.push_back(end - length);
    }
}

std::span<const qsizetype> NameList::Occurrences(const QString& probe,
                                                 std::vector<qsizetype>& found) const {
  if (notePieces_ && !probe.isEmpty() && probe.size() <= kNoted && !probe.contains(u' ')) {
    const auto noted = places_.find(QStringView(probe));
    if (noted == places_.end()) return {};
    return noted->second;
  }
  found.clear();
  const auto next = [&](qsizetype at) { return probe.isEmpty() ? at : text_.indexOf(probe, at); };
  for (qsizetype at = next(0); at >= 0 && at < text_.size(); at = next(at + 1)) found.push_back(at);
  return found;
}

QString MakeUniqueName(const QString& name, const NameList& list,
                       const std::function<bool(const QString&)>& isTaken) {
  // Each find of the shortened name, searched for after the last find, raises the counter.
  // While the counter keeps its number of digits the probe stays the same, so those finds are
  // counted at once from the probe's places.
  qsizetype n = 0;
  qsizetype from = 0;  // where the next search starts
  std::vector<qsizetype> found;
  for (;;) {
    const qsizetype d = n == 0 ? 0 : Digits(n);
    qsizetype last = 0;  // the highest counter with d digits
    for (qsizetype i = 0; i < d; ++i) last = last * 10 + 9;
    const auto places = list.Occurrences(name.left(std::max<qsizetype>(0, name.size() - d)), found);
    const auto next = std::lower_bound(places.begin(), places.end(), from);
    const qsizetype finds = places.end() - next;
    if (finds <= last - n) {
      n += finds;
      break;
    }
    from = *(next + (last - n)) + 1;
    n = last + 1;
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
