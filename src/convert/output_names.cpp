#include "convert/output_names.h"

namespace veltrix {
namespace {

std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

} // namespace

std::string OutputNameLastThreeReplaced(std::string_view input) {
  // Characters, not bytes: the bytes that continue a UTF-8 sequence go with the byte before them.
  const std::size_t start = NameStart(input);
  std::size_t end = input.size();
  for (int cut = 0; cut < 3 && end > start; ++cut) {
    do {
      --end;
    } while (end > start && (static_cast<unsigned char>(input[end]) & 0xC0) == 0x80);
  }
  return std::string(input.substr(0, end)) + ".out";
}

std::string OutputNameQxReplaced(std::string_view input) {
  std::string output(input);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const std::size_t n = output.size();
  if (n - NameStart(input) >= 3 && output[n - 3] == '.' && lower(output[n - 2]) == 'q' &&
      lower(output[n - 1]) == 'x') {
    output.resize(n - 3);
  }
  return output + ".out";
}

std::string_view OutputStemOf(std::string_view output) {
  return output.ends_with(".out") ? output.substr(0, output.size() - 4) : output;
}

} // namespace veltrix
