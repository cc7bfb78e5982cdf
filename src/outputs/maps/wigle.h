#pragma once
// WiGLE's CSV upload format: every sighting that has a position, one row each.

#include <string>

#include "analysis/access_points.h"
#include "io/output_file.h"
#include "reader/identify.h"

namespace veltrix::maps {

// The file's two header lines: WiGLE's pre-header naming the program and the instrument, and the
// column names.
void WriteWigleHeader(OutputFile& out, LogVariant variant, const std::string& program);
// The row of a sighting that has a position.
void WriteWigleRow(OutputFile& out, const Sighting& sighting);

} // namespace veltrix::maps
