#include "products/filter_texts.h"

namespace veltrix {

std::optional<std::string> ReadFilters(const FilterTexts& t, const FilterNames& names,
                                       MapFilters& filters) {
  const auto bad = [](const char* name, const std::string& value, const std::string& why) {
    return std::string(name) + ": '" + value + "' " + why;
  };
  SightingFilter& s = filters.sightings;
  AccessPointFilter& a = filters.accessPoints;
  if (t.minRssi && !(s.minLevel = ParseLevel(*t.minRssi)))
    return bad(names.minRssi, *t.minRssi, "is not a whole number of dBm, such as -75");
  const char* times = "is not a time: use YYYY-MM-DD, YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS";
  if (t.from && !(s.from = ParseTime(*t.from, false))) return bad(names.from, *t.from, times);
  if (t.to && !(s.to = ParseTime(*t.to, true))) return bad(names.to, *t.to, times);
  if (s.from && s.to && *s.to < *s.from)
    return bad(names.to, *t.to, std::string("is before ") + names.from + " '" + *t.from + "'");
  if (t.channels && !(a.channels = ParseChannels(*t.channels)))
    return bad(names.channels, *t.channels, "is not a list of channels such as 1,6,11 or 1-3,11");
  if (t.encryption == "open") {
    a.encryption = Encryption::Open;
  } else if (t.encryption == "wep") {
    a.encryption = Encryption::Wep;
  } else if (t.encryption) {
    return bad(names.encryption, *t.encryption, "is neither open nor wep");
  }
  for (const std::string& list : t.macLists) {
    std::string problem;
    if (!ParseMacList(list, a.excludeMacs, problem)) return bad(names.macs, list, problem);
  }
  return std::nullopt;
}

} // namespace veltrix
