#pragma once
// Identification of a log by its four-byte signature: which instrument generation wrote it.

#include <cstdint>
#include <optional>
#include <string>

namespace veltrix {

// The instrument generation that wrote a log, by the letter it is known by.
enum class LogVariant : char {
  B = 'B', // 802.11b: signature "QXB "
  G = 'G', // 802.11g: signature "QXBG" or "QXA "
};

enum class IdentifyResult { Ok, NotValid, CannotOpen };

// The user's messages for the identification results.
inline constexpr const char* kMsgLoaded = "Tarvik File Has Been Loaded.";
inline constexpr const char* kMsgNotValid = "Not a Valid Tarvik File.";
inline constexpr const char* kMsgCannotOpen = "Cannot Open File.";
const char* IdentifyMessage(IdentifyResult result);

struct Identification {
  IdentifyResult result = IdentifyResult::CannotOpen;
  LogVariant variant = LogVariant::B; // meaningful with IdentifyResult::Ok
  std::string reason;                 // the system's, with IdentifyResult::CannotOpen
};

// Opens the log exclusively, reads its signature and lets go of it again. NotValid when the first
// four bytes match no signature, CannotOpen when the file cannot be opened exclusively.
Identification IdentifyLog(const std::string& path);

// The generation of a log's first four bytes; nothing when they are no signature.
std::optional<LogVariant> VariantOfSignature(const std::uint8_t* first4);

} // namespace veltrix
