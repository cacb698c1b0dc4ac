#include "text/code_page.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string_view>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace brelloquin::text {
namespace {

struct DriverEntry {
  int codePage;
  std::uint8_t driver;
};

// The byte written for each code page. Sources: Microsoft's table of the code pages Visual
// FoxPro marks in the header (437, 850, 866, 874, 932, 936, 949, 950, 1250-1256) and ESRI's
// list of language-driver IDs (0xCC, Baltic Windows, for 1257). No product defines one for
// 1258; 0xA3 is unassigned in both lists (it mirrors Windows' VIETNAMESE_CHARSET, 163) and is
// chosen so that a table of this program reopens with the code page it was written in.
constexpr std::array<DriverEntry, 17> kWrittenDrivers{{
    {437, 0x01},
    {850, 0x02},
    {1252, 0x03},
    {866, 0x65},
    {874, 0x7C},
    {932, 0x7B},
    {936, 0x7A},
    {949, 0x79},
    {950, 0x78},
    {1250, 0xC8},
    {1251, 0xC9},
    {1253, 0xCB},
    {1254, 0xCA},
    {1255, 0x7D},
    {1256, 0x7E},
    {1257, 0xCC},
    {1258, 0xA3},
}};

// Further bytes that other dBase products write for the same code pages (the OEM and ANSI
// drivers of dBase IV and ESRI's list); read, never written.
constexpr std::array<DriverEntry, 33> kReadDrivers{{
    {437, 0x09},  {437, 0x0B},  {437, 0x0D},  {437, 0x0F},  {437, 0x11}, {437, 0x15},  {437, 0x18},
    {437, 0x19},  {437, 0x1B},  {850, 0x0A},  {850, 0x0E},  {850, 0x10}, {850, 0x12},  {850, 0x14},
    {850, 0x16},  {850, 0x1A},  {850, 0x1D},  {850, 0x25},  {850, 0x37}, {866, 0x26},  {932, 0x13},
    {932, 0x56},  {936, 0x4D},  {949, 0x4E},  {950, 0x4F},  {874, 0x50}, {1252, 0x57}, {1252, 0x58},
    {1252, 0x59}, {1252, 0x61}, {1252, 0x62}, {1250, 0x9B}, {850, 0x9C},
}};

bool IsSupported(int codePage) {
  return std::any_of(kWrittenDrivers.begin(), kWrittenDrivers.end(),
                     [codePage](const DriverEntry& e) { return e.codePage == codePage; });
}

// Without an early exit the compiler checks many characters at once.
bool IsAscii(QStringView text) {
  char16_t any = 0;
  for (const QChar c : text) any |= c.unicode();
  return any < 0x80;
}

bool IsAscii(const QByteArray& bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The bytes of each character a thread has encoded, per code page: tables hold the same few
// letters again and again, and looking one up costs far less than a conversion. Kept per
// thread, as the converters are, so that a thread that cannot convert still finds out.
class CharacterBytes {
 public:
  struct Entry {
    bool known = false;
    bool replaced = false;  // the code page lacks the character: its bytes are "?"
    std::uint8_t size = 0;  // kLonger: more bytes than an entry holds
    char bytes[2] = {};
  };
  static constexpr std::uint8_t kLonger = 3;

  static CharacterBytes& ForThread(int codePage) {
    thread_local std::map<int, CharacterBytes> tables;
    return tables[codePage];
  }

  // The entry of a UTF-16 unit that is neither ASCII nor part of a surrogate pair.
  Entry& operator[](char16_t unit) {
    auto& block = blocks_[unit >> 8];
    if (!block) block = std::make_unique<std::array<Entry, 256>>();
    return (*block)[unit & 0xFF];
  }

 private:
  // Blocks of 256 characters, made when a character of theirs is first met.
  std::array<std::unique_ptr<std::array<Entry, 256>>, 256> blocks_;
};

// What EncodeFitting took of a text.
struct Fitted {
  qsizetype units = 0;
  qsizetype bytes = 0;
};

// Encodes the text character by character, from the first while they fit in maxBytes, and
// appends their bytes to out when given. Every code page here maps each character on its own,
// so this gives encode()'s bytes; a surrogate pair is one character.
Fitted EncodeFitting(const CodePage& page, QStringView text, qsizetype maxBytes, QByteArray* out,
                     bool* replaced) {
  CharacterBytes& table = CharacterBytes::ForThread(page.windowsCodePage());
  const qsizetype start = out ? out->size() : 0;
  // Room for two bytes a unit; a longer character makes more.
  if (out) out->resize(start + 2 * std::min(text.size(), maxBytes));
  Fitted fitted;
  const auto fits = [&](qsizetype size) { return fitted.bytes + size <= maxBytes; };
  const auto put = [&](const char* bytes, qsizetype size) {
    if (!out) return;
    if (start + fitted.bytes + size > out->size())
      out->resize(std::max(start + fitted.bytes + size, 2 * out->size()));
    std::memcpy(out->data() + start + fitted.bytes, bytes, static_cast<std::size_t>(size));
  };
  bool lacking = false;
  while (fitted.units < text.size()) {
    const char16_t unit = text[fitted.units].unicode();
    if (unit < 0x80) {
      if (!fits(1)) break;
      const char byte = static_cast<char>(unit);
      put(&byte, 1);
      ++fitted.bytes;
      ++fitted.units;
      continue;
    }
    const bool pair = QChar::isHighSurrogate(unit) && fitted.units + 1 < text.size() &&
                      text[fitted.units + 1].isLowSurrogate();
    CharacterBytes::Entry* entry = pair ? nullptr : &table[unit];
    if (entry && !entry->known) {
      const QByteArray bytes = page.encode(QString(QChar(unit)), &entry->replaced);
      entry->size =
          bytes.size() > 2 ? CharacterBytes::kLonger : static_cast<std::uint8_t>(bytes.size());
      std::memcpy(entry->bytes, bytes.constData(), std::min<std::size_t>(entry->size, 2));
      entry->known = true;
    }
    if (entry && entry->size != CharacterBytes::kLonger) {
      if (!fits(entry->size)) break;
      put(entry->bytes, entry->size);
      fitted.bytes += entry->size;
      ++fitted.units;
      lacking = lacking || entry->replaced;
      continue;
    }
    // Outside the table's reach: converted each time.
    const qsizetype units = pair ? 2 : 1;
    bool replacedHere = false;
    const QByteArray bytes = page.encode(text.mid(fitted.units, units).toString(), &replacedHere);
    if (!fits(bytes.size())) break;
    put(bytes.constData(), bytes.size());
    fitted.bytes += bytes.size();
    fitted.units += units;
    lacking = lacking || replacedHere;
  }
  if (out) out->resize(start + fitted.bytes);
  if (replaced && lacking) *replaced = true;
  return fitted;
}

#ifndef Q_OS_WIN

int CodePageOfLanguage(std::string_view locale) {
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  const std::string_view territory =
      language.size() < locale.size() && locale[language.size()] == '_'
          ? locale.substr(language.size() + 1, 2)
          : std::string_view{};
  if (language == "zh")
    return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
  // Serbian written in Latin letters is a Central European text.
  if (language == "sr" && locale.find("@latin") != std::string_view::npos) return 1250;
  struct Group {
    int codePage;
    std::array<std::string_view, 10> languages;
  };
  static constexpr std::array<Group, 11> kGroups{{
      {1251, {"ru", "uk", "be", "bg", "sr", "mk", "kk", "ky", "tg", "mn"}},
      {1250, {"pl", "cs", "sk", "hu", "sl", "hr", "bs", "ro", "sq"}},
      {1253, {"el"}},
      {1254, {"tr", "az"}},
      {1255, {"he"}},
      {1256, {"ar", "fa", "ur"}},
      {1257, {"lt", "lv", "et"}},
      {1258, {"vi"}},
      {874, {"th"}},
      {932, {"ja"}},
      {949, {"ko"}},
  }};
  for (const Group& group : kGroups) {
    if (!language.empty() && std::find(group.languages.begin(), group.languages.end(), language) !=
                                 group.languages.end())
      return group.codePage;
  }
  return 1252;
}

// iconv descriptors are costly to open and not safe to share between threads: each thread
// keeps one per code page and direction.
class Converters {
 public:
  ~Converters() {
    for (const auto& [key, cd] : open_) iconv_close(cd);
  }
  iconv_t get(int codePage, bool encoding) {
    const auto key = std::make_pair(codePage, encoding);
    auto it = open_.find(key);
    if (it == open_.end()) {
      const QByteArray name = "CP" + QByteArray::number(codePage);
      const iconv_t cd =
          encoding ? iconv_open(name.constData(), kUtf16) : iconv_open(kUtf16, name.constData());
      if (cd == reinterpret_cast<iconv_t>(-1))
        throw CodePageError(
            (encoding ? QStringLiteral("Text cannot be written in code page %1: the system has no "
                                       "conversion into %2.")
                      : QStringLiteral("Text in code page %1 cannot be read: the system has no "
                                       "conversion from %2."))
                .arg(codePage)
                .arg(QLatin1String(name)));
      it = open_.emplace(key, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return it->second;
  }

  static constexpr const char* kUtf16 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE";

 private:
  std::map<std::pair<int, bool>, iconv_t> open_;
};

Converters& ThreadConverters() {
  thread_local Converters converters;
  return converters;
}

// Runs iconv over the whole input. An input unit it cannot convert (a character the target
// lacks, or a byte sequence the source does not define) is skipped and `substitute` is
// appended instead; `unitSize` tells how many input bytes that unit spans.
template <typename UnitSize>
QByteArray Convert(iconv_t cd, const char* input, std::size_t inputSize,
                   std::string_view substitute, UnitSize unitSize, bool* replaced = nullptr) {
  QByteArray output(static_cast<qsizetype>(inputSize * 2 + 16), Qt::Uninitialized);
  char* in = const_cast<char*>(input);
  std::size_t inLeft = inputSize;
  std::size_t used = 0;
  auto room = [&](std::size_t needed) {
    if (static_cast<std::size_t>(output.size()) - used < needed)
      output.resize(static_cast<qsizetype>(std::max(used + needed, used * 2)));
  };
  for (;;) {
    char* out = output.data() + used;
    std::size_t outLeft = static_cast<std::size_t>(output.size()) - used;
    const std::size_t result =
        inLeft == 0 ? iconv(cd, nullptr, nullptr, &out, &outLeft)  // flush pending characters
                    : iconv(cd, &in, &inLeft, &out, &outLeft);
    used = static_cast<std::size_t>(out - output.data());
    if (result != static_cast<std::size_t>(-1)) {
      if (inLeft == 0 && in == nullptr) break;
      if (inLeft == 0) {
        in = nullptr;
        continue;
      }
    } else if (errno == E2BIG) {
      room(16);
      continue;
    } else {  // EILSEQ or EINVAL (a sequence cut short at the end)
      if (replaced) *replaced = true;
      const std::size_t skip = std::min(inLeft, unitSize(in, inLeft));
      in += skip;
      inLeft -= skip;
      room(substitute.size());
      std::memcpy(output.data() + used, substitute.data(), substitute.size());
      used += substitute.size();
    }
  }
  output.resize(static_cast<qsizetype>(used));
  return output;
}

#endif

}  // namespace

std::optional<CodePage> CodePage::FromWindows(int codePage) {
  if (!IsSupported(codePage)) return std::nullopt;
  return CodePage(codePage);
}

CodePage CodePage::ForSystemLocale() {
#ifdef Q_OS_WIN
  return FromWindows(static_cast<int>(GetACP())).value_or(CodePage(1252));
#else
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return CodePage(CodePageOfLanguage(value));
  }
  return CodePage(1252);
#endif
}

std::optional<CodePage> CodePage::FromLanguageDriver(std::uint8_t driver) {
  using Table = std::span<const DriverEntry>;
  for (Table table : {Table(kWrittenDrivers), Table(kReadDrivers)}) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [driver](const DriverEntry& e) { return e.driver == driver; });
    if (found != table.end()) return CodePage(found->codePage);
  }
  return std::nullopt;
}

std::uint8_t CodePage::languageDriver() const {
  return std::find_if(kWrittenDrivers.begin(), kWrittenDrivers.end(),
                      [this](const DriverEntry& e) { return e.codePage == codePage_; })
      ->driver;
}

#ifdef Q_OS_WIN

QByteArray CodePage::encode(const QString& text, bool* replaced) const {
  if (IsAscii(text)) return text.toLatin1();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "?", nullptr);
  QByteArray bytes(size, Qt::Uninitialized);
  BOOL usedDefault = FALSE;
  WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, "?",
                      &usedDefault);
  if (replaced && usedDefault) *replaced = true;
  return bytes;
}

QString CodePage::decode(const QByteArray& bytes) const {
  if (IsAscii(bytes)) return QString::fromLatin1(bytes);
  const int length = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(codePage_, 0, bytes.constData(), length, nullptr, 0);
  QString text(size, Qt::Uninitialized);
  MultiByteToWideChar(codePage_, 0, bytes.constData(), length,
                      reinterpret_cast<wchar_t*>(text.data()), size);
  return text;
}

#else

QByteArray CodePage::encode(const QString& text, bool* replaced) const {
  if (IsAscii(text)) return text.toLatin1();
  // A character the code page lacks is skipped whole (both halves of a surrogate pair).
  auto characterSize = [](const char* at, std::size_t left) -> std::size_t {
    char16_t units[2] = {};
    std::memcpy(units, at, std::min<std::size_t>(left, sizeof units));
    return left >= 4 && QChar::isHighSurrogate(units[0]) && QChar::isLowSurrogate(units[1]) ? 4 : 2;
  };
  return Convert(ThreadConverters().get(codePage_, true),
                 reinterpret_cast<const char*>(text.utf16()),
                 static_cast<std::size_t>(text.size()) * 2, "?", characterSize, replaced);
}

QString CodePage::decode(const QByteArray& bytes) const {
  if (IsAscii(bytes)) return QString::fromLatin1(bytes);
  static constexpr char16_t kReplacement = 0xFFFD;
  const QByteArray utf16 =
      Convert(ThreadConverters().get(codePage_, false), bytes.constData(),
              static_cast<std::size_t>(bytes.size()),
              std::string_view(reinterpret_cast<const char*>(&kReplacement), 2),
              [](const char*, std::size_t) -> std::size_t { return 1; });
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
}

#endif

void CodePage::appendEncoded(QByteArray& out, QStringView text, bool* replaced) const {
  // Every code page here keeps ASCII as it is: the text is copied as it is checked.
  const qsizetype at = out.size();
  out.resize(at + text.size());
  char* bytes = out.data() + at;
  char16_t any = 0;
  for (const QChar c : text) {
    any |= c.unicode();
    *bytes++ = static_cast<char>(c.unicode());
  }
  if (any < 0x80) return;
  out.resize(at);
  EncodeFitting(*this, text, std::numeric_limits<qsizetype>::max(), &out, replaced);
}

qsizetype CodePage::encodedSize(QStringView text) const {
  if (IsAscii(text)) return text.size();
  return EncodeFitting(*this, text, std::numeric_limits<qsizetype>::max(), nullptr, nullptr).bytes;
}

qsizetype CodePage::fittingLength(QStringView text, qsizetype maxBytes) const {
  if (IsAscii(text)) return std::min(text.size(), maxBytes);
  return EncodeFitting(*this, text, maxBytes, nullptr, nullptr).units;
}

}  // namespace brelloquin::text
