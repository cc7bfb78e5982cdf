#pragma once
// The lines of the output file: the header record naming the columns, and one line per decoded
// record, opened by the ticked context fields.

#include "convert/output_file.h"
#include "reader/conversion_options.h"
#include "reader/log_reader.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix {

// Writes the header line for the ticked groups of `options` in the layouts of `variant`.
void WriteHeaderRecord(OutputFile& out, const ConversionOptions& options, LogVariant variant);

// Everything a record line reads.
struct LineSources {
  const LogReader& reader; // framing texts and the decoded record state
  const StationList& stations;
  const GpsDecoder& gps;
  const ConversionOptions& options;
  LogVariant variant;
};

// Writes the line of the record that a decoder has just completed (State.RecordKind). A survey
// whose list is empty, or whose first station is a client while access points only are asked
// for, writes nothing at all: then it returns false.
bool WriteRecordLine(OutputFile& out, const LineSources& sources);

} // namespace veltrix
