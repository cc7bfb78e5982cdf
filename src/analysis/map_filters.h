#pragma once
// What the maps and tables leave out, and the parsing of the filters' values. Sighting filters act
// on each sighting before the access points are gathered (a weak sighting of an access point does
// not count towards it at all); access-point filters act on each gathered access point.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "analysis/access_points.h"
#include "text/date_text.h"

namespace veltrix {

struct SightingFilter {
  std::optional<int> minLevel;      // dBm: weaker sightings are left out
  std::optional<DateTime> from, to; // both inclusive

  bool Active() const { return minLevel || TimeLimited(); }
  bool TimeLimited() const { return from || to; }
  // A record's RTC inside the time window; with a window, an RTC out of range is outside it. The
  // GPS fixes of the track are limited by it too.
  bool InWindow(const DateTime& rtc) const;
  bool Keeps(const Sighting& sighting) const;
};

enum class Encryption { Any, Open, Wep };

struct AccessPointFilter {
  std::vector<std::string> ssids;        // keep those whose SSID matches one (none given: all)
  std::vector<std::string> excludeSsids; // leave out those whose SSID matches one
  std::unordered_set<std::uint64_t> excludeMacs; // by MacKey
  std::optional<std::bitset<256>> channels;      // keep those on one of them
  Encryption encryption = Encryption::Any;

  bool Active() const;
  // Judged on the SSID as the map files write it (cleaned), and the strongest sighting's channel.
  bool Keeps(const AccessPoint& ap) const;
};

struct MapFilters {
  SightingFilter sightings;
  AccessPointFilter accessPoints;
  bool Active() const { return sightings.Active() || accessPoints.Active(); }
};

// The filters given, each a name and its value as a reader would write it: for a report.
std::vector<std::pair<std::string, std::string>> DescribeFilters(const MapFilters& filters);

// The filters' values, each nothing (or false) when malformed.
// DBM: a whole number, "-75".
std::optional<int> ParseLevel(std::string_view text);
// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS", a space for the T allowed; a date
// alone is its first second, or with `endOfDay` its last, and HH:MM its second 00.
std::optional<DateTime> ParseTime(std::string_view text, bool endOfDay);
// "1,6,11", "1-6", "1-3,11": channels 0 to 255.
std::optional<std::bitset<256>> ParseChannels(std::string_view text);
// "00:0A:1B:2C:3D:4E" or with "-" between the bytes, any case.
std::optional<std::array<std::uint8_t, 6>> ParseMac(std::string_view text);
// MACs separated by commas, or "@FILE": a MAC per line, blank lines and lines starting with "#"
// left out. Adds them to `macs` (by MacKey); false with `problem` set when one is malformed or
// the file cannot be read.
bool ParseMacList(std::string_view text, std::unordered_set<std::uint64_t>& macs,
                  std::string& problem);

// Whether `text` matches `pattern` whole: "*" any run of characters (none too), "?" one
// character, "[...]" one of a set ("a-z" a range; "]" first is a member), "[!...]" one not in it;
// a "[" without its "]" stands for itself; no escape character. Characters are code points of
// UTF-8 (a byte that is no part of one counts alone), compared as they are (case matters).
bool GlobMatch(std::string_view pattern, std::string_view text);

} // namespace veltrix
