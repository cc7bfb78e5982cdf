#include "convert/convert.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

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
                const OutputDestination& output) {
  struct stat st {};
  if (output.descriptor >= 0) return ::fstat(output.descriptor, &st) == 0 && SameFile(input, st);
  if (inputByPath && output.path == inputPath) return true;
  return ::stat(output.path.c_str(), &st) == 0 && SameFile(input, st);
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

std::string ResultMessage(const ConversionResult& result) {
  std::string message = StatusMessage(result.status);
  if (Succeeded(result.status) && result.damage.Any()) {
    message += '\n';
    message += ShortDamageNote(result.damage);
  }
  return message;
}

int ProgressPercent(std::int64_t bytesRead, std::int64_t totalBytes) {
  if (totalBytes <= 0 || bytesRead <= 0) return 0;
  if (bytesRead >= totalBytes) return 100;
  // Both counts are below 2^63 / 100 for any real file.
  return static_cast<int>(bytesRead * 100 / totalBytes);
}

Convert::Convert(std::string inputPath, Outputs outputs, ConversionObserver& observer,
                 const std::atomic<bool>* terminate)
    : input_path_(std::move(inputPath)), outputs_(std::move(outputs)), observer_(observer),
      terminate_(terminate) {}

ConversionResult Convert::Execute() {
  ConversionResult result = Run();
  observer_.ShowResult(result);
  return result;
}

ConversionResult Convert::Run() {
  ConversionResult result;
  const auto fail = [&](ConvertStatus status) {
    result.status = status;
    return result;
  };

  // The log is opened once, exclusively; its signature decides the generation for the whole run.
  LogReader reader;
  reader.SetInputPath(input_path_);
  reader.SetInputDescriptor(input_descriptor_);
  if (!reader.OpenLog()) {
    result.failureDetail = OpenErrorText(reader.File().Error());
    return fail(ConvertStatus::CannotOpen);
  }
  const std::optional<LogVariant> variant = VariantOfSignature(reader.Signature.data());
  if (!variant) return fail(ConvertStatus::NotValid);
  variant_ = *variant;
  for (const auto& output : outputs_) {
    for (const OutputDestination& destination : output->Destinations()) {
      if (NamesInput(reader.File(), input_path_, input_descriptor_ < 0, destination))
        return fail(ConvertStatus::SameFile);
    }
  }

  // A pipe or a device has no size beforehand: it is read to its end.
  const bool sized = reader.File().IsRegular();
  total_bytes_ = sized ? std::max<std::int64_t>(reader.File().Size(), 0) : -1;
  bytes_read_ = 0;
  observer_.ShowStart(total_bytes_);
  observer_.ShowProgress(bytes_read_, total_bytes_);

  // Every output is created before the first record, or none is kept.
  const auto abandonAll = [&] {
    for (const auto& output : outputs_) output->Abandon();
  };
  for (const auto& output : outputs_) {
    if (!output->Open(variant_)) {
      result.failureDetail = output->FailureDetail();
      abandonAll();
      return fail(ConvertStatus::CannotCreate);
    }
  }

  // One decoder for each set of record groups the outputs ask the engine to decode.
  std::vector<std::unique_ptr<RecordDecoder>> decoders;
  for (const auto& output : outputs_) {
    const std::optional<RecordGroups> groups = output->DecodedGroups();
    if (!groups) continue;
    auto same = std::find_if(decoders.begin(), decoders.end(),
                             [&](const auto& decoder) { return decoder->groups == *groups; });
    if (same == decoders.end())
      same = decoders.insert(same, std::make_unique<RecordDecoder>(variant_, *groups));
    output->UseDecoder(**same);
  }

  ConversionOutput* failed = nullptr;
  for (;;) {
    if (terminate_ != nullptr && terminate_->load(std::memory_order_relaxed)) {
      result.status = ConvertStatus::Cancelled;
      break;
    }
    if (sized && bytes_read_ > total_bytes_) break; // the log grew while it was read
    const std::int64_t consumed = reader.ReadRecord();
    bytes_read_ += consumed;
    if (consumed == 0) break;
    for (const auto& decoder : decoders) decoder->Decode(reader.Current());
    for (const auto& output : outputs_) {
      output->Take(reader.Current());
      if (output->Failed()) failed = output.get();
    }
    if (failed != nullptr) break;
    observer_.ShowProgress(bytes_read_, total_bytes_);
  }

  result.damage = reader.Damage();
  if (!sized) total_bytes_ = reader.BytesInFile();
  if (failed == nullptr) {
    const LogEnd end{reader.BytesInFile(), reader.OversizedFrames, reader.SkippedBytes,
                     reader.Damage(), result.status == ConvertStatus::Cancelled};
    for (const auto& output : outputs_) output->LogEnded(end);
  }
  decoders.clear();
  reader.CloseLog();
  // Each output is put in place unless one has failed; from a failure on, the rest are abandoned.
  for (const auto& output : outputs_) {
    if (failed == nullptr && !output->Finish()) failed = output.get();
  }
  if (failed != nullptr) {
    result.status = ConvertStatus::CannotWrite;
    result.failureDetail = failed->FailureDetail();
    abandonAll();
  }
  observer_.ShowFinish(total_bytes_);
  return result;
}

} // namespace veltrix
