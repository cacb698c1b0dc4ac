#pragma once
// Little-endian fields of the compound file and its BIFF records.

#include <bit>
#include <cstdint>
#include <span>

namespace brelloquin::workbook {

using Bytes = std::span<const std::uint8_t>;

inline std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

inline std::uint64_t ReadU64(const std::uint8_t* p) {
  return std::uint64_t{ReadU32(p)} | std::uint64_t{ReadU32(p + 4)} << 32;
}

inline double ReadF64(const std::uint8_t* p) { return std::bit_cast<double>(ReadU64(p)); }

}  // namespace brelloquin::workbook
