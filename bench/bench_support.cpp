#include "bench_support.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace veltrix::bench {

std::string ScratchFile(const testing::Bytes& bytes) {
  static testing::TempDir dir;
  static int count = 0;
  const std::string path = dir.File("log" + std::to_string(++count) + ".qx");
  testing::WriteFile(path, bytes);
  return path;
}

ConversionOptions WithContext() {
  ConversionOptions o;
  o.TickAllContextFields();
  return o;
}

ConversionOptions Everything() {
  ConversionOptions o = WithContext();
  o.TickAllRecordGroups();
  return o;
}

std::int64_t FileSize(const std::string& path) {
  return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

} // namespace veltrix::bench
