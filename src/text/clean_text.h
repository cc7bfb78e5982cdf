#pragma once
// Texts from a log made safe for files that other programs parse (XML, CSV): valid UTF-8 is kept,
// and each byte of an invalid sequence, of a control character (U+0000-U+001F, U+007F-U+009F) or
// of U+FFFE/U+FFFF is written as "\xNN", so the result is always valid UTF-8 and valid XML text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrix {

// The length of the valid UTF-8 sequence at the start of `s` (shortest form, no surrogates, at
// most U+10FFFF), with its code point; 0 when the bytes there are not one.
inline std::size_t Utf8SequenceAt(std::string_view s, std::uint32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length;
  std::uint32_t min;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, codePoint = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, codePoint = lead & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
  }
  if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
    return 0;
  return length;
}

// A code point written as escaped bytes: a control character, or a noncharacter XML refuses.
inline bool IsEscapedCodePoint(std::uint32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xFFFE || cp == 0xFFFF;
}

enum class Clean {
  Utf8, // only the bytes of invalid sequences escaped: any text cairo must draw
  Text, // as above: control characters and U+FFFE/U+FFFF escaped too
  Xml,  // as Text, and & < > " ' written as entities
};

// Appends `bytes` cleaned as `how` says.
inline void AppendCleanText(std::string& out, std::string_view bytes, Clean how = Clean::Text) {
  const bool xml = how == Clean::Xml;
  constexpr char kHex[] = "0123456789ABCDEF";
  const auto escapeByte = [&](std::uint8_t b) {
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 15];
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::uint32_t cp = 0;
    const std::size_t n = Utf8SequenceAt(bytes.substr(i), cp);
    if (n == 0) {
      escapeByte(static_cast<std::uint8_t>(bytes[i++]));
      continue;
    }
    if (how != Clean::Utf8 && IsEscapedCodePoint(cp)) {
      for (std::size_t k = 0; k < n; ++k) escapeByte(static_cast<std::uint8_t>(bytes[i + k]));
    } else if (xml && cp == '&') {
      out += "&amp;";
    } else if (xml && cp == '<') {
      out += "&lt;";
    } else if (xml && cp == '>') {
      out += "&gt;";
    } else if (xml && cp == '"') {
      out += "&quot;";
    } else if (xml && cp == '\'') {
      out += "&apos;";
    } else {
      out.append(bytes.substr(i, n));
    }
    i += n;
  }
}

// False when cleaning (as Text) leaves `bytes` as they are: printable ASCII alone.
inline bool NeedsCleaning(std::string_view bytes) {
  for (const char c : bytes) {
    if (c < 0x20 || c > 0x7E) return true; // a char may be signed: bytes above 0x7F are below 0
  }
  return false;
}

inline std::string CleanText(std::string_view bytes, Clean how = Clean::Text) {
  std::string out;
  AppendCleanText(out, bytes, how);
  return out;
}

} // namespace veltrix
