#pragma once
// WiGLE's CSV upload format: every sighting that has a position, one row each.

#include <string>

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// The file's two header lines: WiGLE's pre-header naming the program and the instrument (the
// generations of the logs: 802.11b, 802.11g or both), and the column names.
void WriteWigleHeader(OutputFile& out, bool b, bool g, const std::string& program);
// The row of a sighting that has a position.
void WriteWigleRow(OutputFile& out, const Sighting& sighting);

} // namespace veltrix::maps
