#pragma once
// The lines of the delimited text: the header record naming the columns, and one line per decoded
// record, opened by the ticked context fields.

#include <cstdint>
#include <string>

#include "convert/conversion_options.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

// Writes the header line for the ticked groups of `options` in the layouts of `variant`.
void WriteHeaderRecord(OutputFile& out, const ConversionOptions& options, LogVariant variant);

// The context fields that change only with the marker or the GPS fix (marker, GPS date, GPS time,
// latitude, longitude), as one writer last wrote them: a line whose marker and fix are the last
// line's copies their bytes instead of formatting them again. A writer keeps one for one file
// (the delimiter and the ticked fields shape the bytes) and one decoder.
class ContextTail {
public:
  // Forgets what was written: before the first line of another decoder.
  void Reset() { valid_ = false; }
  // Writes the ticked ones of those fields for a line of `frame`.
  void Write(OutputFile& out, const Frame& frame, const GpsDecoder& gps,
             const ConversionOptions& options);

private:
  bool valid_ = false;
  std::uint64_t fixes_ = 0; // the GPS decoder's count of fixes when they were written
  std::string marker_;
  std::string bytes_; // with the separator before them, as the ticked clock fields make it
};

// Everything a record line reads.
struct LineSources {
  const Frame& frame;           // the timestamp and marker texts
  const RecordDecoder& decoder; // the decoded record state, the station list and the GPS fix
  const ConversionOptions& options;
  ContextTail* tail = nullptr; // the writer's, when it keeps one
};

// Writes the line of the record that the decoder has just completed (its state's Kind, of a
// ticked group). A survey whose list is empty, or whose first station is a client while access
// points only are asked for, and an 802.11b utilization record of a channel beyond 14 write
// nothing at all: then it returns false.
bool WriteRecordLine(OutputFile& out, const LineSources& sources);

} // namespace veltrix
