#pragma once
// The delimited text family: one text of every ticked record group (the header record, then one
// line per decoded record), or with --split one text per group, each a DelimitedTextOutput of
// that group alone.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "convert/conversion_options.h"
#include "convert/conversion_output.h"
#include "convert/record_lines.h"
#include "decode/decoders.h"
#include "io/output_file.h"

namespace veltrix {

class DelimitedTextOutput final : public ConversionOutput {
public:
  // `spare`: the conversion's spare thread, which writes the file (OutputFile::WriteInBackground).
  DelimitedTextOutput(OutputDestination destination, const ConversionOptions& options,
                      std::shared_ptr<SpareThread> spare = nullptr);

  std::vector<OutputDestination> Destinations() const override { return {destination_}; }
  bool Open(LogVariant variant) override;
  std::optional<RecordGroups> DecodedGroups() const override { return options_.Groups(); }
  void UseDecoder(RecordDecoder& decoder) override {
    decoder_ = &decoder;
    tail_.Reset();
  }
  void Take(const Frame& frame) override;
  bool Failed() const override { return out_.Failed(); }
  bool Finish() override { return out_.Close(); }
  void Abandon() override { out_.Abandon(); }
  std::string FailureDetail() const override;
  // The text with its lines, the header record included.
  std::vector<WrittenFile> Written() const override;

  std::int64_t LinesWritten() const { return lines_written_; } // record lines, header excluded

private:
  const OutputDestination destination_;
  const ConversionOptions options_;
  const std::shared_ptr<SpareThread> spare_; // before the file that hands it work
  OutputFile out_;
  const RecordDecoder* decoder_ = nullptr; // the engine's
  ContextTail tail_;
  std::int64_t lines_written_ = 0;
  bool header_written_ = false;
};

} // namespace veltrix
