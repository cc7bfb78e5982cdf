#pragma once
// The filters of the maps, tables and report as a front end takes them, in words, and their
// reading into MapFilters with a message that names the value that is wrong.

#include <optional>
#include <string>
#include <vector>

#include "analysis/map_filters.h"

namespace veltrix {

// The values as given; nothing where a filter is not asked for.
struct FilterTexts {
  std::optional<std::string> minRssi, from, to, channels, encryption; // encryption: open|wep
  std::vector<std::string> macLists; // MACs separated by commas, or @FILE
};

// What the front end calls each value in its messages ("--channel", "Channels").
struct FilterNames {
  const char* minRssi;
  const char* from;
  const char* to;
  const char* channels;
  const char* encryption;
  const char* macs;
};

// Reads `texts` into `filters` (the SSID patterns are taken as they are, elsewhere). What is wrong
// with a value, naming it: "--channel: '1-x' is not a list of channels such as 1,6,11 or 1-3,11".
std::optional<std::string> ReadFilters(const FilterTexts& texts, const FilterNames& names,
                                       MapFilters& filters);

} // namespace veltrix
