#pragma once
// src/text/ holds the helpers every layer shares, header-only: byte order, short texts, number
// formatting, MAC texts, text cleaning and dates. This one: number texts of the output,
// byte-identical to printf's.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace veltrix {

// Writes `value` as printf("%0<width>d") does: zero-padded to `width` characters, the minus sign
// counting towards them. Returns the end of the text (at most 20 + width bytes).
inline char* PutZeroPadded(char* out, std::int64_t value, int width) {
  // Timestamps, on the hot path: every frame has six numbers.
  if (width == 2 && value >= 0 && value < 100) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
  }
  if (value >= 0 && value < 10000 && width <= 4) {
    auto v = static_cast<unsigned>(value);
    const int digits = v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1;
    const int n = digits > width ? digits : width;
    for (int i = n - 1; i >= 0; --i, v /= 10) out[i] = static_cast<char>('0' + v % 10);
    return out + n;
  }
  // The magnitude in unsigned arithmetic, so that the most negative value has one too.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    --width;
  }
  char digits[20]; // from the last

  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  for (int i = n; i < width; ++i) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

// Longest text FormatFixed2 may write: a double in fixed notation with two decimals.
inline constexpr std::size_t kFixed2Capacity = 320;

// Writes `value` as printf("%.<decimals>f") does (decimals 0 to 9): the exact binary value
// rounded, halves to even. Non-negative values below 1e9 take an integer path; anything else goes
// through std::to_chars, which rounds the same way.
inline char* FormatFixed(char* out, double value, int decimals) {
  if (!(value >= 0.0 && value < 1e9) || std::signbit(value) || decimals < 0 || decimals > 9) {
    return std::to_chars(out, out + kFixed2Capacity, value, std::chars_format::fixed, decimals).ptr;
  }
  __extension__ using Wide = unsigned __int128;
  std::uint64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  const int exponent = (biased != 0 ? biased : 1) - 1075; // value = mantissa * 2^exponent
  const Wide scaled = Wide{mantissa} * scale;             // below 2^83
  std::uint64_t units;                                    // value * scale, rounded
  if (exponent >= 0) {
    units = static_cast<std::uint64_t>(scaled << exponent); // value < 1e9: below 1e18
  } else if (exponent < -100) {
    units = 0; // less than half a unit
  } else {
    const int shift = -exponent;
    const Wide one = 1;
    units = static_cast<std::uint64_t>(scaled >> shift);
    const Wide rest = scaled & ((one << shift) - 1);
    const Wide half = one << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
  }
  out = std::to_chars(out, out + 20, units / scale).ptr;
  if (decimals == 0) return out;
  *out++ = '.';
  std::uint64_t fraction = units % scale;
  for (int i = decimals - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return out + decimals;
}

// FormatFixed(out, value, 2), on the hot path of every multipath and utilization field: 64-bit
// arithmetic suffices for two decimals (100 times a 53-bit mantissa stays below 2^60).
inline char* FormatFixed2(char* out, double value) {
  if (!(value >= 0.0 && value < 1e15) || std::signbit(value)) return FormatFixed(out, value, 2);
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased != 0) mantissa |= std::uint64_t{1} << 52;
  const int exponent = (biased != 0 ? biased : 1) - 1075;
  std::uint64_t hundredths;
  if (exponent >= 0) {
    hundredths = (mantissa << exponent) * 100; // value < 1e15: below 1e17
  } else if (exponent < -60) {
    hundredths = 0;
  } else {
    const std::uint64_t scaled = mantissa * 100;
    const int shift = -exponent;
    hundredths = scaled >> shift;
    const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (hundredths & 1) != 0)) ++hundredths;
  }
  const std::uint64_t whole = hundredths / 100;
  const unsigned cents = static_cast<unsigned>(hundredths % 100);
  if (whole < 10) {
    *out++ = static_cast<char>('0' + whole);
  } else {
    out = std::to_chars(out, out + 20, whole).ptr;
  }
  out[0] = '.';
  out[1] = static_cast<char>('0' + cents / 10);
  out[2] = static_cast<char>('0' + cents % 10);
  return out + 3;
}

// The texts of 0.00 to 100.00 by hundredths, made once: a share is looked up, not formatted.
struct PercentTexts {
  static constexpr unsigned kCount = 10001;
  struct Entry {
    char text[7]; // copied whole: the room after a share's text takes these bytes too
    std::uint8_t size;
  };
  Entry entries[kCount];

  static const PercentTexts& Get() {
    static const PercentTexts texts;
    return texts;
  }

private:
  PercentTexts() : entries{} {
    for (unsigned h = 0; h < kCount; ++h) {
      char* end = FormatFixed2(entries[h].text, h / 100.0);
      entries[h].size = static_cast<std::uint8_t>(end - entries[h].text);
    }
  }
};

// The shares of one total in percent, two decimals: FormatFixed2(out, part * 100.0 / total) for
// part <= total, in integers. The quotient of two integers is never so close to a halfway point
// between hundredths that the rounding of the double could fall on the other side, except exactly
// on it; that case takes the double path. The division by the total, the same for a record's many
// shares, is a multiplication by its inverse: an estimate exact or one short (the parts times
// 10,000 stay below 2^46), set right by the remainder.
class Shares {
public:
  explicit Shares(std::uint32_t total)
      : total_(total), inverse_(total > 1 ? ~std::uint64_t{0} / total : ~std::uint64_t{0}),
        texts_(PercentTexts::Get()) {}

  char* Format(char* out, std::uint32_t part) const {
    __extension__ using Wide = unsigned __int128;
    if (total_ == 0 || part > total_)
      return FormatFixed2(out, static_cast<double>(part) * 100 / static_cast<double>(total_));
    const std::uint64_t scaled = std::uint64_t{part} * 10000;
    std::uint64_t hundredths = static_cast<std::uint64_t>((Wide{scaled} * inverse_) >> 64);
    std::uint64_t rest = scaled - hundredths * total_;
    const bool short_by_one = rest >= total_; // without branches: either way is as likely
    hundredths += short_by_one ? 1 : 0;
    rest -= short_by_one ? total_ : 0;
    if (2 * rest == total_)
      return FormatFixed2(out, static_cast<double>(part) * 100 / static_cast<double>(total_));
    hundredths += 2 * rest > total_ ? 1 : 0;
    const PercentTexts::Entry& text = texts_.entries[hundredths]; // part <= total: 100.00 at most
    std::memcpy(out, text.text, sizeof text.text);
    return out + text.size;
  }

private:
  std::uint64_t total_;
  std::uint64_t inverse_; // floor((2^64 - 1) / total)
  const PercentTexts& texts_;
};

// One share of `total`, as Shares formats it.
inline char* FormatShare2(char* out, std::uint32_t part, std::uint32_t total) {
  return Shares(total).Format(out, part);
}

} // namespace veltrix
