#pragma once
// One output of a conversion. The engine frames each record once and hands the frame to every
// output. An output decodes what it needs with a decoder of its own, or with one the engine runs
// (DecodedGroups), which outputs that decode the same record groups share: the decoder's state
// depends on nothing else, so one output's options never change what another holds. Each output
// writes its own files.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decode/decoders.h"
#include "io/output_target.h"
#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

// A file an output has put in place, as reports name it.
struct WrittenFile {
  WrittenFile(std::string path, std::optional<std::int64_t> lines = std::nullopt,
              std::optional<bool> replaced = std::nullopt)
      : path(std::move(path)), lines(lines), replaced(replaced) {}
  bool operator==(const WrittenFile&) const = default;

  std::string path;                  // its destination's path (the name of a descriptor)
  std::optional<std::int64_t> lines; // the lines it holds, for outputs that count them
  // A database's import: whether it replaced an earlier import of the same log (then `lines`
  // counts the records imported).
  std::optional<bool> replaced;
};

// What the walk of a log found besides its frames, once it has ended.
struct LogEnd {
  std::int64_t bytesInFile = 0;     // every byte read, the file header included
  std::int64_t oversizedFrames = 0; // stepped over whole
  std::int64_t skippedBytes = 0;    // before sync marks
  LogDamage damage;
  bool cancelled = false; // the conversion was cancelled before the log's end
};

class ConversionOutput {
public:
  virtual ~ConversionOutput() = default;

  // Where it writes (one file or several); checked against the input before anything is created.
  virtual std::vector<OutputDestination> Destinations() const = 0;
  // Creates the files for a log of `variant`. False when one cannot be created.
  virtual bool Open(LogVariant variant) = 0;
  // For an output that reads decoded records through the engine: the record groups to decode.
  // The engine then decodes each frame once for all the outputs asking for the same groups, before
  // any of them takes it.
  virtual std::optional<RecordGroups> DecodedGroups() const { return std::nullopt; }
  // After Open, before the first frame: the decoder the engine runs for those groups, which lives
  // until the log's end (LogEnded).
  virtual void UseDecoder(RecordDecoder& /*decoder*/) {}
  // Takes the frame just read (framed or not: a stretch of garbage comes without one).
  virtual void Take(const Frame& frame) = 0;
  // True once a write has failed; the conversion then stops.
  virtual bool Failed() const = 0;
  // The walk has ended (the log read, or the conversion cancelled); Finish comes next.
  virtual void LogEnded(const LogEnd& /*end*/) {}
  // Completes the files and puts them in place. False when that fails.
  virtual bool Finish() = 0;
  // Closes the files without putting them in place (another output failed).
  virtual void Abandon() = 0;
  // The system's reason for a failure, with the file concerned: "out/x.out: No space left on
  // device"; empty when there is none.
  virtual std::string FailureDetail() const = 0;
  // The files a finished output put in place, in the order it reports them.
  virtual std::vector<WrittenFile> Written() const = 0;
  // What a completed output left out or could not show, one line each: "12 access points have no
  // position: not on the map".
  virtual std::vector<std::string> Warnings() const { return {}; }
};

} // namespace veltrix
