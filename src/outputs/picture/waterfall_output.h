#pragma once
// The picture family. The waterfall picture as an output of a conversion: it decodes the
// full-spectrum records with its own decoder, gathers the sweeps as they come, and draws the
// picture when the log has been read, into a PNG file (replaced like every output) or, with no
// destination, for the window.

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/sweep_accumulator.h"
#include "convert/conversion_output.h"
#include "decode/decoders.h"
#include "io/output_target.h"
#include "plot/waterfall.h"

namespace veltrix {

inline constexpr const char* kMsgNoSweeps = "No Full Spectrum Records in the Log.";

class WaterfallOutput final : public ConversionOutput {
public:
  // Writes a PNG to `destination`; with nothing, keeps the picture for Picture().
  WaterfallOutput(std::optional<OutputDestination> destination, WaterfallSettings settings);

  std::vector<OutputDestination> Destinations() const override {
    return to_file_ ? std::vector{destination_} : std::vector<OutputDestination>{};
  }
  bool Open(LogVariant variant) override;
  void Take(const Frame& frame) override;
  bool Failed() const override { return false; } // everything is written at the end
  // Draws the picture; with no sweeps there is none, and no file (the earlier one stays). False
  // when cairo fails to draw it (nothing is put in place) or the PNG cannot be written.
  bool Finish() override;
  void Abandon() override { target_.Abandon(); }
  // "PATH: reason", the reason cairo's for a failed draw; "the picture: reason" with no file.
  std::string FailureDetail() const override;
  // The PNG, when there was a picture to write.
  std::vector<WrittenFile> Written() const override;
  // A picture asked for but not drawn: the log has no full spectra.
  std::vector<std::string> Warnings() const override;

  // The picture drawn by Finish, if any.
  const std::optional<WaterfallPicture>& Picture() const { return picture_; }

private:
  const bool to_file_;
  const OutputDestination destination_;
  WaterfallSettings settings_;
  OutputTarget target_;
  std::optional<RecordDecoder> decoder_;
  std::uint8_t full_spectrum_type_ = 0; // the payload type of a full spectrum in this log
  SweepAccumulator sweeps_;
  std::optional<WaterfallPicture> picture_;
  std::string draw_failure_; // cairo's reason when it failed to draw the picture
};

} // namespace veltrix
