// One log's pass for the report.
#include "outputs/report/report_part.h"

#include <array>
#include <future>
#include <utility>

#include "decode/rates.h"

namespace veltrix::report {

ReportPart::ReportPart(PartSettings settings, std::string scratchBeside)
    : settings_(std::move(settings)), scratch_beside_(std::move(scratchBeside)),
      spectrum_(settings_.busyDb, settings_.picture.dbMin, settings_.picture.dbMax),
      table_(settings_.capacity) {}

bool ReportPart::Open(LogVariant variant) {
  variant_ = variant;
  builder_.emplace(variant);
  if (!settings_.keepSightings) return true;
  return sightings_.Create(scratch_beside_) &&
         sightings_out_.Create(OutputDestination{sightings_.Name(), sightings_.Descriptor()});
}

RecordGroups ReportPart::DecodedGroups() {
  RecordGroups groups;
  groups.fullSpectrum = groups.survey = groups.single = groups.utilization = true;
  return groups;
}

void ReportPart::UseDecoder(RecordDecoder& decoder) {
  decoder_ = &decoder;
  decoder.AddSightingSink(*this);
}

void ReportPart::Take(const Frame& frame) {
  builder_->Take(frame);
  clock_.Take(frame);
  if (decoder_->result == DecodeResult::RecordReady) RecordDecoded(frame);
  if (!decoder_->newFix || !settings_.filter.InWindow(frame.Rtc)) return;
  if (const std::optional<GpsPosition> at = PositionOf(decoder_->gps))
    trail_.Add({at->latitude, at->longitude});
}

void ReportPart::RecordDecoded(const Frame& frame) {
  const RecordState& s = decoder_->state;
  const bool b = variant_ == LogVariant::B;
  if (s.Kind == RecordKind::FullSpectrum) {
    const std::span<const std::int16_t> samples =
        b ? std::span<const std::int16_t>(s.BFullSpectrum)
          : std::span<const std::int16_t>(s.GFullSpectrum);
    const int divisor = b ? kBSampleCount : kGSampleCount;
    sweeps_.Add(samples, divisor, frame.Rtc, frame.MarkerText);
    spectrum_worker_.Add(samples, divisor);
  } else if (s.Kind == RecordKind::Utilization) {
    if (b) {
      // The channel's share of each rate's capacity, added up over the four rates.
      double percent = 0.0;
      for (int row = 0; row < 4; ++row) {
        percent += s.BUtilization[static_cast<std::size_t>(row)][s.CurrentChannel] * 8.0 * 100.0 /
                   (kBRates[static_cast<std::size_t>(row)]->bytesPerSecond * 8.0);
      }
      const std::pair<int, double> value{s.CurrentChannel, percent};
      utilization_.Add(frame.Rtc, {&value, 1});
    } else {
      std::array<std::pair<int, double>, 14> values;
      for (std::size_t c = 0; c < values.size(); ++c)
        values[c] = {static_cast<int>(c) + 1, s.GUtilization[c]};
      utilization_.Add(frame.Rtc, values);
    }
  }
}

void ReportPart::AccessPointSighted(const StationNode& node) {
  const Sighting s = SightingOf(node, decoder_->decoding->Rtc, decoder_->gps);
  const bool kept = settings_.filter.Keeps(s);
  ++sighted_;
  if (settings_.keepSightings) {
    record_.clear();
    AppendSightingRecord(record_, s, kept);
    sightings_out_.Text(record_);
  } else if (kept) {
    table_.Add(s);
  }
}

void ReportPart::LogEnded(const LogEnd& end) {
  summary_ = builder_->Finish(end.bytesInFile, end.oversizedFrames, end.skippedBytes, end.damage);
}

bool ReportPart::Finish(const std::function<void()>& beside) {
  decoder_ = nullptr; // what only reading the log needed
  spectrum_worker_.Finish();
  // `beside` runs on a thread of its own while the waterfall is drawn (here, when the system
  // gives no thread).
  std::future<void> other;
  if (beside) other = std::async(std::launch::async | std::launch::deferred, beside);
  WaterfallSettings picture = settings_.picture;
  picture.variant = variant_;
  const WaterfallDrawing drawing = WaterfallPicture::Draw(sweeps_, picture);
  sweeps_ = SweepAccumulator();
  if (drawing.picture && !drawing.picture->PngBytes(waterfall_png_))
    draw_failure_ = "cannot encode the waterfall picture";
  if (drawing.Failed()) draw_failure_ = "the waterfall picture: " + drawing.failure;
  if (other.valid()) other.get();
  return sightings_out_.Close() && draw_failure_.empty();
}

void ReportPart::Abandon() {
  sightings_out_.Abandon();
  sightings_.Close();
}

std::string ReportPart::FailureDetail() const {
  if (!draw_failure_.empty()) return draw_failure_;
  if (std::string detail = sightings_out_.FailureDetail(); !detail.empty()) return detail;
  return sightings_.FailureDetail();
}

} // namespace veltrix::report
