#pragma once
// The delimited text output: the header record and one line per decoded record of a ticked
// group, as the options say.

#include <cstdint>
#include <optional>
#include <string>

#include "convert/conversion_options.h"
#include "convert/conversion_output.h"
#include "convert/output_file.h"
#include "decode/decoders.h"

namespace veltrix {

class DelimitedTextOutput final : public ConversionOutput {
public:
  DelimitedTextOutput(OutputDestination destination, const ConversionOptions& options);

  std::vector<OutputDestination> Destinations() const override { return {destination_}; }
  bool Open(LogVariant variant) override;
  void Take(const Frame& frame) override;
  bool Failed() const override { return out_.Failed(); }
  bool Finish() override { return out_.Close(); }
  void Abandon() override { out_.Abandon(); }
  std::string FailureDetail() const override;

  std::int64_t LinesWritten() const { return lines_written_; } // record lines, header excluded
  std::int64_t OutputLines() const { return lines_written_ + (header_written_ ? 1 : 0); }

private:
  const OutputDestination destination_;
  const ConversionOptions options_;
  OutputFile out_;
  std::optional<RecordDecoder> decoder_;
  std::int64_t lines_written_ = 0;
  bool header_written_ = false;
};

} // namespace veltrix
