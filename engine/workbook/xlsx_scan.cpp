#include "workbook/xlsx_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "workbook/xlsx_xml.h"
#include "workbook/xlsx_zip.h"

namespace brelloquin::workbook::xlsx {

namespace {

// A tag, comment, instruction or CDATA section is held whole while it is read; none a workbook
// writer makes comes near this. Character data streams through at any length.
constexpr std::size_t kMaxToken = std::size_t{64} << 20;

constexpr std::string_view kXmlUri = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsUri = "http://www.w3.org/2000/xmlns/";
// Keys namespace declarations apart from attributes when looking for duplicates: a URI is an
// attribute value, which never holds a NUL.
constexpr std::string_view kDeclarationSpace("\0", 1);

constexpr char kInvalidToken[] = "not well-formed (invalid token)";
constexpr char kInvalidUtf8[] = "invalid UTF-8";
constexpr char kMismatchedTag[] = "mismatched tag";

// Byte classes. The "plain" classes are the bytes each kind of scan passes over without a
// closer look; all of them stop at NUL, which ends the data in the buffer.
enum : std::uint8_t {
  kSpace = 1,
  kNameStart = 2,     // ASCII bytes that start a name; the colon splits names, so it is none
  kNameChar = 4,      // ASCII bytes within a name
  kPlainText = 8,     // not '<', '&', ']' (of "]]>"), CR (a line end to fold) nor control
  kPlainValue = 16,   // not '<', '&', a quote, white space (made spaces) nor control
  kPlainMarkup = 32,  // comments, instructions, CDATA: not '-', '?', ']' nor control
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (std::size_t c = 0x20; c < 0x80; ++c) classes[c] = kPlainText | kPlainValue | kPlainMarkup;
  for (const char8_t c : {u8'\t', u8'\n', u8'\r'}) classes[c] = kSpace | kPlainMarkup;
  classes[' '] |= kSpace;
  classes['\t'] |= kPlainText;
  classes['\n'] |= kPlainText;
  for (const char8_t c : {u8'<', u8'&', u8']'}) classes[c] &= ~kPlainText;
  for (const char8_t c : {u8'<', u8'&', u8'"', u8'\''}) classes[c] &= ~kPlainValue;
  for (const char8_t c : {u8'-', u8'?', u8']'}) classes[c] &= ~kPlainMarkup;
  for (std::size_t c = 'a'; c <= 'z'; ++c) classes[c] |= kNameStart | kNameChar;
  for (std::size_t c = 'A'; c <= 'Z'; ++c) classes[c] |= kNameStart | kNameChar;
  classes['_'] |= kNameStart | kNameChar;
  for (std::size_t c = '0'; c <= '9'; ++c) classes[c] |= kNameChar;
  classes['-'] |= kNameChar;
  classes['.'] |= kNameChar;
  return classes;
}

constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

bool Has(char c, std::uint8_t kind) { return kClasses[static_cast<unsigned char>(c)] & kind; }

// The length of the UTF-8 sequence at p (2 to 4) when it encodes a character XML allows, 0 when
// it does not, -1 when the data ends inside it; `code` gets the character.
int Utf8(const char* p, const char* end, char32_t& code) {
  const auto lead = static_cast<unsigned char>(*p);
  int length;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range rules out overlong forms
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead < 0xF0) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead < 0xF5) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (p + i == end) return -1;
    const auto next = static_cast<unsigned char>(p[i]);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    code = code << 6 | (next & 0x3F);
  }
  return code == 0xFFFE || code == 0xFFFF ? 0 : length;
}

int PutUtf8(char32_t code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | code >> 6);
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | code >> 12);
    out[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | code >> 18);
  out[1] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
  out[2] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Name characters beyond ASCII, as XML 1.0 lists them; expat takes none beyond the Basic
// Multilingual Plane, and neither does this.
bool IsNameStart(char32_t c) {
  return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || c == 0x200C || c == 0x200D ||
         (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
         (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD);
}

bool IsNameChar(char32_t c) {
  return IsNameStart(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(c | 0x20);
  return hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Whether the data at p starts with `text`: 1 when it does, 0 when not, -1 when it ends first.
int Starts(const char* p, const char* end, std::string_view text) {
  const auto size = std::min(static_cast<std::size_t>(end - p), text.size());
  if (std::memcmp(p, text.data(), size) != 0) return 0;
  return size == text.size() ? 1 : -1;
}

// Sheets are written on a line or two: memchr passes over a whole chunk in a few steps.
std::uint64_t CountLines(const char* p, const char* end) {
  std::uint64_t lines = 0;
  for (; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
       ++p)
    ++lines;
  return lines;
}

// Appends text with its line ends folded to LF, as XML reads them.
void AppendLines(std::string& out, const char* p, const char* end) {
  while (const auto* cr =
             static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)))) {
    out.append(p, cr);
    out += '\n';
    p = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
  }
  out.append(p, end);
}

bool IsSpace(char c) { return Has(c, kSpace); }

bool KnownPseudoValue(std::size_t key, std::string_view value) {
  switch (key) {
    case 0:  // version: "1." and digits
      return value.size() > 2 && value.starts_with("1.") &&
             std::all_of(value.begin() + 2, value.end(),
                         [](char c) { return c >= '0' && c <= '9'; });
    case 1:
      return value.size() == 5 && (value[0] | 0x20) == 'u' && (value[1] | 0x20) == 't' &&
             (value[2] | 0x20) == 'f' && value.substr(3) == "-8";
    default:
      return value == "yes" || value == "no";
  }
}

// Whether the XML declaration holding `text` (between "<?xml" and "?>") is one the scanner reads
// as expat would: a version, then optionally encoding UTF-8 and standalone, in that order.
bool KnownDeclaration(std::string_view text) {
  constexpr std::string_view kKeys[] = {"version", "encoding", "standalone"};
  std::size_t at = 0, next = 0;  // next: the first key still allowed
  const auto skipSpace = [&] {
    const std::size_t from = at;
    while (at < text.size() && IsSpace(text[at])) ++at;
    return at > from;
  };
  for (;;) {
    const bool spaced = skipSpace();
    if (at == text.size()) return next > 0;
    if (!spaced) return false;
    std::size_t key = next;
    while (key < std::size(kKeys) && !text.substr(at).starts_with(kKeys[key])) ++key;
    if (key == std::size(kKeys) || (next == 0 && key != 0)) return false;
    at += kKeys[key].size();
    skipSpace();
    if (at == text.size() || text[at] != '=') return false;
    ++at;
    skipSpace();
    if (at == text.size() || (text[at] != '"' && text[at] != '\'')) return false;
    const std::size_t close = text.find(text[at], at + 1);
    if (close == std::string_view::npos ||
        !KnownPseudoValue(key, text.substr(at + 1, close - at - 1)))
      return false;
    at = close + 1;
    next = key + 1;
  }
}

// Hands expat the part from its first byte: the bytes the scanner read, then the rest.
class Replay final : public PartReader {
 public:
  Replay(PartReader& part, std::string_view head) : part_(part), head_(head) {}

  const std::string& name() const override { return part_.name(); }
  const QString& archivePath() const override { return part_.archivePath(); }
  std::size_t read(void* buffer, std::size_t size) override {
    if (head_.empty()) return part_.read(buffer, size);
    const std::size_t count = std::min(size, head_.size());
    std::memcpy(buffer, head_.data(), count);
    head_.remove_prefix(count);
    return count;
  }

 private:
  PartReader& part_;
  std::string_view head_;
};

class Scanner {
 public:
  Scanner(PartReader& part, XmlHandler& handler, std::size_t chunk)
      : part_(part),
        handler_(handler),
        chunk_(std::max<std::size_t>(chunk, 1)),
        capacity_(2 * chunk_),
        buffer_(std::make_unique_for_overwrite<char[]>(capacity_ + 1)),
        end_(buffer_.get()) {
    open_.reserve(64);
  }

  void run() {
    char* p = refill(end_);
    for (;;) {
      const Start start = begin(p);
      if (start == Start::Scan) break;
      if (start == Start::Expat) {
        Replay replay(part_, {buffer_.get(), static_cast<std::size_t>(end_ - buffer_.get())});
        return ParseXml(replay, handler_);
      }
      p = refill(p);
    }
    // Each step reads one token, or a run of character data; it returns nullptr when the data
    // ends before the token does, and the token is read again once more data is in.
    for (;;) {
      char* next = nullptr;
      if (p < end_) next = *p == '<' ? markup(p) : text(p);
      if (next) {
        p = next;
      } else {
        if (eof_) break;
        p = refill(p);
      }
    }
    if (p < end_) fail(p, "unclosed token");
    if (!rootDone_) fail(p, "no element found");
  }

 private:
  enum class Start { Scan, Expat, Undecided };

  // A qualified name in the buffer.
  struct Name {
    char* begin;
    char* colon;  // nullptr when there is no prefix
    char* end;

    std::string_view whole() const { return {begin, static_cast<std::size_t>(end - begin)}; }
    std::string_view prefix() const {
      return colon ? std::string_view(begin, static_cast<std::size_t>(colon - begin))
                   : std::string_view();
    }
    char* local() const { return colon ? colon + 1 : begin; }
    std::string_view localView() const {
      return {local(), static_cast<std::size_t>(end - local())};
    }
  };

  struct RawAttribute {
    Name name;
    char* value;
    char* valueEnd;
    bool decode;  // holds references or white space to fold
  };

  struct Binding {
    std::string prefix;
    std::string uri;
    Ns ns;
    std::size_t shadowed;  // the binding of the prefix it hides, or npos
  };

  struct Open {
    std::uint32_t nameSize;  // its qualified name closes names_
    std::uint32_t bindings;  // bindings_ before its declarations
    std::uint8_t code;
  };

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  [[noreturn]] void fail(const char* at, const char* reason) const {
    ThrowMalformed(part_, line_ + CountLines(buffer_.get(), at), reason);
  }

  // Keeps the data from `keep` on, moved to the front of the buffer, and reads more after it.
  char* refill(char* keep) {
    char* base = buffer_.get();
    line_ += CountLines(base, keep);
    const auto kept = static_cast<std::size_t>(end_ - keep);
    if (kept > kMaxToken) ThrowRefused(part_, kTokenTooLarge);
    // A token the data ends in is read again from its start, so more data is only worth it
    // once the token's bytes can double: a long token then costs linear time.
    const std::size_t want = std::min(kept + std::max(chunk_, kept), kMaxToken + chunk_);
    if (want > capacity_) {
      capacity_ = std::min(std::max(want, 2 * capacity_), kMaxToken + chunk_);
      auto grown = std::make_unique_for_overwrite<char[]>(capacity_ + 1);
      std::memcpy(grown.get(), keep, kept);
      buffer_ = std::move(grown);
    } else {
      std::memmove(base, keep, kept);
    }
    base = buffer_.get();
    end_ = base + kept;
    while (!eof_ && static_cast<std::size_t>(end_ - base) < want) {
      const std::size_t count = part_.read(end_, want - static_cast<std::size_t>(end_ - base));
      eof_ = count == 0;
      end_ += count;
    }
    *end_ = '\0';  // stops every scan loop at the end of the data
    return base;
  }

  // At the first byte of the part: passes over a UTF-8 byte order mark and an XML declaration
  // the scanner reads; leaves UTF-16 and any other declaration to expat.
  Start begin(char*& p) const {
    const auto size = static_cast<std::size_t>(end_ - p);
    if (size < 2 && !eof_) return Start::Undecided;
    if (size >= 2) {
      const auto first = static_cast<unsigned char>(p[0]),
                 second = static_cast<unsigned char>(p[1]);
      if ((first == 0xFE && second == 0xFF) || (first == 0xFF && second == 0xFE) ||
          (first == 0 && second == '<') || (first == '<' && second == 0))
        return Start::Expat;
    }
    char* q = p;
    const int bom = Starts(q, end_, "\xEF\xBB\xBF");
    if (bom < 0 && !eof_) return Start::Undecided;
    if (bom > 0) q += 3;
    const int declaration = Starts(q, end_, "<?xml");
    if (declaration < 0 && !eof_) return Start::Undecided;
    char* const after = q + 5;
    if (declaration > 0 && after == end_ && !eof_) return Start::Undecided;
    // "<?xml-stylesheet" is an instruction, read as any other.
    if (declaration <= 0 || after == end_ || (!IsSpace(*after) && *after != '?')) {
      p = q;
      return Start::Scan;
    }
    for (char* mark = after;
         (mark = static_cast<char*>(std::memchr(mark, '?', static_cast<std::size_t>(end_ - mark))));
         ++mark) {
      if (mark + 1 == end_) break;
      if (mark[1] != '>') continue;
      if (!KnownDeclaration({after, static_cast<std::size_t>(mark - after)})) return Start::Expat;
      p = mark + 2;
      return Start::Scan;
    }
    return eof_ ? Start::Expat : Start::Undecided;
  }

  char* markup(char* p) {
    if (end_ - p < 2) return nullptr;
    switch (p[1]) {
      case '/':
        return endTag(p);
      case '?':
        return instruction(p);
      case '!':
        break;
      default:
        if (char* const next = plainStartTag(p)) return next;
        return startTag(p);
    }
    if (const int is = Starts(p, end_, "<!--")) return is > 0 ? comment(p) : nullptr;
    if (const int is = Starts(p, end_, "<![CDATA[")) return is > 0 ? cdata(p) : nullptr;
    if (const int is = Starts(p, end_, "<!DOCTYPE")) {
      if (is < 0) return nullptr;
      if (open_.empty() && !rootDone_) ThrowRefused(part_, kHasDoctype);
    }
    fail(p, kInvalidToken);
  }

  // Past the name without colon at p; nullptr when the data ends inside it. Throws when no
  // name starts at p.
  char* ncname(char* p) {
    char* q = p;
    if (Has(*q, kNameStart))
      while (Has(*++q, kNameChar)) {
      }
    while (static_cast<unsigned char>(*q) >= 0x80) {
      char32_t code = 0;
      const int length = Utf8(q, end_, code);
      if (length < 0) return nullptr;
      if (length == 0) fail(q, kInvalidUtf8);
      if (!(q == p ? IsNameStart(code) : IsNameChar(code))) break;
      for (q += length; Has(*q, kNameChar);) ++q;
    }
    if (q == end_) return nullptr;
    if (q == p) fail(p, kInvalidToken);
    return q;
  }

  char* qname(char* p, Name& name) {
    name.begin = p;
    name.colon = nullptr;
    char* q = ncname(p);
    if (q && *q == ':') {
      name.colon = q;
      q = ncname(q + 1);
    }
    name.end = q;
    return q;
  }

  char* skipSpace(char* p) {
    while (Has(*p, kSpace)) ++p;
    return p;
  }

  // At '&': the character the reference stands for and the position after it; nullptr when the
  // data ends first. Only the predefined entities exist, as no document type is read.
  char* reference(char* p, char32_t& code) {
    char* q = p + 1;
    if (*q == '#') {
      const bool hex = *++q == 'x';
      if (hex) ++q;
      char* const digits = q;
      std::uint32_t value = 0;
      for (int digit; (digit = DigitValue(*q, hex)) >= 0; ++q)
        value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit),
                                        0x110000);
      if (q == end_) return nullptr;
      if (q == digits || *q != ';') fail(q, kInvalidToken);
      if (!IsXmlChar(value)) fail(p, "reference to invalid character number");
      code = value;
      return q + 1;
    }
    char* const end = ncname(q);
    if (!end) return nullptr;
    if (*end != ';') fail(end, kInvalidToken);
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    const std::string_view name(q, static_cast<std::size_t>(end - q));
    for (const auto& [entity, character] : kEntities) {
      if (name == entity) {
        code = static_cast<unsigned char>(character);
        return end + 1;
      }
    }
    fail(p, "undefined entity");
  }

  // Past the characters from p to the first `stop` byte, checked for what XML allows; nullptr
  // when the data ends first.
  char* characters(char* p, char stop) {
    for (;;) {
      while (Has(*p, kPlainMarkup)) ++p;
      const char c = *p;
      if (c == stop) return p;
      if (c == '-' || c == '?' || c == ']') {
        ++p;
        continue;
      }
      if (static_cast<unsigned char>(c) >= 0x80) {
        char32_t code = 0;
        const int length = Utf8(p, end_, code);
        if (length < 0) return nullptr;
        if (length == 0) fail(p, kInvalidUtf8);
        p += length;
        continue;
      }
      if (p == end_) return nullptr;
      fail(p, kInvalidToken);
    }
  }

  char* comment(char* p) {
    for (char* q = p + 4;; ++q) {
      q = characters(q, '-');
      if (!q || end_ - q < 3) return nullptr;
      if (q[1] != '-') continue;
      if (q[2] != '>') fail(q, "\"--\" in a comment");
      return q + 3;
    }
  }

  char* instruction(char* p) {
    char* const target = p + 2;
    char* q = ncname(target);
    if (!q) return nullptr;
    if (q - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
        (target[2] | 0x20) == 'l')
      fail(p, "XML declaration not at the start of the part");
    if (!IsSpace(*q) && *q != '?') fail(q, kInvalidToken);
    for (;; ++q) {
      q = characters(q, '?');
      if (!q || q + 1 == end_) return nullptr;
      if (q[1] == '>') return q + 2;
    }
  }

  char* cdata(char* p) {
    if (open_.empty()) fail(p, kInvalidToken);
    char* const content = p + 9;
    char* q = content;
    for (;; ++q) {
      q = characters(q, ']');
      if (!q) return nullptr;
      const int closes = Starts(q, end_, "]]>");
      if (closes < 0) return nullptr;
      if (closes > 0) break;
    }
    if (handler_.capture) AppendLines(*handler_.capture, content, q);
    return q + 3;
  }

  // A run of character data, which is handed on in pieces as it comes.
  char* text(char* p) {
    if (open_.empty()) {  // outside the root element only white space
      char* q = skipSpace(p);
      if (q < end_ && *q != '<') fail(q, rootDone_ ? "junk after document element" : kInvalidToken);
      return q;
    }
    std::string* const capture = handler_.capture;
    char* const start = p;
    char* pending = p;  // the first byte not yet handed on
    const auto flush = [&](const char* to) {
      if (capture) capture->append(pending, static_cast<std::size_t>(to - pending));
    };
    for (;;) {
      while (Has(*p, kPlainText)) ++p;
      const char c = *p;
      if (c == '<') break;
      if (c == '&') {
        char32_t code = 0;
        char* const after = reference(p, code);
        if (!after) break;
        flush(p);
        char bytes[4];
        if (capture) capture->append(bytes, static_cast<std::size_t>(PutUtf8(code, bytes)));
        p = pending = after;
      } else if (c == '\r') {
        if (p + 1 == end_ && !eof_) break;
        flush(p);
        if (capture) *capture += '\n';
        p += p + 1 < end_ && p[1] == '\n' ? 2 : 1;
        pending = p;
      } else if (c == ']') {
        const int closes = Starts(p, end_, "]]>");
        if (closes > 0) fail(p, "\"]]>\" in character data");
        if (closes < 0 && !eof_) break;
        ++p;
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        char32_t code = 0;
        const int length = Utf8(p, end_, code);
        if (length < 0 && !eof_) break;
        if (length <= 0) fail(p, kInvalidUtf8);
        p += length;
      } else {
        if (p == end_) break;
        fail(p, kInvalidToken);  // a control character
      }
    }
    flush(p);
    return p == start ? nullptr : p;
  }

  // At the opening quote: past the closing one; nullptr when the data ends first.
  char* value(char* p, RawAttribute& attribute) {
    const char quote = *p;
    char* q = p + 1;
    attribute.value = q;
    attribute.decode = false;
    for (;;) {
      while (Has(*q, kPlainValue)) ++q;
      const char c = *q;
      if (c == quote) break;
      if (c == '"' || c == '\'') {
        ++q;
      } else if (c == '&') {
        char32_t code = 0;
        q = reference(q, code);
        if (!q) return nullptr;
        attribute.decode = true;
      } else if (c == '\t' || c == '\n' || c == '\r') {
        attribute.decode = true;
        ++q;
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        char32_t code = 0;
        const int length = Utf8(q, end_, code);
        if (length < 0) return nullptr;
        if (length == 0) fail(q, kInvalidUtf8);
        q += length;
      } else {
        if (q == end_) return nullptr;
        fail(q, kInvalidToken);  // '<' or a control character
      }
    }
    attribute.valueEnd = q;
    return q + 1;
  }

  // Replaces an attribute's references and folds its white space to spaces, in place (the
  // result is never longer), as XML reads a value without a declared type. Terminates it.
  std::string_view decoded(RawAttribute& attribute) {
    char* out = attribute.value;
    if (attribute.decode) {
      for (char* p = attribute.value; p < attribute.valueEnd;) {
        if (*p == '&') {
          char32_t code = 0;
          p = reference(p, code);
          out += PutUtf8(code, out);
        } else if (*p == '\t' || *p == '\n' || *p == '\r') {
          p += *p == '\r' && p + 1 < attribute.valueEnd && p[1] == '\n' ? 2 : 1;
          *out++ = ' ';
        } else {
          *out++ = *p++;
        }
      }
    } else {
      out = attribute.valueEnd;
    }
    *out = '\0';
    return {attribute.value, static_cast<std::size_t>(out - attribute.value)};
  }

  char* startTag(char* p) {
    if (rootDone_) fail(p, "junk after document element");
    Name element;
    char* q = qname(p + 1, element);
    if (!q) return nullptr;
    raw_.clear();
    bool empty = false, declarations = false;
    for (;;) {
      char* const gap = q;
      q = skipSpace(q);
      if (*q == '>') {
        ++q;
        break;
      }
      if (*q == '/') {
        if (q + 1 == end_) return nullptr;
        if (q[1] != '>') fail(q + 1, kInvalidToken);
        q += 2;
        empty = true;
        break;
      }
      if (q == end_) return nullptr;
      if (q == gap) fail(q, kInvalidToken);  // attributes are set apart by white space
      RawAttribute& attribute = raw_.emplace_back();
      q = qname(q, attribute.name);
      if (!q) return nullptr;
      declarations |= IsDeclaration(attribute.name);
      q = skipSpace(q);
      if (*q == '=')
        q = skipSpace(q + 1);
      else if (q < end_)
        fail(q, kInvalidToken);
      if (*q == '"' || *q == '\'')
        q = value(q, attribute);
      else if (q < end_)
        fail(q, kInvalidToken);
      if (!q || q == end_) return nullptr;
    }
    open(element, empty, declarations);
    return q;
  }

  static bool IsDeclaration(const Name& name) {
    return name.colon ? name.prefix() == "xmlns" : name.whole() == "xmlns";
  }

  void open(const Name& element, bool empty, bool declarations) {
    if (open_.size() == kMaxXmlDepth) ThrowRefused(part_, kTooDeep);
    const std::size_t bindings = bindings_.size();
    // Declarations first: they hold for the element's own name and attributes.
    if (declarations) {
      for (RawAttribute& attribute : raw_)
        if (IsDeclaration(attribute.name))
          declare(attribute.name.colon ? attribute.name.localView() : "", decoded(attribute),
                  attribute.name.begin);
    }
    attributes_.clear();
    std::uint64_t seen = 0;
    bool alike = false;
    for (RawAttribute& attribute : raw_) {
      const Name& name = attribute.name;
      if (declarations && IsDeclaration(name)) continue;
      const std::uint64_t bit = NameBit(name.localView());
      alike |= (seen & bit) != 0;
      seen |= bit;
      const Ns ns = name.colon ? lookup(name.prefix(), name.begin).ns : Ns::None;
      decoded(attribute);
      *name.end = '\0';
      attributes_.push_back({{ns, name.local()}, attribute.value});
    }
    if ((alike || declarations) && hasDuplicate()) fail(element.begin, "duplicate attribute");
    const Ns ns = element.colon ? lookup(element.prefix(), element.begin).ns : defaultNs_;
    enter(element, ns, bindings, empty);
  }

  // Attributes of an element mostly differ in length or last letter already: two that share a
  // bit are compared in full.
  static std::uint64_t NameBit(std::string_view local) {
    return std::uint64_t{1} << ((local.size() * 8 + static_cast<unsigned char>(local.back())) & 63);
  }

  // Opens the element whose attributes_ are ready and hands it to the handler.
  void enter(const Name& element, Ns ns, std::size_t bindings, bool empty) {
    open_.push_back({static_cast<std::uint32_t>(element.end - element.begin),
                     static_cast<std::uint32_t>(bindings), 0});
    names_.append(element.begin, element.end);
    *element.end = '\0';
    open_.back().code = handler_.startElement({ns, element.local()}, attributes_);
    if (empty) close();
  }

  // The tags nearly every cell and row is written in: an ASCII name and attributes without
  // prefixes, one space before each attribute, values without references, white space or bytes
  // beyond ASCII. They skip startTag's bookkeeping; for any other tag, or one the data ends in,
  // this returns nullptr having changed nothing but attributes_, and startTag reads it.
  char* plainStartTag(char* p) {
    if (rootDone_ || open_.size() == kMaxXmlDepth) return nullptr;
    Name element{p + 1, nullptr, p + 1};
    if (!Has(*element.end, kNameStart)) return nullptr;
    while (Has(*++element.end, kNameChar)) {
    }
    attributes_.clear();
    ends_.clear();
    std::uint64_t seen = 0;
    char* q = element.end;
    bool empty = false;
    for (;;) {
      if (*q == '>') {
        ++q;
        break;
      }
      if (*q == '/' && q[1] == '>') {
        q += 2;
        empty = true;
        break;
      }
      if (*q != ' ') return nullptr;
      char* const name = ++q;
      if (!Has(*q, kNameStart)) return nullptr;
      while (Has(*++q, kNameChar)) {
      }
      const std::string_view local(name, static_cast<std::size_t>(q - name));
      const std::uint64_t bit = NameBit(local);
      if (*q != '=' || (seen & bit) || local == "xmlns") return nullptr;
      seen |= bit;
      ends_.push_back(q);
      const char quote = *++q;
      if (quote != '"' && quote != '\'') return nullptr;
      char* const value = ++q;
      while (Has(*q, kPlainValue)) ++q;
      if (*q != quote) return nullptr;
      ends_.push_back(q++);
      attributes_.push_back({{Ns::None, name}, value});
    }
    for (char* end : ends_) *end = '\0';
    enter(element, defaultNs_, bindings_.size(), empty);
    return q;
  }

  // Whether two attributes of the element have one name (namespace and local name), or two
  // declarations one prefix.
  bool hasDuplicate() {
    keys_.clear();
    for (const RawAttribute& attribute : raw_) {
      const Name& name = attribute.name;
      if (IsDeclaration(name))
        keys_.emplace_back(kDeclarationSpace, name.colon ? name.localView() : "");
      else if (name.colon)
        keys_.emplace_back(lookup(name.prefix(), name.begin).uri, name.localView());
      else
        keys_.emplace_back(std::string_view(), name.whole());
    }
    std::sort(keys_.begin(), keys_.end());
    return std::adjacent_find(keys_.begin(), keys_.end()) != keys_.end();
  }

  void declare(std::string_view prefix, std::string_view uri, const char* at) {
    if (prefix == "xml" ? uri != kXmlUri : prefix == "xmlns" || uri == kXmlUri || uri == kXmlnsUri)
      fail(at, "reserved prefix or namespace name");
    if (!prefix.empty() && uri.empty()) fail(at, "must not undeclare prefix");
    if (prefix == "xml") return;  // bound from the start
    const std::string key(prefix);
    const auto found = innermost_.find(key);
    const std::size_t index = bindings_.size();
    bindings_.push_back({key, std::string(uri), uri.empty() ? Ns::None : NamespaceOf(uri),
                         found == innermost_.end() ? npos : found->second});
    innermost_[key] = index;
    if (prefix.empty()) defaultNs_ = bindings_.back().ns;
    cached_ = npos;
  }

  const Binding& lookup(std::string_view prefix, const char* at) {
    // Nearly every prefixed name of a part has the same prefix.
    if (cached_ != npos && bindings_[cached_].prefix == prefix) return bindings_[cached_];
    static const Binding kXml{"xml", std::string(kXmlUri), Ns::Other, npos};
    if (prefix == "xml") return kXml;
    const auto found = innermost_.find(std::string(prefix));
    if (found == innermost_.end()) fail(at, "unbound prefix");
    cached_ = found->second;
    return bindings_[cached_];
  }

  char* endTag(char* p) {
    if (open_.empty()) fail(p, kInvalidToken);
    const std::size_t size = open_.back().nameSize;
    char* q = p + 2;
    if (static_cast<std::size_t>(end_ - q) <= size) return nullptr;
    // Most names are a letter or two, too short for a call to memcmp to pay.
    for (const char* name = names_.data() + names_.size() - size; q < p + 2 + size; ++q, ++name)
      if (*q != *name) fail(q, kMismatchedTag);
    q = skipSpace(q);
    if (*q != '>') {
      if (q == end_) return nullptr;
      fail(q, kMismatchedTag);
    }
    close();
    return q + 1;
  }

  void close() {
    const Open top = open_.back();
    open_.pop_back();
    names_.resize(names_.size() - top.nameSize);
    while (bindings_.size() > top.bindings) {
      const Binding& binding = bindings_.back();
      if (binding.shadowed == npos)
        innermost_.erase(binding.prefix);
      else
        innermost_[binding.prefix] = binding.shadowed;
      if (binding.prefix.empty())
        defaultNs_ = binding.shadowed == npos ? Ns::None : bindings_[binding.shadowed].ns;
      bindings_.pop_back();
      cached_ = npos;
    }
    rootDone_ = open_.empty();
    handler_.endElement(top.code);
  }

  PartReader& part_;
  XmlHandler& handler_;
  const std::size_t chunk_;

  std::size_t capacity_;
  std::unique_ptr<char[]> buffer_;
  char* end_;  // of the data read; a NUL follows it
  bool eof_ = false;
  std::uint64_t line_ = 1;  // of the first byte in the buffer

  std::vector<Open> open_;
  std::string names_;  // the qualified names of the open elements, end to end
  bool rootDone_ = false;

  std::vector<Binding> bindings_;
  std::unordered_map<std::string, std::size_t> innermost_;  // by prefix, into bindings_
  Ns defaultNs_ = Ns::None;
  std::size_t cached_ = npos;  // the binding looked up last

  std::vector<RawAttribute> raw_;
  std::vector<XmlAttribute> attributes_;
  std::vector<char*> ends_;  // of the names and values plainStartTag read, terminated once it holds
  std::vector<std::pair<std::string_view, std::string_view>> keys_;  // namespace URI, local name
};

}  // namespace

void ScanXml(PartReader& part, XmlHandler& handler, std::size_t chunk) {
  Scanner(part, handler, chunk).run();
}

}  // namespace brelloquin::workbook::xlsx
