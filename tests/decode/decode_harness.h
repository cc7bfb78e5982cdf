#pragma once
// What the decoder tests of both generations share: records fed through a real log into a
// decoder, and the station list checked through what it shows.

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decode/decoders.h"
#include "reader/log_reader.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix::decodetest {

using testing::Bytes;
using testing::Mac;

struct Record {
  std::uint8_t type = 0;
  Bytes body;
  bool empty = false;             // a frame whose payload block is empty
  Bytes after = Bytes(256, 0xEE); // skipped by the framing; seen by a decoder reading too far
};

// One conversion's objects. Feed frames the records into a log of the generation and decodes
// each as the conversion loop does, returning the decoder's results.
struct HarnessFor {
  HarnessFor(LogVariant variant, std::size_t capacity)
      : variant(variant), decoder(variant, RecordGroups::All(), capacity) {}

  std::vector<int> Feed(const std::vector<Record>& records) {
    testing::LogBuilder log(variant == LogVariant::B ? "QXB " : "QXBG");
    for (const Record& r : records) {
      if (r.empty) {
        log.EmptyFrame();
      } else {
        log.Frame(r.type, r.body);
      }
      log.Raw(r.after);
    }
    char name[32];
    std::snprintf(name, sizeof name, "%d.qx", logs++);
    reader.SetInputPath(log.Write(dir.File(name)));
    EXPECT_TRUE(reader.OpenLog());
    std::vector<int> results;
    while (reader.ReadRecord() != 0) {
      decoder.groups = groups;
      results.push_back(decoder.Decode(reader.Current()) == DecodeResult::RecordReady ? 1 : 0);
    }
    reader.CloseLog();
    return results;
  }
  RecordState& state() { return decoder.state; }

  LogVariant variant;
  testing::TempDir dir;
  int logs = 0;
  LogReader reader;
  RecordDecoder decoder;
  StationList& stations = decoder.stations;
  GpsDecoder& gps = decoder.gps;
  RecordGroups groups = RecordGroups::All(); // the record groups decoded
};

inline Mac M(std::uint8_t n) {
  return {0x00, 0x0C, 0x41, 0x9A, 0x00, n};
}

struct Node {
  Mac mac{};
  std::string ssid;
  int signal = 0, channel = 0, isAp = 0, wep = 0;
  bool operator==(const Node&) const = default;
};
inline void PrintTo(const Node& n, std::ostream* os) {
  *os << "{mac .." << int(n.mac[5]) << " '" << n.ssid << "' signal " << n.signal << " channel "
      << n.channel << " ap " << n.isAp << " wep " << n.wep << "}";
}
inline Node NodeOf(const StationNode& n) {
  return {n.mac, n.ssid, n.signal, n.channel, n.isAp, n.wep};
}

// The station FindByMac gives for `mac`, if any.
inline std::optional<Node> Found(StationList& list, const Mac& mac) {
  const StationNode* n = list.FindByMac(mac.data());
  return n == nullptr ? std::nullopt : std::optional<Node>(NodeOf(*n));
}

// Whether the list is `expected`, written in list order, as far as it shows: its count, its
// first node, and each station by MAC. A MAC listed twice is found as its first in list order;
// the later ones show only in the count.
inline ::testing::AssertionResult Lists(StationList& list, const std::vector<Node>& expected) {
  if (list.Count() != static_cast<int>(expected.size()))
    return ::testing::AssertionFailure()
           << "Count() is " << list.Count() << ", not " << expected.size();
  const StationNode* first = list.First();
  if ((first == nullptr) != expected.empty() ||
      (first != nullptr && !(NodeOf(*first) == expected.front())))
    return ::testing::AssertionFailure()
           << "First() is " << (first ? ::testing::PrintToString(NodeOf(*first)) : "null");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Node& want = expected[i];
    bool listedBefore = false;
    for (std::size_t j = 0; j < i; ++j) listedBefore = listedBefore || expected[j].mac == want.mac;
    if (listedBefore) continue;
    const std::optional<Node> got = Found(list, want.mac);
    if (got != want)
      return ::testing::AssertionFailure()
             << "FindByMac gives " << ::testing::PrintToString(got) << " for entry " << i;
  }
  return ::testing::AssertionSuccess();
}

// What the list shows of itself, as text: its count, its first node and the station found for
// each M(n).
inline std::string Observed(StationList& list) {
  std::string out = std::to_string(list.Count());
  if (const StationNode* first = list.First()) out += ::testing::PrintToString(NodeOf(*first));
  for (int n = 0; n < 256; ++n) {
    if (const std::optional<Node> found = Found(list, M(static_cast<std::uint8_t>(n))))
      out += ::testing::PrintToString(*found);
  }
  return out;
}

} // namespace veltrix::decodetest
