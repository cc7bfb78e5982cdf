// The maps' filters: what each keeps, and their values read from text.
#include "analysis/map_filters.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

#include "text/clean_text.h"
#include "text/mac_text.h"

namespace veltrix {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The number of `count` digits at `text[at]`, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// A number of digits alone, at most `max`.
std::optional<int> Whole(std::string_view text, int max) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || !IsDigit(text.front()) || error != std::errc() ||
      end != text.data() + text.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

// The code points of a text, a byte that begins no valid sequence counting alone.
std::vector<std::uint32_t> CodePoints(std::string_view text) {
  std::vector<std::uint32_t> points;
  while (!text.empty()) {
    std::uint32_t cp = 0;
    std::size_t n = Utf8SequenceAt(text, cp);
    if (n == 0) {
      cp = static_cast<std::uint8_t>(text.front());
      n = 1;
    }
    points.push_back(cp);
    text.remove_prefix(n);
  }
  return points;
}

// A set at `p[at]` (just after its "["): whether `c` is in it, and where the pattern goes on after
// its "]"; `end` is 0 when the set has no "]".
bool InSet(const std::vector<std::uint32_t>& p, std::size_t at, std::uint32_t c, std::size_t& end) {
  std::size_t i = at;
  const bool negated = i < p.size() && p[i] == '!';
  if (negated) ++i;
  bool found = false;
  for (bool first = true; i < p.size() && (first || p[i] != ']'); first = false) {
    const std::uint32_t low = p[i];
    std::uint32_t high = low;
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
      high = p[i + 2];
      i += 3;
    } else {
      ++i;
    }
    if (c >= low && c <= high) found = true;
  }
  end = i < p.size() ? i + 1 : 0;
  return found != negated;
}

} // namespace

bool SightingFilter::InWindow(const DateTime& rtc) const {
  if (!TimeLimited()) return true;
  return rtc.InRange() && (!from || *from <= rtc) && (!to || rtc <= *to);
}

bool SightingFilter::Keeps(const Sighting& s) const {
  return (!minLevel || s.level >= *minLevel) && InWindow(s.rtc);
}

bool AccessPointFilter::Active() const {
  return !ssids.empty() || !excludeSsids.empty() || !excludeMacs.empty() || channels ||
         encryption != Encryption::Any;
}

bool AccessPointFilter::Keeps(const AccessPoint& ap) const {
  if (excludeMacs.contains(MacKey(ap.mac))) return false;
  if (channels && !channels->test(ap.channel)) return false;
  if (encryption != Encryption::Any && ap.wep != (encryption == Encryption::Wep)) return false;
  if (ssids.empty() && excludeSsids.empty()) return true;
  const std::string ssid = CleanText(ap.ssid);
  const auto matches = [&](const std::string& pattern) { return GlobMatch(pattern, ssid); };
  if (!ssids.empty() && std::none_of(ssids.begin(), ssids.end(), matches)) return false;
  return std::none_of(excludeSsids.begin(), excludeSsids.end(), matches);
}

std::vector<std::pair<std::string, std::string>> DescribeFilters(const MapFilters& filters) {
  std::vector<std::pair<std::string, std::string>> described;
  const SightingFilter& s = filters.sightings;
  const AccessPointFilter& a = filters.accessPoints;
  if (s.minLevel) described.push_back({"Minimum RSSI", std::to_string(*s.minLevel) + " dBm"});
  if (s.from) described.push_back({"From", s.from->Iso(' ')});
  if (s.to) described.push_back({"To", s.to->Iso(' ')});
  const auto joined = [](const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
  };
  if (!a.ssids.empty()) described.push_back({"SSIDs kept", joined(a.ssids)});
  if (!a.excludeSsids.empty()) described.push_back({"SSIDs left out", joined(a.excludeSsids)});
  if (!a.excludeMacs.empty()) {
    std::vector<std::uint64_t> keys(a.excludeMacs.begin(), a.excludeMacs.end());
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> macs;
    for (const std::uint64_t key : keys) {
      char text[kMacTextSize];
      const std::array<std::uint8_t, 6> mac = MacOf(key);
      macs.emplace_back(FormatMac(mac.data(), text));
    }
    described.push_back({"MACs left out", joined(macs)});
  }
  if (a.channels) {
    std::vector<std::string> ranges;
    for (int c = 0; c < 256; ++c) {
      if (!a.channels->test(static_cast<std::size_t>(c))) continue;
      int last = c;
      while (last + 1 < 256 && a.channels->test(static_cast<std::size_t>(last + 1))) ++last;
      ranges.push_back(last == c ? std::to_string(c)
                                 : std::to_string(c) + "-" + std::to_string(last));
      c = last;
    }
    described.push_back({"Channels kept", joined(ranges)});
  }
  if (a.encryption != Encryption::Any)
    described.push_back({"Encryption kept", a.encryption == Encryption::Wep ? "WEP" : "open"});
  return described;
}

std::optional<int> ParseLevel(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
  const std::optional<int> magnitude = Whole(text, 100000);
  if (!magnitude) return std::nullopt;
  return negative ? -*magnitude : *magnitude;
}

std::optional<DateTime> ParseTime(std::string_view text, bool endOfDay) {
  if (text.size() != 10 && text.size() != 16 && text.size() != 19) return std::nullopt;
  DateTime t;
  t.year = Digits(text, 0, 4);
  t.month = Digits(text, 5, 2);
  t.day = Digits(text, 8, 2);
  if (text[4] != '-' || text[7] != '-' || t.year < 0 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysIn(static_cast<int>(t.year), static_cast<int>(t.month))) {
    return std::nullopt;
  }
  if (text.size() == 10) {
    if (endOfDay) t.hours = 23, t.minutes = 59, t.seconds = 59;
    return t;
  }
  t.hours = Digits(text, 11, 2);
  t.minutes = Digits(text, 14, 2);
  t.seconds = text.size() == 19 ? Digits(text, 17, 2) : 0;
  if ((text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      (text.size() == 19 && text[16] != ':') || t.hours < 0 || t.hours > 23 || t.minutes < 0 ||
      t.minutes > 59 || t.seconds < 0 || t.seconds > 59) {
    return std::nullopt;
  }
  return t;
}

std::optional<std::bitset<256>> ParseChannels(std::string_view text) {
  std::bitset<256> channels;
  for (;;) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const std::size_t dash = item.find('-');
    const std::optional<int> low = Whole(item.substr(0, dash), 255);
    const std::optional<int> high =
        dash == std::string_view::npos ? low : Whole(item.substr(dash + 1), 255);
    if (!low || !high || *low > *high) return std::nullopt;
    for (int c = *low; c <= *high; ++c) channels.set(static_cast<std::size_t>(c));
    if (comma == std::string_view::npos) return channels;
    text.remove_prefix(comma + 1);
  }
}

std::optional<std::array<std::uint8_t, 6>> ParseMac(std::string_view text) {
  if (text.size() != 17) return std::nullopt;
  std::array<std::uint8_t, 6> mac{};
  for (std::size_t i = 0; i < 6; ++i) {
    if (i > 0 && text[3 * i - 1] != ':' && text[3 * i - 1] != '-') return std::nullopt;
    unsigned byte = 0;
    const char* first = text.data() + 3 * i;
    const auto [end, error] = std::from_chars(first, first + 2, byte, 16);
    if (error != std::errc() || end != first + 2) return std::nullopt;
    mac[i] = static_cast<std::uint8_t>(byte);
  }
  return mac;
}

bool ParseMacList(std::string_view text, std::unordered_set<std::uint64_t>& macs,
                  std::string& problem) {
  const auto add = [&](std::string_view item, const std::string& where) {
    const std::optional<std::array<std::uint8_t, 6>> mac = ParseMac(Trimmed(item));
    if (!mac) {
      problem = where + "'" + std::string(item) + "' is not a MAC address";
      return false;
    }
    macs.insert(MacKey(*mac));
    return true;
  };
  if (!text.empty() && text.front() == '@') {
    const std::string path(text.substr(1));
    std::ifstream file(path);
    if (!file) {
      problem = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
      const std::string_view item = Trimmed(line);
      if (item.empty() || item.front() == '#') continue;
      if (!add(item, path + ", line " + std::to_string(number) + ": ")) return false;
    }
    if (file.bad()) {
      problem = "cannot read " + path;
      return false;
    }
    return true;
  }
  for (;;) {
    const std::size_t comma = text.find(',');
    if (!add(text.substr(0, comma), "")) return false;
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

bool GlobMatch(std::string_view pattern, std::string_view text) {
  const std::vector<std::uint32_t> p = CodePoints(pattern);
  const std::vector<std::uint32_t> t = CodePoints(text);
  std::size_t i = 0, k = 0;
  // Where the last "*" was, and the text it has taken up to: a mismatch gives it one more.
  std::size_t starAt = std::string_view::npos, starText = 0;
  while (k < t.size()) {
    std::size_t next = 0;
    if (i < p.size() && p[i] == '*') {
      starAt = i++;
      starText = k;
      continue;
    }
    if (i < p.size() && p[i] == '?') {
      ++i, ++k;
      continue;
    }
    if (i < p.size() && p[i] == '[') {
      const bool in = InSet(p, i + 1, t[k], next);
      if (next != 0) {
        if (in) {
          i = next, ++k;
          continue;
        }
      } else if (t[k] == '[') { // no "]": an ordinary "["
        ++i, ++k;
        continue;
      }
    } else if (i < p.size() && p[i] == t[k]) {
      ++i, ++k;
      continue;
    }
    if (starAt == std::string_view::npos) return false;
    i = starAt + 1;
    k = ++starText;
  }
  while (i < p.size() && p[i] == '*') ++i;
  return i == p.size();
}

} // namespace veltrix
