#pragma once
// The access-point table: one row per access point, in the chosen delimiter.

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// The table's columns.
inline constexpr const char* kAccessPointColumns[] = {
    "MAC",       "SSID",           "Channel",
    "WEP",       "Sightings",      "First Seen",
    "Last Seen", "Max RSSI (dBm)", "Min RSSI (dBm)",
    "Latitude",  "Longitude",      "RSSI at Position (dBm)"};

// The header and a row per access point, in the order they were first seen.
void WriteAccessPointTable(OutputFile& out, const AccessPointTable& table);

} // namespace veltrix::maps
