#include "decode/rates.h"

namespace veltrix {

const DataRate* FindRate(unsigned code) {
  for (const DataRate& rate : kDataRates) {
    if (rate.code == code) return &rate;
  }
  return nullptr;
}

const char* RateName(unsigned code) {
  const DataRate* rate = FindRate(code);
  return rate != nullptr ? rate->name : "???";
}

std::string_view RateMegabits(unsigned code) {
  const DataRate* rate = FindRate(code);
  if (rate == nullptr) return {};
  const std::string_view name = rate->name;
  return name.substr(0, name.find(' '));
}

std::uint16_t BRateCodeOfRateByte(std::uint8_t rate100k) {
  for (const DataRate* rate : kBRates) {
    if (rate->code * 5u == rate100k) return rate->code;
  }
  return 0;
}

} // namespace veltrix
