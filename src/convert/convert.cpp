#include "convert/convert.h"

#include <algorithm>

#include <sys/stat.h>

#include "convert/output_file.h"
#include "convert/record_lines.h"
#include "reader/decoders.h"
#include "reader/identify.h"
#include "reader/log_reader.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix {
namespace {

// True when `outputPath` names the open input: the same path, or the same file under another
// name (a symbolic or hard link).
bool NamesInput(const InputFile& input, const std::string& inputPath,
                const std::string& outputPath) {
  if (outputPath == inputPath) return true;
  std::uint64_t device = 0, inode = 0;
  struct stat st {};
  if (!input.Identity(device, inode) || ::stat(outputPath.c_str(), &st) != 0) return false;
  return static_cast<std::uint64_t>(st.st_dev) == device &&
         static_cast<std::uint64_t>(st.st_ino) == inode;
}

} // namespace

const char* StatusMessage(ConvertStatus status) {
  switch (status) {
  case ConvertStatus::CannotOpen:
    return kMsgCannotOpen;
  case ConvertStatus::NotValid:
    return kMsgNotValid;
  case ConvertStatus::SameFile:
    return kMsgSameFile;
  case ConvertStatus::CannotCreate:
    return kMsgCannotCreate;
  case ConvertStatus::CannotWrite:
    return kMsgCannotWrite;
  default:
    return kMsgCompleted;
  }
}

MessageKind StatusKind(ConvertStatus status) {
  switch (status) {
  case ConvertStatus::SameFile:
  case ConvertStatus::CannotCreate:
  case ConvertStatus::CannotWrite:
    return MessageKind::Error;
  default:
    return MessageKind::Information;
  }
}

int ProgressPercent(std::int64_t bytesRead, std::int64_t totalBytes) {
  if (totalBytes <= 0 || bytesRead <= 0) return 0;
  if (bytesRead >= totalBytes) return 100;
  // Both counts are below 2^63 / 100 for any real file.
  return static_cast<int>(bytesRead * 100 / totalBytes);
}

Convert::Convert(std::string inputPath, std::string outputPath, const ConversionOptions& options,
                 ConversionObserver& observer, const std::atomic<bool>* terminate)
    : input_path_(std::move(inputPath)), output_path_(std::move(outputPath)), options_(options),
      observer_(observer), terminate_(terminate) {}

ConvertStatus Convert::Execute() {
  const auto fail = [&](ConvertStatus status) {
    observer_.NotifyUser(StatusKind(status), StatusMessage(status));
    return status;
  };

  // The log is opened once, exclusively; its signature decides the generation for the whole run.
  LogReader reader;
  reader.SetInputPath(input_path_);
  if (!reader.OpenLog()) return fail(ConvertStatus::CannotOpen);
  variant_ = VariantOfSignature(reader.Signature.data());
  if (variant_ == 0) return fail(ConvertStatus::NotValid);
  reader.State.Variant = variant_;
  if (NamesInput(reader.File(), input_path_, output_path_)) return fail(ConvertStatus::SameFile);

  total_bytes_ = std::max<std::int64_t>(reader.File().Size(), 0);
  bytes_read_ = 0;
  lines_written_ = 0;
  observer_.ShowStart(total_bytes_);
  observer_.ShowProgress(bytes_read_, total_bytes_);

  OutputFile out(options_.DelimiterChar());
  if (!out.Create(output_path_)) return fail(ConvertStatus::CannotCreate);
  if (options_.cbHeader) WriteHeaderRecord(out, options_, variant_);

  StationList stations;
  GpsDecoder gps;
  const LineSources sources{reader, stations, gps, options_, variant_};
  ConvertStatus status = ConvertStatus::Completed;
  for (;;) {
    if (terminate_ != nullptr && terminate_->load(std::memory_order_relaxed)) {
      status = ConvertStatus::Cancelled;
      break;
    }
    if (bytes_read_ > total_bytes_) break; // the log grew while it was read
    const std::int64_t consumed = reader.ReadRecord();
    bytes_read_ += consumed;
    if (consumed == 0) break;
    if (DecodeRecord(variant_, reader, stations, gps, options_) == kRecordReady &&
        WriteRecordLine(out, sources)) {
      ++lines_written_;
    }
    if (out.Failed()) {
      status = ConvertStatus::CannotWrite;
      break;
    }
    observer_.ShowProgress(bytes_read_, total_bytes_);
  }

  reader.CloseLog();
  if (!out.Close()) status = ConvertStatus::CannotWrite;
  observer_.ShowFinish(total_bytes_);
  observer_.NotifyUser(StatusKind(status), StatusMessage(status));
  return status;
}

} // namespace veltrix
