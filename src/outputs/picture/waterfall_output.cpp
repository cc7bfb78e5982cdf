#include "outputs/picture/waterfall_output.h"

#include "decode/payload_types.h"

namespace veltrix {

WaterfallOutput::WaterfallOutput(std::optional<OutputDestination> destination,
                                 WaterfallSettings settings)
    : to_file_(destination.has_value()), destination_(destination.value_or(OutputDestination{})),
      settings_(std::move(settings)) {}

bool WaterfallOutput::Open(LogVariant variant) {
  settings_.variant = variant;
  RecordGroups groups;
  groups.fullSpectrum = true;
  decoder_.emplace(variant, groups);
  full_spectrum_type_ =
      variant == LogVariant::B ? b_payload::kFullSpectrum : g_payload::kFullSpectrum;
  sweeps_ = SweepAccumulator();
  picture_.reset();
  // Created now, so that a picture that cannot be written stops the conversion before it starts.
  return !to_file_ || target_.Open(destination_);
}

void WaterfallOutput::Take(const Frame& frame) {
  // Only full spectra make the picture, and their decoding needs no earlier record.
  if (frame.PayloadType != full_spectrum_type_) return;
  if (decoder_->Decode(frame) != DecodeResult::RecordReady ||
      decoder_->state.Kind != RecordKind::FullSpectrum) {
    return;
  }
  const RecordState& s = decoder_->state;
  const bool b = decoder_->variant == LogVariant::B;
  const std::span<const std::int16_t> samples = b ? std::span<const std::int16_t>(s.BFullSpectrum)
                                                  : std::span<const std::int16_t>(s.GFullSpectrum);
  sweeps_.Add(samples, b ? kBSampleCount : kGSampleCount, frame.Rtc, frame.MarkerText);
}

bool WaterfallOutput::Finish() {
  picture_ = WaterfallPicture::Draw(sweeps_, settings_);
  if (!to_file_) return true;
  if (!picture_) {
    target_.Abandon();
    return true;
  }
  if (!picture_->WritePng(target_)) {
    target_.Abandon();
    return false;
  }
  return target_.Finish();
}

std::vector<std::string> WaterfallOutput::Warnings() const {
  if (to_file_ && !picture_) return {kMsgNoSweeps};
  return {};
}

std::vector<WrittenFile> WaterfallOutput::Written() const {
  if (to_file_ && picture_) return {{destination_.path, {}}};
  return {};
}

std::string WaterfallOutput::FailureDetail() const {
  return target_.FailureDetail();
}

} // namespace veltrix
