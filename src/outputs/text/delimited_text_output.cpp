#include "outputs/text/delimited_text_output.h"

#include "convert/record_lines.h"

namespace veltrix {

DelimitedTextOutput::DelimitedTextOutput(OutputDestination destination,
                                         const ConversionOptions& options,
                                         std::shared_ptr<SpareThread> spare)
    : destination_(std::move(destination)), options_(options), spare_(std::move(spare)),
      out_(options.DelimiterChar()) {
  out_.WriteInBackground(spare_.get());
}

bool DelimitedTextOutput::Open(LogVariant variant) {
  lines_written_ = 0;
  header_written_ = false;
  if (!out_.Create(destination_)) return false;
  if (options_.header) {
    WriteHeaderRecord(out_, options_, variant);
    header_written_ = true;
  }
  return true;
}

void DelimitedTextOutput::Take(const Frame& frame) {
  if (decoder_->result == DecodeResult::RecordReady &&
      WriteRecordLine(out_, {frame, *decoder_, options_, &tail_})) {
    ++lines_written_;
  }
}

std::string DelimitedTextOutput::FailureDetail() const {
  return out_.FailureDetail();
}

std::vector<WrittenFile> DelimitedTextOutput::Written() const {
  return {{destination_.path, lines_written_ + (header_written_ ? 1 : 0)}};
}

} // namespace veltrix
