#pragma once
// The access-point table: one row per access point, in the chosen delimiter.

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// The header and a row per access point, in the order they were first seen.
void WriteAccessPointTable(OutputFile& out, const AccessPointTable& table);

} // namespace veltrix::maps
