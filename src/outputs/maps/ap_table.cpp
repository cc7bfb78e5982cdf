// The access-point table: quoted like the delimited text, with CR LF line ends.
#include "outputs/maps/ap_table.h"

namespace veltrix::maps {

void WriteAccessPointTable(OutputFile& out, const AccessPointTable& table) {
  for (const char* column : kAccessPointColumns) out.Field(column);
  out.EndLine();
  for (const AccessPoint& ap : table.All()) {
    for (const std::string& field : AccessPointFields(ap)) out.Field(field);
    out.EndLine();
  }
}

} // namespace veltrix::maps
