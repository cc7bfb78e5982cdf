#pragma once
// The user's choices for one delimited-text output, as a plain value. The window builds one from
// its controls and the command-line converter from its flags; a conversion copies it when it
// starts.

#include <array>
#include <string_view>

#include "decode/decoders.h"

namespace veltrix {

enum class Delimiter { Comma, Tab, Space, Semicolon };

// The delimiter characters and their names, in the order of Delimiter.
inline constexpr std::array<char, 4> Delimiters = {',', '\t', ' ', ';'};
inline constexpr std::array<std::string_view, 4> DelimiterNames = {"Comma", "TAB", "Space",
                                                                   "Semicolon"};

struct ConversionOptions {
  bool header = true;
  // Context fields, written in this order at the start of every record line.
  bool rtcDate = false;
  bool rtcTime = false;
  bool marker = false;
  bool gpsDate = false;
  bool gpsTime = false;
  bool gpsLatitude = false;
  bool gpsLongitude = false;
  // Record groups.
  bool fullSpectrum = false;
  bool singleSpectrum = false;
  bool survey = false;
  bool accessPointsOnly = false; // with survey: survey lines for access points only
  bool single = false;           // single-channel station data
  bool utilization = false;
  Delimiter delimiter = Delimiter::Comma;

  char DelimiterChar() const {
    const auto index = static_cast<std::size_t>(delimiter);
    return Delimiters[index < Delimiters.size() ? index : 0];
  }
  RecordGroups Groups() const {
    return {fullSpectrum, singleSpectrum, survey, single, utilization};
  }
  // Every context field (--context), every record group (--records; not accessPointsOnly, which
  // narrows one).
  void TickAllContextFields() {
    rtcDate = rtcTime = marker = gpsDate = gpsTime = gpsLatitude = gpsLongitude = true;
  }
  void TickAllRecordGroups() {
    fullSpectrum = singleSpectrum = survey = single = utilization = true;
  }
  bool AnyRecordGroup() const { return Groups().Any(); }

  // The five record groups in header order, by index (see RecordGroupNames).
  static constexpr std::size_t kRecordGroups = 5;
  bool GroupTicked(std::size_t index) const { return this->*kGroupFlags[index]; }
  // These options with record group `index` the only one ticked (survey keeps accessPointsOnly).
  ConversionOptions WithGroupAlone(std::size_t index) const {
    ConversionOptions alone = *this;
    for (const auto flag : kGroupFlags) alone.*flag = false;
    alone.*kGroupFlags[index] = true;
    return alone;
  }

  bool operator==(const ConversionOptions&) const = default;

private:
  static constexpr bool ConversionOptions::*kGroupFlags[kRecordGroups] = {
      &ConversionOptions::fullSpectrum, &ConversionOptions::singleSpectrum,
      &ConversionOptions::survey, &ConversionOptions::single, &ConversionOptions::utilization};
};

// The record groups' short names, in header order: what files of one group each are named by.
inline constexpr std::array<std::string_view, ConversionOptions::kRecordGroups> RecordGroupNames = {
    "full-spectrum", "single-spectrum", "survey", "single", "util"};

} // namespace veltrix
