#include "workbook/biff_stream.h"

#include <algorithm>

#include "workbook/sheet.h"

namespace brelloquin::workbook::biff {

namespace {

constexpr std::uint16_t kContinue = 0x003C;

[[noreturn]] void RecordTooShort() {
  throw WorkbookError(
      QStringLiteral("The workbook is damaged: a record is shorter than its contents."));
}

}  // namespace

bool RecordReader::take(std::uint16_t& type, Bytes& data) {
  if (offset_ > stream_.size() || stream_.size() - offset_ < 4) return false;
  type = ReadU16(stream_.data() + offset_);
  const std::size_t size = ReadU16(stream_.data() + offset_ + 2);
  offset_ += 4;
  if (size > stream_.size() - offset_)
    throw WorkbookError(
        QStringLiteral("The workbook is damaged: a record runs past the end of its stream."));
  data = stream_.subspan(offset_, size);
  offset_ += size;
  return true;
}

bool RecordReader::next(Record& record) {
  if (!take(record.type, record.data)) return false;
  record.continues.clear();
  while (offset_ <= stream_.size() && stream_.size() - offset_ >= 4 &&
         ReadU16(stream_.data() + offset_) == kContinue) {
    std::uint16_t type;
    take(type, record.continues.emplace_back());
  }
  return true;
}

bool RecordData::nextSegment() {
  while (segment_ < record_.continues.size()) {
    current_ = record_.continues[segment_++];
    pos_ = 0;
    if (!current_.empty()) return true;
  }
  return false;
}

std::size_t RecordData::remaining() const {
  std::size_t bytes = current_.size() - pos_;
  for (std::size_t i = segment_; i < record_.continues.size(); ++i)
    bytes += record_.continues[i].size();
  return bytes;
}

bool RecordData::atEnd() { return pos_ == current_.size() && !nextSegment(); }

std::uint8_t RecordData::u8() {
  if (atEnd()) RecordTooShort();
  return current_[pos_++];
}

std::uint16_t RecordData::u16() {
  const std::uint16_t low = u8();
  return static_cast<std::uint16_t>(low | u8() << 8);
}

std::uint32_t RecordData::u32() {
  const std::uint32_t low = u16();
  return low | std::uint32_t{u16()} << 16;
}

void RecordData::skip(std::size_t count) {
  while (count > 0) {
    if (atEnd()) RecordTooShort();
    const std::size_t step = std::min(count, current_.size() - pos_);
    pos_ += step;
    count -= step;
  }
}

QByteArray RecordData::bytes(std::size_t count) {
  QByteArray out;
  out.reserve(static_cast<qsizetype>(std::min(count, current_.size() - pos_)));
  while (count > 0) {
    if (atEnd()) RecordTooShort();
    const std::size_t step = std::min(count, current_.size() - pos_);
    out.append(reinterpret_cast<const char*>(current_.data() + pos_), static_cast<qsizetype>(step));
    pos_ += step;
    count -= step;
  }
  return out;
}

QString RecordData::unicodeString(std::size_t countSize) {
  const std::size_t count = countSize == 1 ? u8() : u16();
  std::uint8_t flags = u8();
  const std::size_t runs = flags & 0x08 ? u16() : 0;
  const std::size_t phonetic = flags & 0x04 ? u32() : 0;
  // Every character takes a byte at least: a count beyond that is damage, not an allocation.
  if (count > remaining()) RecordTooShort();
  QString text(static_cast<qsizetype>(count), Qt::Uninitialized);
  QChar* out = text.data();
  for (std::size_t done = 0; done < count;) {
    if (pos_ == current_.size()) {
      if (!nextSegment()) RecordTooShort();
      flags = current_[pos_++];
      continue;
    }
    const bool wide = flags & 0x01;
    const std::size_t fits = (current_.size() - pos_) / (wide ? 2 : 1);
    if (fits == 0) {
      pos_ = current_.size();  // half a character before a boundary: damaged, drop it
      continue;
    }
    const std::size_t step = std::min(fits, count - done);
    const std::uint8_t* in = current_.data() + pos_;
    for (std::size_t i = 0; i < step; ++i)
      out[done + i] = QChar(wide ? ReadU16(in + 2 * i) : in[i]);
    pos_ += wide ? 2 * step : step;
    done += step;
  }
  skip(4 * runs + phonetic);
  return text;
}

}  // namespace brelloquin::workbook::biff
