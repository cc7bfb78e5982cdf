#pragma once
// The user's choices for the delimited text (and the delimiter of the tables), as a plain value.
// The window builds one from its controls and the command-line converter from its flags; a
// conversion copies it when it starts.

#include <array>
#include <string_view>

#include "decode/decoders.h"

namespace veltrix {

enum class Delimiter { Comma, Tab, Space, Semicolon };

// The delimiter characters and their names, in the order of Delimiter.
inline constexpr std::array<char, 4> Delimiters = {',', '\t', ' ', ';'};
inline constexpr std::array<std::string_view, 4> DelimiterNames = {"Comma", "TAB", "Space",
                                                                   "Semicolon"};

// The record groups ticked (fullSpectrum ... utilization, from RecordGroups), and the rest.
struct ConversionOptions : RecordGroups {
  bool header = true;
  // Context fields, written in this order at the start of every record line.
  bool rtcDate = false;
  bool rtcTime = false;
  bool marker = false;
  bool gpsDate = false;
  bool gpsTime = false;
  bool gpsLatitude = false;
  bool gpsLongitude = false;
  bool accessPointsOnly = false; // with survey: survey lines for access points only
  Delimiter delimiter = Delimiter::Comma;

  char DelimiterChar() const {
    const auto index = static_cast<std::size_t>(delimiter);
    return Delimiters[index < Delimiters.size() ? index : 0];
  }
  const RecordGroups& Groups() const { return *this; }
  // Every context field (--context).
  void TickAllContextFields() {
    rtcDate = rtcTime = marker = gpsDate = gpsTime = gpsLatitude = gpsLongitude = true;
  }
  // These options with `group` the only record group ticked (survey keeps accessPointsOnly).
  ConversionOptions WithGroupAlone(RecordGroup group) const {
    ConversionOptions alone = *this;
    static_cast<RecordGroups&>(alone) = RecordGroups::Only(group);
    return alone;
  }

  bool operator==(const ConversionOptions&) const = default;
};

} // namespace veltrix
