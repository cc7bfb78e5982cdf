#pragma once
// Identification of a log by its four-byte signature.

#include <cstdint>
#include <string>

#include "reader/input_file.h"
#include "reader/record_state.h"

namespace veltrix {

enum IdentifyCode : std::int16_t {
  IdentifyOk = 0,
  IdentifyNotValid = -1,
  IdentifyCannotOpen = -2,
};

// The user's messages for the identification results.
inline constexpr const char* kMsgLoaded = "Tarvik File Has Been Loaded.";
inline constexpr const char* kMsgNotValid = "Not a Valid Tarvik File.";
inline constexpr const char* kMsgCannotOpen = "Cannot Open File.";
const char* IdentifyMessage(std::int16_t code);

// Tells the generation of one picked file. Lives for one check.
class Load {
public:
  explicit Load(std::string inputPath) : InputPath(std::move(inputPath)) {}

  // IdentifyOk and the generation in Variant(); IdentifyNotValid when the first four bytes
  // match no signature; IdentifyCannotOpen when the file cannot be opened exclusively.
  std::int16_t IdentifyFile();
  LogVariant Variant() const { return variant_; }

  const std::string InputPath;

private:
  bool OpenInput() { return FileHandle.Open(InputPath); }
  void CloseInput() { FileHandle.Close(); }

  InputFile FileHandle;
  LogVariant variant_ = kVariantB;
};

// The generation of a log's first four bytes, or 0 when they are no signature.
LogVariant VariantOfSignature(const std::uint8_t* first4);

} // namespace veltrix
