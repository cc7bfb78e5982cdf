#include "products/output_names.h"

#include "products/catalogue.h"

namespace veltrix {
namespace {

// ".out"
std::string_view TextSuffix() {
  return ProductOf(ProductId::Text).suffix;
}

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
  return std::string(input.substr(0, end)).append(TextSuffix());
}

std::string OutputNameQxReplaced(std::string_view input) {
  std::string output(input);
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  const std::size_t n = output.size();
  if (n - NameStart(input) >= 3 && output[n - 3] == '.' && lower(output[n - 2]) == 'q' &&
      lower(output[n - 1]) == 'x') {
    output.resize(n - 3);
  }
  return output.append(TextSuffix());
}

std::string_view OutputStemOf(std::string_view output) {
  const std::string_view suffix = TextSuffix();
  return output.ends_with(suffix) ? output.substr(0, output.size() - suffix.size()) : output;
}

} // namespace veltrix
