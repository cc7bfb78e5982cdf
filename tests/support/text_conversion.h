#pragma once
// A conversion into one delimited text, built as the front ends build theirs: for the tests and
// the benchmarks.

#include <atomic>
#include <memory>
#include <string>

#include "convert/convert.h"
#include "outputs/text/delimited_text_output.h"

namespace veltrix::testing {

// A conversion of the log at `input` into one delimited text at `output`; `text`, when given, is
// set to that output.
inline Convert TextConversion(const std::string& input, const std::string& output,
                              const ConversionOptions& options, ConversionObserver& observer,
                              const DelimitedTextOutput** text = nullptr,
                              const std::atomic<bool>* terminate = nullptr) {
  Convert::Outputs outputs;
  outputs.push_back(std::make_unique<DelimitedTextOutput>(OutputDestination{output}, options));
  if (text != nullptr) *text = static_cast<const DelimitedTextOutput*>(outputs.back().get());
  return Convert(input, std::move(outputs), observer, terminate);
}

} // namespace veltrix::testing
