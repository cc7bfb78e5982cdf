#pragma once
// The payload decoders of the two instrument generations. Each decodes the payload of a frame
// into a decoded record state, a station list and a GPS decoder, and says whether a record line
// is to be written (RecordReady, with the state's Kind naming the record) or not.
//
// Only the record groups asked for are decoded; channel and GPS payloads (and, in 802.11b logs,
// management captures) always are. A payload shorter than its layout is never read past its end.

#include <cstddef>

#include "decode/record_state.h"
#include "reader/identify.h"
#include "reader/log_reader.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix {

// The record groups a decoder decodes.
struct RecordGroups {
  bool fullSpectrum = false;
  bool singleSpectrum = false;
  bool survey = false;
  bool single = false; // single-channel station data
  bool utilization = false;

  static RecordGroups All() { return {true, true, true, true, true}; }
  bool Any() const { return fullSpectrum || singleSpectrum || survey || single || utilization; }
  bool operator==(const RecordGroups&) const = default;
};

// Told of every report of an access point: each access-point node an 802.11g survey inserts (in
// station order), and each management-frame capture of an 802.11b log (types 9 and 10, beacons in
// types 6 and 18) with FrameValid set, once its node is found or added; `node` holds the values
// after the update (a node the full list could not take is reported all the same).
class SightingSink {
public:
  virtual void AccessPointSighted(const StationNode& node) = 0;

protected:
  ~SightingSink() = default;
};

// 802.11g logs.
DecodeResult DecodeG(const Frame& frame, RecordState& state, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings = nullptr);
// 802.11b logs.
DecodeResult DecodeB(const Frame& frame, RecordState& state, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings = nullptr);

// One generation's decoder with everything it keeps from record to record, created with the
// start-up defaults: each output of a conversion has its own.
struct RecordDecoder {
  explicit RecordDecoder(LogVariant variant, RecordGroups groups = RecordGroups::All(),
                         std::size_t stationCapacity = StationList::kDefaultCapacity)
      : variant(variant), groups(groups), stations(stationCapacity) {}

  DecodeResult Decode(const Frame& frame) {
    return variant == LogVariant::B ? DecodeB(frame, state, stations, gps, groups, sightings)
                                    : DecodeG(frame, state, stations, gps, groups, sightings);
  }

  LogVariant variant;
  RecordGroups groups;
  RecordState state;
  StationList stations;
  GpsDecoder gps;
  SightingSink* sightings = nullptr;
};

} // namespace veltrix
