#pragma once
// The messages a conversion's result is told with, and their kinds (a message box's title and
// icon).

#include <cstdint>
#include <string_view>

namespace veltrix {

enum class MessageKind : std::int16_t { Information = 0, Warning = 1, Error = 2 };

inline constexpr std::string_view MessageTitle(MessageKind kind) {
  switch (kind) {
  case MessageKind::Warning:
    return "Warning";
  case MessageKind::Error:
    return "Error";
  default:
    return "Information";
  }
}

inline constexpr const char* kMsgCompleted = "Conversion Has Been Completed.";
inline constexpr const char* kMsgCannotCreate = "Cannot Create Output File.";
inline constexpr const char* kMsgCannotWrite = "Cannot Write Output File.";
inline constexpr const char* kMsgSameFile = "Output File Must Differ From Input File.";

} // namespace veltrix
