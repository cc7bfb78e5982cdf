#pragma once
// The lines of the delimited text: the header record naming the columns, and one line per decoded
// record, opened by the ticked context fields.

#include "convert/conversion_options.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

// Writes the header line for the ticked groups of `options` in the layouts of `variant`.
void WriteHeaderRecord(OutputFile& out, const ConversionOptions& options, LogVariant variant);

// Everything a record line reads.
struct LineSources {
  const Frame& frame;           // the timestamp and marker texts
  const RecordDecoder& decoder; // the decoded record state, the station list and the GPS fix
  const ConversionOptions& options;
};

// Writes the line of the record that the decoder has just completed (its state's Kind, of a
// ticked group). A survey whose list is empty, or whose first station is a client while access
// points only are asked for, and an 802.11b utilization record of a channel beyond 14 write
// nothing at all: then it returns false.
bool WriteRecordLine(OutputFile& out, const LineSources& sources);

} // namespace veltrix
