#pragma once
// Runs whole conversions into one delimited text, as the front ends make them, on built logs and
// records what the observer saw, for the line and engine tests.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"
#include "support/text_conversion.h"

namespace veltrix::testing {

// Every observer call as one text, in order: "start T", "progress R T", "finish T", and the
// result as the message the front ends show for it: "notify K text".
class RecordingObserver : public ConversionObserver {
public:
  void ShowStart(std::int64_t total) override {
    events.push_back("start " + std::to_string(total));
  }
  void ShowProgress(std::int64_t read, std::int64_t total) override {
    events.push_back("progress " + std::to_string(read) + " " + std::to_string(total));
    if (onProgress) onProgress();
  }
  void ShowFinish(std::int64_t total) override {
    events.push_back("finish " + std::to_string(total));
  }
  void ShowResult(const ConversionResult& result) override {
    events.push_back("notify " + std::to_string(static_cast<int>(StatusKind(result.status))) + " " +
                     ResultMessage(result));
  }

  std::vector<std::string> events;
  std::function<void()> onProgress;
};

inline std::string Notify(MessageKind kind, const std::string& text) {
  return "notify " + std::to_string(static_cast<int>(kind)) + " " + text;
}

inline std::string AsText(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

struct RunResult {
  ConvertStatus status{};
  bool outputExists = false;
  std::string output; // the output file's bytes
  std::vector<std::string> events;
  std::int64_t totalBytes = 0;
  std::int64_t bytesRead = 0;
  std::optional<LogVariant> variant; // when the conversion identified the log
  std::string failureDetail;
};

// Converts the file at `input` into `output`.
inline RunResult RunFiles(const std::string& input, const std::string& output,
                          const ConversionOptions& options) {
  RecordingObserver observer;
  Convert convert = TextConversion(input, output, options, observer);
  RunResult r;
  const ConversionResult result = convert.Execute();
  r.status = result.status;
  r.events = observer.events;
  r.totalBytes = convert.TotalBytes();
  r.bytesRead = convert.BytesRead();
  if (r.status != ConvertStatus::CannotOpen && r.status != ConvertStatus::NotValid)
    r.variant = convert.Variant();
  r.failureDetail = result.failureDetail;
  r.outputExists = std::filesystem::exists(output);
  if (std::filesystem::is_regular_file(output)) r.output = AsText(ReadFile(output));
  return r;
}

// Converts `log` with `options` in a fresh folder.
inline RunResult RunConversion(const LogBuilder& log, const ConversionOptions& options) {
  TempDir dir;
  return RunFiles(log.Write(dir.File("in.qx")), dir.File("out.out"), options);
}

// The output split into lines; fails the test when it does not end with CR LF.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "output does not end with CR LF: " << text.substr(start);
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The record lines of a conversion without a header record.
inline std::vector<std::string> RecordLines(const LogBuilder& log, ConversionOptions options) {
  options.header = false;
  const RunResult r = RunConversion(log, options);
  EXPECT_EQ(r.status, ConvertStatus::Completed);
  return SplitLines(r.output);
}

inline std::string Join(const std::vector<std::string>& fields, char delimiter = ',') {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) out += delimiter;
    out += fields[i];
  }
  return out;
}

inline std::vector<std::string> Repeat(const std::string& field, int count) {
  return std::vector<std::string>(static_cast<std::size_t>(count), field);
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

} // namespace veltrix::testing
