#include "data_access/insert_statement.h"

#include <algorithm>

#include "data_access/data_access_error.h"

namespace brelloquin::data_access {
namespace {

class Parser {
 public:
  explicit Parser(QStringView text) : text_(text) {}

  InsertStatement parse() {
    InsertStatement statement;
    statement.fields.reserve(32);
    statement.values.reserve(32);
    keyword(u"insert");
    keyword(u"into");
    statement.table = bracketed(QStringLiteral("the table name"));
    symbol(u'(');
    do statement.fields.push_back(bracketed(QStringLiteral("a field name")));
    while (optionalSymbol(u','));
    symbol(u')');
    keyword(u"values");
    symbol(u'(');
    statement.valuesAt = at_;
    values(statement.values, statement.fields.size());
    return statement;
  }

  // The values list from the current place, with its closing ")", to the end of the text. With
  // views, a value that is one literal without a doubled apostrophe refers to the text.
  void values(std::vector<QString>& values, std::size_t fieldCount, bool views = false) {
    std::size_t count = 0;
    do {
      if (count == values.size()) values.emplace_back();
      QString& text = values[count++];
      if (!views || !literalView(text)) value(text);
    } while (optionalSymbol(u','));
    values.resize(count);
    symbol(u')');
    skipBlanks();
    if (at_ != text_.size()) fail(QStringLiteral("unexpected text after the closing \")\""));
    if (fieldCount != values.size())
      throw DataAccessError(kErrQuery, QStringLiteral("The INSERT statement names %1 fields but "
                                                      "gives %2 values.")
                                           .arg(fieldCount)
                                           .arg(values.size()));
  }

  void skipTo(qsizetype at) { at_ = at; }

 private:
  [[noreturn]] void fail(const QString& what) const {
    throw DataAccessError(kErrQuery,
                          QStringLiteral("Syntax error in INSERT statement at character %1: %2.")
                              .arg(at_ + 1)
                              .arg(what));
  }

  static bool isBlank(QChar c) { return c == u' ' || c.isSpace(); }

  void skipBlanks() {
    while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
  }

  void keyword(QStringView word) {
    skipBlanks();
    if (!text_.mid(at_).startsWith(word, Qt::CaseInsensitive))
      fail(QStringLiteral("expected \"%1\"").arg(word));
    at_ += word.size();
    if (at_ < text_.size() && (text_[at_].isLetterOrNumber() || text_[at_] == u'_'))
      fail(QStringLiteral("expected a blank after \"%1\"").arg(word));
  }

  bool optionalSymbol(QChar symbol) {
    skipBlanks();
    if (at_ == text_.size() || text_[at_] != symbol) return false;
    ++at_;
    return true;
  }

  void symbol(QChar symbol) {
    if (!optionalSymbol(symbol)) fail(QStringLiteral("expected \"%1\"").arg(symbol));
  }

  QString bracketed(const QString& what) {
    skipBlanks();
    if (at_ == text_.size() || text_[at_] != u'[')
      fail(QStringLiteral("expected %1 in brackets").arg(what));
    const qsizetype close = text_.indexOf(u']', at_ + 1);
    if (close < 0) fail(QStringLiteral("%1 has no closing \"]\"").arg(what));
    if (close == at_ + 1) fail(QStringLiteral("%1 is empty").arg(what));
    const QString name = text_.mid(at_ + 1, close - at_ - 1).toString();
    at_ = close + 1;
    return name;
  }

  // Most values: one literal, no apostrophe inside. False, with nothing read, for any other.
  bool literalView(QString& text) {
    skipBlanks();
    if (at_ == text_.size() || text_[at_] != u'\'') return false;
    const qsizetype close = text_.indexOf(u'\'', at_ + 1);
    if (close < 0) return false;
    qsizetype next = close + 1;
    while (next < text_.size() && isBlank(text_[next])) ++next;
    if (next < text_.size() && (text_[next] == u'\'' || text_[next] == u'+')) return false;
    text.setRawData(text_.data() + at_ + 1, close - at_ - 1);
    at_ = close + 1;
    return true;
  }

  // 'literal' or 'literal'+'literal'+..., into text (its buffer used again when it has one).
  void value(QString& text) {
    text.resize(0);
    literal(text);
    while (optionalSymbol(u'+')) literal(text);
  }

  void literal(QString& text) {
    skipBlanks();
    if (at_ == text_.size() || text_[at_] != u'\'') fail(QStringLiteral("expected a quoted value"));
    const qsizetype start = at_;
    for (;;) {
      const qsizetype close = text_.indexOf(u'\'', at_ + 1);
      if (close < 0) {
        at_ = start;
        fail(QStringLiteral("the quoted value is not closed"));
      }
      text += text_.mid(at_ + 1, close - at_ - 1);
      at_ = close + 1;
      if (at_ == text_.size() || text_[at_] != u'\'') return;
      text += u'\'';  // '' stands for one apostrophe
    }
  }

  QStringView text_;
  qsizetype at_ = 0;
};

}  // namespace

InsertStatement ParseInsertStatement(const QString& statement) { return Parser(statement).parse(); }

void ParseInsertValues(const QString& statement, qsizetype valuesAt, std::size_t fieldCount,
                       std::vector<QString>& values) {
  Parser parser(statement);
  parser.skipTo(valuesAt);
  parser.values(values, fieldCount, true);
}

InsertStatementBuilder::InsertStatementBuilder(const QString& table, const QString& bracketedFields)
    : head_(QStringLiteral("insert into [") + table + QStringLiteral("] (") + bracketedFields +
            QStringLiteral(") values (")) {}

void InsertStatementBuilder::Begin() {
  statement_.resize(0);
  statement_ += head_;
}

// Every value takes at least its two quotes, so anything past the head is an earlier value.
bool InsertStatementBuilder::HasValues() const { return statement_.size() > head_.size(); }

void InsertStatementBuilder::AppendText(QStringView text, LineBreaks breaks,
                                        const std::function<void()>& afterPiece) {
  // Most texts hold no apostrophe or line break and fit one literal: they are copied whole.
  const bool plain = text.size() <= kMaxLiteralLength &&
                     std::none_of(text.begin(), text.end(),
                                  [](QChar c) { return c == u'\'' || c == u'\n' || c == u'\r'; });
  // Else at most four characters ("<br>", or a doubled apostrophe) for each of the text's,
  // and "'+'" between literals; the separator and the quotes besides.
  const qsizetype replaced = 4 * text.size();
  const qsizetype most = plain ? text.size() : replaced + 3 * (replaced / kMaxLiteralLength);
  const bool separate = HasValues();
  const qsizetype at = statement_.size();
  statement_.resize(at + separate + most + 2);
  QChar* out = statement_.data() + at;
  if (separate) *out++ = u',';
  if (plain) {
    *out++ = u'\'';
    out = std::copy(text.begin(), text.end(), out);
    *out = u'\'';
    return;
  }
  qsizetype inLiteral = 0;  // characters of the replaced text in the open literal
  bool split = false;
  const auto put = [&](QChar c) {
    if (inLiteral == kMaxLiteralLength) {
      for (const char16_t s : {u'\'', u'+', u'\''}) *out++ = s;
      inLiteral = 0;
      split = true;
      if (afterPiece) afterPiece();
    }
    ++inLiteral;
    *out++ = c;
    if (c == u'\'') *out++ = c;
  };
  *out++ = u'\'';
  for (const QChar c : text) {
    if (c != u'\n' && c != u'\r')
      put(c);
    else if (breaks == LineBreaks::Blanks)
      put(u' ');
    else if (c == u'\n')
      for (const char16_t b : {u'<', u'b', u'r', u'>'}) put(b);
  }
  *out++ = u'\'';
  statement_.truncate(out - statement_.constData());
  if (split && afterPiece) afterPiece();
}

void InsertStatementBuilder::AppendValue(const Variant& value) {
  Q_ASSERT(!value.StringValue());
  // Separator, quotes and text in one append.
  char buffer[Variant::kMaxFormattedSize + 3];
  char* out = buffer;
  if (HasValues()) *out++ = ',';
  *out++ = '\'';
  out = value.FormatText(out);
  *out++ = '\'';
  statement_.append(QLatin1String(buffer, out - buffer));
}

}  // namespace brelloquin::data_access
