#pragma once
// The payload decoders of the two instrument generations. Each decodes the payload of the frame
// that LogReader::ReadRecord has just delivered into the reader's decoded record state, the
// station list and the GPS decoder, and says whether a record line is to be written
// (kRecordReady, with State.RecordKind naming the record) or not (kNothingToWrite).
//
// Only the record groups ticked in `options` are decoded; channel and GPS payloads (and, in
// 802.11b logs, management captures) always are. A payload shorter than its layout is never read
// past its end.

#include "reader/conversion_options.h"
#include "reader/log_reader.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix {

// 802.11g logs (LogVariant 'G').
int DecodeG(LogReader& reader, StationList& stations, GpsDecoder& gps,
            const ConversionOptions& options);

// 802.11b logs (LogVariant 'B').
int DecodeB(LogReader& reader, StationList& stations, GpsDecoder& gps,
            const ConversionOptions& options);

// Either, by the variant: 'B' selects DecodeB, anything else DecodeG.
inline int DecodeRecord(LogVariant variant, LogReader& reader, StationList& stations,
                        GpsDecoder& gps, const ConversionOptions& options) {
  return variant == kVariantB ? DecodeB(reader, stations, gps, options)
                              : DecodeG(reader, stations, gps, options);
}

} // namespace veltrix
