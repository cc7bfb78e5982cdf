#include "reader/record_state.h"

namespace veltrix {

const char* RateName(unsigned code) {
  switch (code) {
  case 2:
    return "1 Mb/s";
  case 4:
    return "2 Mb/s";
  case 11:
    return "5.5 Mb/s";
  case 12:
    return "6 Mb/s";
  case 18:
    return "9 Mb/s";
  case 22:
    return "11 Mb/s";
  case 24:
    return "12 Mb/s";
  case 36:
    return "18 Mb/s";
  case 44:
    return "22 Mb/s";
  case 48:
    return "24 Mb/s";
  case 66:
    return "33 Mb/s";
  case 72:
    return "36 Mb/s";
  case 96:
    return "48 Mb/s";
  case 108:
    return "54 Mb/s";
  default:
    return "???";
  }
}

} // namespace veltrix
