// The waterfall picture as a conversion output: sweeps gathered, drawn and written at the end.
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
  draw_failure_.clear();
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
  WaterfallDrawing drawing = WaterfallPicture::Draw(sweeps_, settings_);
  picture_ = std::move(drawing.picture);
  draw_failure_ = std::move(drawing.failure);
  if (!draw_failure_.empty()) {
    target_.Abandon();
    return false;
  }
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
  if (to_file_ && !picture_ && draw_failure_.empty()) return {kMsgNoSweeps};
  return {};
}

std::vector<WrittenFile> WaterfallOutput::Written() const {
  if (to_file_ && picture_) return {{destination_.path, {}}};
  return {};
}

std::string WaterfallOutput::FailureDetail() const {
  if (!draw_failure_.empty())
    return (to_file_ ? destination_.path : std::string("the picture")) + ": " + draw_failure_;
  return target_.FailureDetail();
}

} // namespace veltrix
