#pragma once
// What the decoder tests of both generations share: records fed through a real log into a
// decoder, and the station list as comparable values.

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

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
inline std::vector<Node> Nodes(const StationList& list) {
  std::vector<Node> out;
  for (int i = 1; i <= list.Count(); ++i) {
    const StationNode* n = list.GetNth(i);
    if (n == nullptr) break;
    out.push_back({n->mac, n->ssid, n->signal, n->channel, n->isAp, n->wep});
  }
  return out;
}

} // namespace veltrix::decodetest
