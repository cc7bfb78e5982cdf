#include "cli/info_json.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "cli/exit_codes.h"
#include "convert/convert.h"
#include "convert/record_lines.h"
#include "decode/log_summary.h"
#include "io/output_file.h"
#include "products/jobs.h"
#include "text/clean_text.h"
#include "text/date_text.h"

namespace veltrix::cli {
namespace {

// Ordered, so that the members come out in the order they are set.
using Json = nlohmann::ordered_json;

// The keys of the record groups, in the order of RecordGroup.
constexpr std::array<const char*, kRecordGroups.size()> kGroupKeys = {
    "full_spectrum", "single_spectrum", "survey", "single", "utilization"};

// What --info --json tells of a log, gathered in the conversion's one walk: the summary --info
// prints, the clocks of the first and last records, and per group the records that give a line
// of `--records --context`. Each line is written into memory and dropped, so the count follows
// the text's own rule of which records give none.
class LogDescription final : public ConversionOutput {
public:
  LogDescription() : line_(',') {
    options_.TickAllRecordGroups();
    options_.TickAllContextFields();
  }

  std::vector<OutputDestination> Destinations() const override { return {}; }
  bool Open(LogVariant variant) override {
    builder_.emplace(variant);
    decoder_.emplace(variant, options_.Groups());
    line_.CreateInMemory();
    return true;
  }
  void Take(const Frame& frame) override {
    builder_->Take(frame);
    if (frame.PayloadDelivered && frame.Rtc.InRange()) {
      if (!first_) first_ = frame.Rtc;
      last_ = frame.Rtc;
    }
    if (decoder_->Decode(frame) != DecodeResult::RecordReady) return;
    const std::optional<RecordGroup> group = GroupOf(decoder_->state.Kind);
    if (group && WriteRecordLine(line_, {frame, *decoder_, options_}))
      ++lines_[static_cast<std::size_t>(*group)];
    line_.Clear();
  }
  bool Failed() const override { return line_.Failed(); }
  void LogEnded(const LogEnd& end) override {
    summary_ = builder_->Finish(end.bytesInFile, end.oversizedFrames, end.skippedBytes, end.damage);
  }
  bool Finish() override { return true; }
  void Abandon() override {}
  std::string FailureDetail() const override { return {}; }
  std::vector<WrittenFile> Written() const override { return {}; }

  // The members after "path".
  void AddTo(Json& object) const {
    const auto clock = [](const std::optional<DateTime>& time) {
      return time ? Json(time->Iso()) : Json(nullptr);
    };
    object["generation"] = summary_.Variant == LogVariant::B ? "802.11b" : "802.11g";
    object["bytes"] = summary_.SizeBytes;
    object["frames"] = summary_.Frames;
    object["damaged_bytes"] = summary_.Damage.skippedBytes;
    object["tail_bytes"] = summary_.Damage.tailBytes;
    object["first_rtc"] = clock(first_);
    object["last_rtc"] = clock(last_);
    Json records = Json::object();
    for (std::size_t i = 0; i < kGroupKeys.size(); ++i) records[kGroupKeys[i]] = lines_[i];
    object["records"] = std::move(records);
  }

private:
  ConversionOptions options_;
  OutputFile line_;
  std::optional<LogSummaryBuilder> builder_;
  std::optional<RecordDecoder> decoder_;
  LogSummary summary_;
  std::optional<DateTime> first_, last_; // of records whose clock is in range
  std::array<std::int64_t, kGroupKeys.size()> lines_{};
};

// The object of one input; `failed` is set when it cannot be read.
Json DescribeLog(const std::string& input, std::ostream& err, bool& failed) {
  Json object = Json::object();
  object["path"] = CleanText(input);
  auto output = std::make_unique<LogDescription>();
  const LogDescription& description = *output;
  Convert::Outputs outputs;
  outputs.push_back(std::move(output));
  ConversionObserver unseen;
  Convert convert(input, std::move(outputs), unseen);
  if (IsStandardStream(input)) convert.UseInputDescriptor(STDIN_FILENO);
  const ConversionResult result = convert.Execute();
  if (result.status != ConvertStatus::Completed) {
    std::string message = StatusMessage(result.status);
    if (!result.failureDetail.empty()) message += " (" + result.failureDetail + ')';
    err << InputName(input) << ": " << message << '\n';
    object["error"] = CleanText(message);
    failed = true;
    return object;
  }
  description.AddTo(object);
  return object;
}

} // namespace

int DescribeLogsAsJson(const std::vector<std::string>& inputs, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>& stop) {
  Json logs = Json::array();
  bool failed = false, interrupted = false;
  for (const std::string& input : inputs) {
    if (stop.load()) {
      interrupted = true;
      break;
    }
    logs.push_back(DescribeLog(input, err, failed));
  }
  out << logs.dump(2) << '\n';
  out.flush();
  return interrupted ? kExitInterrupted : failed ? kExitFailed : kExitOk;
}

} // namespace veltrix::cli
