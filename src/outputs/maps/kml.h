#pragma once
// KML for Google Earth: one placemark per access point that has a position.

#include <string>

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// The whole document, `name` naming it.
void WriteKml(OutputFile& out, const AccessPointTable& table, const std::string& name);

} // namespace veltrix::maps
