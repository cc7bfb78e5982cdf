#pragma once
// The user's choices for one conversion, as a plain value. The window builds one from its
// controls and the command-line converter from its flags; a conversion copies it when it starts.

#include <array>
#include <cstdint>
#include <string_view>

namespace veltrix {

// The delimiter choices, by item index of the delimiter radio group.
inline constexpr std::array<char, 4> Delimiters = {',', '\t', ' ', ';'};
inline constexpr std::array<std::string_view, 4> DelimiterNames = {"Comma", "TAB", "Space",
                                                                   "Semicolon"};

struct ConversionOptions {
  bool cbHeader = true;
  // Context fields, written in this order at the start of every record line.
  bool cbRTCDate = false;
  bool cbRTCTime = false;
  bool cbMarker = false;
  bool cbGPSDate = false;
  bool cbGPSTime = false;
  bool cbGPSLat = false;
  bool cbGPSLon = false;
  // Record groups.
  bool cbFullSpectrum = false;
  bool cbSingleSpectrum = false;
  bool cbMAC = false;
  bool cbAP = false; // with cbMAC: survey lines for access points only
  bool cbSingle = false;
  bool cbUtil = false;
  int delimiterIndex = 0; // 0..3, into Delimiters

  char DelimiterChar() const {
    return Delimiters[static_cast<unsigned>(delimiterIndex) < Delimiters.size() ? delimiterIndex
                                                                                : 0];
  }
  // Every context field (--context), every record group (--records; not cbAP, which narrows one).
  void TickAllContextFields() {
    cbRTCDate = cbRTCTime = cbMarker = cbGPSDate = cbGPSTime = cbGPSLat = cbGPSLon = true;
  }
  void TickAllRecordGroups() {
    cbFullSpectrum = cbSingleSpectrum = cbMAC = cbSingle = cbUtil = true;
  }
  bool AnyRecordGroup() const {
    return cbFullSpectrum || cbSingleSpectrum || cbMAC || cbSingle || cbUtil;
  }

  bool operator==(const ConversionOptions&) const = default;
};

// Kind of a message to the user: its title and icon.
enum class MessageKind : std::int16_t { Information = 0, Warning = 1, Error = 2 };

inline constexpr std::string_view MessageTitle(MessageKind kind) {
  switch (kind) {
  case MessageKind::Warning:
    return "Warning";
  case MessageKind::Error:
    return "Error";
  default:
    return "Information";
  }
}

} // namespace veltrix
