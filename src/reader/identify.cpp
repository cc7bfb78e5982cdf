#include "reader/identify.h"

#include <cstring>

#include "reader/input_file.h"

namespace veltrix {

std::optional<LogVariant> VariantOfSignature(const std::uint8_t* first4) {
  if (std::memcmp(first4, "QXA ", 4) == 0 || std::memcmp(first4, "QXBG", 4) == 0)
    return LogVariant::G;
  if (std::memcmp(first4, "QXB ", 4) == 0) return LogVariant::B;
  return std::nullopt;
}

Identification IdentifyLog(const std::string& path) {
  InputFile file;
  if (!file.Open(path))
    return {IdentifyResult::CannotOpen, LogVariant::B, OpenErrorText(file.Error())};
  // A short file leaves zeros, which match no signature.
  std::uint8_t head[4] = {0, 0, 0, 0};
  file.Read(head, sizeof head);
  file.Close();
  const std::optional<LogVariant> found = VariantOfSignature(head);
  if (!found) return {IdentifyResult::NotValid, LogVariant::B, {}};
  return {IdentifyResult::Ok, *found, {}};
}

const char* IdentifyMessage(IdentifyResult result) {
  switch (result) {
  case IdentifyResult::Ok:
    return kMsgLoaded;
  case IdentifyResult::NotValid:
    return kMsgNotValid;
  default:
    return kMsgCannotOpen;
  }
}

} // namespace veltrix
