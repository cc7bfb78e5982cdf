#include "convert/convert.h"

#include <algorithm>
#include <cstring>

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

bool SameFile(const InputFile& input, const struct stat& st) {
  std::uint64_t device = 0, inode = 0;
  return input.Identity(device, inode) && static_cast<std::uint64_t>(st.st_dev) == device &&
         static_cast<std::uint64_t>(st.st_ino) == inode;
}

// True when the output names the open input: the same path, or the same file under another
// name (a symbolic or hard link), or a descriptor open on it.
bool NamesInput(const InputFile& input, const std::string& inputPath, bool inputByPath,
                const std::string& outputPath, int outputDescriptor) {
  struct stat st {};
  if (outputDescriptor >= 0) return ::fstat(outputDescriptor, &st) == 0 && SameFile(input, st);
  if (inputByPath && outputPath == inputPath) return true;
  return ::stat(outputPath.c_str(), &st) == 0 && SameFile(input, st);
}

std::string SystemReason(const std::string& file, int error) {
  if (error == 0) return {};
  return file + ": " + std::strerror(error);
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
  failure_detail_.clear();
  damage_ = {};

  // The log is opened once, exclusively; its signature decides the generation for the whole run.
  LogReader reader;
  reader.SetInputPath(input_path_);
  reader.SetInputDescriptor(input_descriptor_);
  if (!reader.OpenLog()) {
    failure_detail_ = OpenErrorText(reader.File().Error());
    return fail(ConvertStatus::CannotOpen);
  }
  variant_ = VariantOfSignature(reader.Signature.data());
  if (variant_ == 0) return fail(ConvertStatus::NotValid);
  reader.State.Variant = variant_;
  if (NamesInput(reader.File(), input_path_, input_descriptor_ < 0, output_path_,
                 output_descriptor_)) {
    return fail(ConvertStatus::SameFile);
  }

  // A pipe or a device has no size beforehand: it is read to its end.
  const bool sized = reader.File().IsRegular();
  total_bytes_ = sized ? std::max<std::int64_t>(reader.File().Size(), 0) : -1;
  bytes_read_ = 0;
  lines_written_ = 0;
  header_written_ = false;
  observer_.ShowStart(total_bytes_);
  observer_.ShowProgress(bytes_read_, total_bytes_);

  OutputFile out(options_.DelimiterChar());
  const bool created = output_descriptor_ >= 0
                           ? out.CreateOnDescriptor(output_descriptor_, output_path_)
                           : out.Create(output_path_);
  if (!created) {
    failure_detail_ = SystemReason(out.Path(), out.Error());
    return fail(ConvertStatus::CannotCreate);
  }
  if (options_.cbHeader) {
    WriteHeaderRecord(out, options_, variant_);
    header_written_ = true;
  }

  StationList stations;
  GpsDecoder gps;
  const LineSources sources{reader, stations, gps, options_, variant_};
  ConvertStatus status = ConvertStatus::Completed;
  for (;;) {
    if (terminate_ != nullptr && terminate_->load(std::memory_order_relaxed)) {
      status = ConvertStatus::Cancelled;
      break;
    }
    if (sized && bytes_read_ > total_bytes_) break; // the log grew while it was read
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

  damage_ = reader.Damage();
  if (!sized) total_bytes_ = reader.BytesInFile();
  reader.CloseLog();
  if (!out.Close()) status = ConvertStatus::CannotWrite;
  if (status == ConvertStatus::CannotWrite) failure_detail_ = SystemReason(out.Path(), out.Error());
  observer_.ShowFinish(total_bytes_);
  std::string message = StatusMessage(status);
  if (Succeeded(status) && damage_.Any()) {
    message += '\n';
    message += ShortDamageNote(damage_);
  }
  observer_.NotifyUser(StatusKind(status), message);
  return status;
}

} // namespace veltrix
