#include "reader/identify.h"

#include <cstring>

namespace veltrix {

LogVariant VariantOfSignature(const std::uint8_t* first4) {
  if (std::memcmp(first4, "QXA ", 4) == 0 || std::memcmp(first4, "QXBG", 4) == 0) return kVariantG;
  if (std::memcmp(first4, "QXB ", 4) == 0) return kVariantB;
  return 0;
}

std::int16_t Load::IdentifyFile() {
  if (!OpenInput()) return IdentifyCannotOpen;
  // A short file leaves zeros, which match no signature.
  std::uint8_t head[4] = {0, 0, 0, 0};
  FileHandle.Read(head, sizeof head);
  CloseInput();
  const LogVariant found = VariantOfSignature(head);
  if (found == 0) return IdentifyNotValid;
  variant_ = found;
  return IdentifyOk;
}

const char* IdentifyMessage(std::int16_t code) {
  switch (code) {
  case IdentifyOk:
    return kMsgLoaded;
  case IdentifyNotValid:
    return kMsgNotValid;
  default:
    return kMsgCannotOpen;
  }
}

} // namespace veltrix
