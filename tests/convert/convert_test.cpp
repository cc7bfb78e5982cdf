#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reader/input_file.h"
#include "support/conversion_run.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::LogBuilder;
using testing::Notify;
using testing::RecordingObserver;
using testing::RunConversion;
using testing::RunFiles;
using testing::RunResult;
using testing::SplitLines;
using testing::TempDir;
using Flag = bool ConversionOptions::*;
using O = ConversionOptions;
using Events = std::vector<std::string>;

const testing::Mac kMac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
const std::string kCompleted = Notify(MessageKind::Information, kMsgCompleted);

ConversionOptions Ticked(std::initializer_list<Flag> flags, bool header = false) {
  ConversionOptions o;
  for (const Flag f : flags) o.*f = true;
  o.header = header;
  return o;
}

ConversionOptions Everything(bool header) {
  return Ticked({&O::rtcDate, &O::rtcTime, &O::marker, &O::gpsDate, &O::gpsTime, &O::gpsLatitude,
                 &O::gpsLongitude, &O::fullSpectrum, &O::singleSpectrum, &O::survey, &O::single,
                 &O::utilization},
                header);
}

Bytes GSingle() {
  return testing::GSingleBody(kMac, -55, 108, 1500, 0);
}
Bytes GSpectrum(std::size_t n) {
  return testing::SpectrumBody(std::vector<std::int16_t>(n, -800));
}

std::string Progress(std::int64_t read, std::int64_t total) {
  return "progress " + std::to_string(read) + " " + std::to_string(total);
}

TEST(Convert, ObserverCallsAndProgressCounts) {
  // Every framed record is counted, written or not; skipped bytes count with the frame after
  // them; the file header counts in the total only.
  const auto frame = [](std::string_view marker, std::uint8_t type, Bytes body) {
    body.insert(body.begin(), type);
    return testing::EncodeFrame({}, marker, body);
  };
  Bytes skipped = {1, 2, 3};
  testing::Append(skipped, frame("", 25, testing::GpsBody({})));
  LogBuilder log("QXBG");
  std::vector<std::int64_t> read; // the count after each frame
  for (const Bytes& piece :
       {frame("1", 17, {6}), frame("", 8, GSpectrum(147)), testing::EncodeFrame({}, "2", {}),
        skipped, frame("", 99, {1, 2}), frame("", 8, GSpectrum(147))}) {
    log.Raw(piece);
    read.push_back(static_cast<std::int64_t>(log.bytes().size()) - 14);
  }
  const std::int64_t total = static_cast<std::int64_t>(log.bytes().size());

  const RunResult r = RunConversion(log, Ticked({&O::fullSpectrum}, true));
  Events expected = {"start " + std::to_string(total), Progress(0, total)};
  for (const std::int64_t n : read) expected.push_back(Progress(n, total));
  expected.push_back("finish " + std::to_string(total));
  expected.push_back(kCompleted + "\nDamaged log: 3 bytes skipped."); // the garbage before a frame

  EXPECT_EQ(r.status, ConvertStatus::Completed);
  EXPECT_EQ(r.events, expected);
  EXPECT_EQ(r.totalBytes, total);
  EXPECT_EQ(r.bytesRead, total - 14);
  EXPECT_EQ(SplitLines(r.output).size(), 3u);
}

TEST(Convert, RecordsThatWriteNoLine) {
  testing::CaptureHeader capture;
  const Bytes beacon = testing::CaptureBody(
      capture, testing::BeaconFrame(10, kMac, false, {{0, testing::SsidElementContent("x")}}));
  struct Case {
    const char* name;
    LogBuilder log;
    ConversionOptions options;
  };
  const std::vector<Case> cases = {
      {"g kinds not ticked",
       LogBuilder("QXBG")
           .Frame(7, GSpectrum(128))
           .Frame(8, GSpectrum(147))
           .Frame(16, testing::GSurveyBody({{kMac, -40}}, {}))
           .Frame(19, GSingle())
           .Frame(21, testing::GUtilBody({125000})),
       Ticked({&O::rtcDate, &O::gpsLatitude, &O::accessPointsOnly})},
      {"b kinds not ticked",
       LogBuilder("QXB ").Frame(14, Bytes(546, 0)).Frame(10, beacon).Frame(19, Bytes(16, 0)),
       Ticked({&O::marker})},
      {"channel, GPS, empty payloads and unknown types, g",
       LogBuilder("QXBG")
           .Frame(17, {3})
           .Frame(25, testing::GpsBody({}))
           .EmptyFrame("4")
           .Frame(9, GSpectrum(147))
           .Frame(26, {1}),
       Everything(false)},
      {"channel, GPS, management captures, empty payloads and unknown types, b",
       LogBuilder("QXB ")
           .Frame(4, {3})
           .Frame(11, {5})
           .Frame(7, testing::GpsBody({}))
           .Frame(9, beacon)
           .EmptyFrame()
           .Frame(8, GSpectrum(147))
           .Frame(20, {1}),
       Everything(false)},
      {"payloads shorter than their layout, g",
       LogBuilder("QXBG")
           .Frame(7, GSpectrum(127))
           .Frame(8, GSpectrum(146))
           .Frame(19, Bytes(11, 1))
           .Frame(21, Bytes(55, 1)),
       Everything(false)},
      {"payloads shorter than their layout, b",
       LogBuilder("QXB ").Frame(5, Bytes(129, 1)).Frame(14, Bytes(545, 1)).Frame(19, Bytes(15, 1)),
       Everything(false)},
      {"g utilization outside channels 1..14",
       LogBuilder("QXBG")
           .Frame(17, {0})
           .Frame(21, testing::GUtilBody({125000}))
           .Frame(17, {15})
           .Frame(21, testing::GUtilBody({125000})),
       Everything(false)},
      {"captures cut short of their frame length, b",
       LogBuilder("QXB ")
           .Frame(6, testing::CaptureBody(capture, testing::DataFrame(110, kMac), 100))
           .Frame(18, testing::CaptureBody(capture, testing::BeaconFrame(10, kMac, false, {}), 90))
           .Frame(10, testing::CaptureBody(capture, testing::BeaconFrame(10, kMac, false, {}), 90)),
       Everything(false)},
      {"b utilization above channel 14",
       LogBuilder("QXB ").Frame(4, {15}).Frame(19, testing::BUtilBody({125000, 0, 0, 0})),
       Everything(false)},
      {"g survey with no station, and one whose weakest station is a client",
       LogBuilder("QXBG")
           .Frame(16, testing::GSurveyBody({}, {}))
           .Frame(16, testing::GSurveyBody({{kMac, -90}, {{1, 2, 3, 4, 5, 6}, -40}},
                                           {{1, "AP", 1, false}})),
       Ticked({&O::survey, &O::accessPointsOnly})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = RunConversion(c.log, c.options);
    EXPECT_EQ(r.status, ConvertStatus::Completed);
    EXPECT_TRUE(r.outputExists);
    EXPECT_EQ(r.output, "");
  }

  // With only the header ticked the output is one empty line.
  EXPECT_EQ(RunConversion(LogBuilder("QXBG").Frame(19, GSingle()), Ticked({}, true)).output,
            "\r\n");
}

TEST(Convert, EveryLineEndsWithCrLf) {
  testing::CaptureHeader capture;
  const Bytes data = testing::CaptureBody(capture, testing::DataFrame(110, kMac));
  const LogBuilder g = LogBuilder("QXBG")
                           .Frame(25, testing::GpsBody({}), "3")
                           .Frame(7, GSpectrum(128))
                           .Frame(8, GSpectrum(147))
                           .Frame(16, testing::GSurveyBody({{kMac, -40}}, {{0, "Lab", 1, true}}))
                           .Frame(19, GSingle())
                           .Frame(21, testing::GUtilBody({125000}));
  const LogBuilder b =
      LogBuilder("QXB ")
          .Frame(7, testing::GpsBody({}), "3")
          .Frame(5, testing::BChannelSpectrumBody(3, std::vector<std::int16_t>(64, -256)))
          .Frame(14, testing::SpectrumBody(std::vector<std::int16_t>(273, -256)))
          .Frame(18, data)
          .Frame(19, testing::BUtilBody({1, 2, 3, 4}));
  for (const auto& [log, lines] : {std::pair{g, 6u}, std::pair{b, 5u}}) {
    for (int delimiter = 0; delimiter < 4; ++delimiter) {
      ConversionOptions o = Everything(true);
      o.delimiter = static_cast<Delimiter>(delimiter);
      const std::string out = RunConversion(log, o).output;
      EXPECT_EQ(SplitLines(out).size(), lines);
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), lines);
      EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), lines);
      // No field text holds a comma, a tab or a semicolon: only the chosen one may appear.
      for (const char d : {',', '\t', ';'})
        if (d != Delimiters[static_cast<std::size_t>(delimiter)]) {
          EXPECT_EQ(out.find(d), std::string::npos) << "stray delimiter " << int(d);
        }
    }
  }
}

// A conversion refused before it starts: the status, and nothing shown but its message.
void ExpectRefused(const RunResult& r, ConvertStatus status) {
  EXPECT_EQ(r.status, status);
  EXPECT_EQ(r.events, Events{Notify(StatusKind(status), StatusMessage(status))});
}

TEST(Convert, VariantFromSignature) {
  const auto head = [](std::string_view s) { return LogBuilder(s).bytes(); };
  const std::optional<LogVariant> B = LogVariant::B, G = LogVariant::G, none;
  const std::vector<std::pair<Bytes, std::optional<LogVariant>>> cases = {
      {head("QXB "), B},         {head("QXBG"), G},    {head("QXA "), G},
      {{'Q', 'X', 'B', 'G'}, G}, // a file header cut short
      {head("qxb "), none},      {head("QXAG"), none}, {{'Q', 'X', 'B', 0, 'G', ' ', ' '}, none},
      {{'Q', 'X', 'B'}, none},   {{}, none},
  };
  for (const auto& [file, variant] : cases) {
    SCOPED_TRACE(testing::AsText(file));
    TempDir dir;
    testing::WriteFile(dir.File("in.qx"), file);
    const RunResult r =
        testing::RunFiles(dir.File("in.qx"), dir.File("out.out"), Ticked({&O::fullSpectrum}, true));
    if (!variant) {
      ExpectRefused(r, ConvertStatus::NotValid);
      EXPECT_FALSE(r.outputExists);
      continue;
    }
    const std::string total = std::to_string(file.size());
    EXPECT_EQ(r.status, ConvertStatus::Completed);
    EXPECT_EQ(r.variant, variant);
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), ','), variant == B ? 272 : 146);
    EXPECT_EQ(r.events,
              (Events{"start " + total, "progress 0 " + total, "finish " + total, kCompleted}));
  }
}

TEST(Convert, StatusMessages) {
  using S = ConvertStatus;
  const MessageKind info = MessageKind::Information, error = MessageKind::Error;
  const std::vector<std::tuple<S, std::string, MessageKind, bool>> cases = {
      {S::Completed, "Conversion Has Been Completed.", info, true},
      {S::Cancelled, "Conversion Has Been Completed.", info, true},
      {S::CannotOpen, "Cannot Open File.", info, false},
      {S::NotValid, "Not a Valid Tarvik File.", info, false},
      {S::SameFile, "Output File Must Differ From Input File.", error, false},
      {S::CannotCreate, "Cannot Create Output File.", error, false},
      {S::CannotWrite, "Cannot Write Output File.", error, false},
  };
  for (const auto& [status, text, kind, ok] : cases) {
    EXPECT_EQ(StatusMessage(status), text);
    EXPECT_EQ(StatusKind(status), kind) << text;
    EXPECT_EQ(Succeeded(status), ok) << text;
  }
}

TEST(Convert, InputThatCannotBeOpened) {
  TempDir dir;
  const std::string input = LogBuilder("QXBG").Frame(19, GSingle()).Write(dir.File("in.qx"));
  const std::string output = dir.File("out.out");
  const ConversionOptions o = Ticked({&O::single}, true);

  const std::vector<std::pair<std::string, std::string>> unopenable = {
      {dir.File("missing.qx"), "No such file or directory"},
      {dir.path().string(), "Is a directory"},
  };
  for (const auto& [path, detail] : unopenable) {
    const RunResult r = testing::RunFiles(path, output, o);
    ExpectRefused(r, ConvertStatus::CannotOpen);
    EXPECT_EQ(r.failureDetail, detail);
    EXPECT_FALSE(fs::exists(output));
  }
  {
    InputFile holder; // another opener holds the log
    ASSERT_TRUE(holder.Open(input));
    const RunResult r = testing::RunFiles(input, output, o);
    ExpectRefused(r, ConvertStatus::CannotOpen);
    EXPECT_EQ(r.failureDetail, "in use by another program");
    EXPECT_FALSE(fs::exists(output));
  }
  // A finished conversion lets go of its log.
  EXPECT_EQ(testing::RunFiles(input, output, o).status, ConvertStatus::Completed);
  InputFile after;
  EXPECT_TRUE(after.Open(input));
}

TEST(Convert, OutputNamingTheInput) {
  const LogBuilder log = LogBuilder("QXBG").Frame(19, GSingle());
  const std::vector<std::pair<const char*, std::function<void(const TempDir&)>>> cases = {
      {"in.qx", [](const TempDir&) {}},
      {"./sub/../in.qx", [](const TempDir& d) { fs::create_directory(d.path() / "sub"); }},
      {"link.out",
       [](const TempDir& d) { fs::create_symlink(d.File("in.qx"), d.File("link.out")); }},
      {"hard.out",
       [](const TempDir& d) { fs::create_hard_link(d.File("in.qx"), d.File("hard.out")); }},
  };
  for (const auto& [output, prepare] : cases) {
    SCOPED_TRACE(output);
    TempDir dir;
    const std::string input = log.Write(dir.File("in.qx"));
    prepare(dir);
    ExpectRefused(testing::RunFiles(input, dir.File(output), Ticked({&O::single}, true)),
                  ConvertStatus::SameFile);
    EXPECT_EQ(testing::ReadFile(input), log.bytes());
  }
}

TEST(Convert, OutputThatCannotBeCreated) {
  TempDir dir;
  const std::string input = LogBuilder("QXBG").Frame(19, GSingle()).Write(dir.File("in.qx"));
  const RunResult r =
      testing::RunFiles(input, dir.File("missing/out.out"), Ticked({&O::single}, true));
  EXPECT_EQ(r.status, ConvertStatus::CannotCreate);
  EXPECT_EQ(r.failureDetail, dir.File("missing/out.out") + ": No such file or directory");
  // Started, but never finished.
  const std::string total = std::to_string(fs::file_size(input));
  EXPECT_EQ(r.events, (Events{"start " + total, "progress 0 " + total,
                              Notify(MessageKind::Error, kMsgCannotCreate)}));
  EXPECT_FALSE(fs::exists(dir.File("missing")));
  InputFile after; // the log was let go of
  EXPECT_TRUE(after.Open(input));
}

TEST(Convert, OutputThatCannotBeWritten) {
  // A small output fails when it is written out at the end; a large one part way, and then the
  // conversion stops reading.
  const int records = 5000;
  const LogBuilder large = [] {
    LogBuilder log("QXB ");
    for (int i = 0; i < records; ++i)
      log.Frame(14, testing::SpectrumBody(std::vector<std::int16_t>(273, -30000)));
    return log;
  }();
  const LogBuilder small = LogBuilder("QXBG").Frame(19, GSingle());
  for (const LogBuilder* log : {&small, &large}) {
    TempDir dir;
    const RunResult r = testing::RunFiles(log->Write(dir.File("in.qx")), "/dev/full",
                                          Ticked({&O::single, &O::fullSpectrum}, true));
    EXPECT_EQ(r.status, ConvertStatus::CannotWrite);
    EXPECT_EQ(r.failureDetail, "/dev/full: No space left on device");
    const Events& e = r.events;
    ASSERT_GE(e.size(), 4u);
    EXPECT_EQ(e[e.size() - 2], "finish " + std::to_string(log->bytes().size()));
    EXPECT_EQ(e.back(), Notify(MessageKind::Error, kMsgCannotWrite));
    EXPECT_EQ(std::count(e.begin(), e.end(), kCompleted), 0);
    if (log == &large) {
      EXPECT_LT(e.size(), static_cast<std::size_t>(records));
    }
  }
}

// The names in a folder, sorted: to see that no temporary file is left behind.
std::vector<std::string> Names(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Convert, OutputReplacement) {
  const LogBuilder log = LogBuilder("QXBG").Frame(19, GSingle());
  const Bytes old = {'O', 'L', 'D'};
  const std::string fresh = "MAC,RSSI (dBm),Data Rate (Mb/s),Packet Length (bytes),Good/Bad\r\n"
                            "00-0A-1B-2C-3D-4E,-55,54 Mb/s,1500,good\r\n";
  const mode_t umask = ::umask(0);
  ::umask(umask);
  enum Before { Nothing, OurFile, Symlink, HardLinked };
  struct Case {
    const char* name;
    Before before;
    bool writeFails;      // the file system refuses the output's bytes
    const char* readBack; // what out.out then holds; null: there is none
    bool sameInode;       // written in place
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"a new file", Nothing, false, "fresh", false, {"in.qx", "out.out"}},
      {"our own file is replaced whole", OurFile, false, "fresh", false, {"in.qx", "out.out"}},
      {"through a symbolic link, in place",
       Symlink,
       false,
       "fresh",
       true,
       {"in.qx", "out.out", "target.out"}},
      {"a file with another link, in place",
       HardLinked,
       false,
       "fresh",
       true,
       {"in.qx", "other.out", "out.out"}},
      {"a failed write leaves the earlier file", OurFile, true, "OLD", true, {"in.qx", "out.out"}},
      {"a failed write leaves no file", Nothing, true, nullptr, false, {"in.qx"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string input = log.Write(dir.File("in.qx"));
    const std::string output = dir.File("out.out");
    if (c.before == OurFile) {
      testing::WriteFile(output, old);
      fs::permissions(output, fs::perms::owner_read | fs::perms::owner_write);
    } else if (c.before == Symlink) {
      testing::WriteFile(dir.File("target.out"), old);
      fs::create_symlink("target.out", output);
    } else if (c.before == HardLinked) {
      testing::WriteFile(output, old);
      fs::create_hard_link(output, dir.File("other.out"));
    }
    struct stat before {};
    const bool existed = ::stat(output.c_str(), &before) == 0;

    // A file size limit stands in for a full disk: every write past 10 bytes fails.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (c.writeFails) {
      rlimit small = saved;
      small.rlim_cur = 10;
      ::setrlimit(RLIMIT_FSIZE, &small);
    }
    const RunResult r = testing::RunFiles(input, output, Ticked({&O::single}, true));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.status, c.writeFails ? ConvertStatus::CannotWrite : ConvertStatus::Completed);
    if (c.writeFails) {
      EXPECT_EQ(r.failureDetail, output + ": File too large");
    }
    EXPECT_EQ(Names(dir), c.names);
    struct stat after {};
    ASSERT_EQ(::stat(output.c_str(), &after) == 0, c.readBack != nullptr);
    if (c.readBack == nullptr) continue;
    EXPECT_EQ(r.output, std::string(c.readBack) == "OLD" ? "OLD" : fresh);
    if (existed) {
      EXPECT_EQ(after.st_ino == before.st_ino, c.sameInode);
    }
    const mode_t expectedMode = existed ? (before.st_mode & 07777) : (0644 & ~umask);
    EXPECT_EQ(after.st_mode & 07777, expectedMode);
    if (c.before == Symlink) {
      EXPECT_TRUE(fs::is_symlink(output));
    }
  }
}

// A pipe has no size: it is read to its end, and progress has no total until then.
TEST(Convert, InputOfUnknownSize) {
  LogBuilder log("QXBG");
  for (int i = 0; i < 3000; ++i) log.Frame(19, GSingle());
  log.Raw({1, 2, 3});
  TempDir dir;
  const ConversionOptions o = Ticked({&O::single}, true);
  const RunResult fromFile = testing::RunFiles(log.Write(dir.File("in.qx")), dir.File("a.out"), o);

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::thread writer([&] {
    const Bytes& b = log.bytes();
    for (std::size_t done = 0; done < b.size();) {
      const ssize_t n =
          ::write(fds[1], b.data() + done, std::min<std::size_t>(b.size() - done, 777));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fds[1]);
  });
  RecordingObserver observer;
  Convert convert = testing::TextConversion("(pipe)", dir.File("b.out"), o, observer);
  convert.UseInputDescriptor(fds[0]);
  const ConversionResult result = convert.Execute();
  EXPECT_EQ(result.status, ConvertStatus::Completed);
  writer.join();
  ::close(fds[0]);

  EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("b.out"))), fromFile.output);
  EXPECT_EQ(SplitLines(fromFile.output).size(), 3001u);
  const std::string size = std::to_string(log.bytes().size());
  EXPECT_EQ(observer.events.front(), "start -1");
  EXPECT_EQ(observer.events[observer.events.size() - 3], Progress(fromFile.bytesRead, -1));
  EXPECT_EQ(observer.events[observer.events.size() - 2], "finish " + size);
  EXPECT_EQ(observer.events.back(), kCompleted + "\nDamaged log: 3 bytes cut off at the end.");
  EXPECT_EQ(convert.TotalBytes(), fromFile.totalBytes);
  EXPECT_EQ(result.damage, (LogDamage{0, 0, 3}));
}

// An output that asks the engine to decode `groups`, and keeps the decoder it is given.
class DecoderUser final : public ConversionOutput {
public:
  explicit DecoderUser(RecordGroups groups) : groups_(groups) {}
  std::vector<OutputDestination> Destinations() const override { return {}; }
  bool Open(LogVariant) override { return true; }
  std::optional<RecordGroups> DecodedGroups() const override { return groups_; }
  void UseDecoder(RecordDecoder& decoder) override { decoder_ = &decoder; }
  void Take(const Frame&) override { ready_ += decoder_->result == DecodeResult::RecordReady; }
  bool Failed() const override { return false; }
  bool Finish() override { return true; }
  void Abandon() override {}
  std::string FailureDetail() const override { return {}; }
  std::vector<WrittenFile> Written() const override { return {}; }

  const RecordGroups groups_;
  const RecordDecoder* decoder_ = nullptr;
  int ready_ = 0; // records the decoder had ready when this took the frame
};

// One run into outputs of different options: each holds exactly what its own conversion writes,
// whatever the others decode. Outputs decoding the same groups share one decoder: here the first
// text, a text of the same group without its header, context and access-point rule, and a probe.
TEST(Convert, TwoOutputsInOneRun) {
  const auto capture = [](std::int8_t rssi, const testing::Bytes& frame) {
    testing::CaptureHeader h;
    h.rssi = rssi;
    h.multipath[0] = {3, -4};
    return testing::CaptureBody(h, frame);
  };
  const auto beacon = [](std::uint8_t id, std::uint8_t channel) {
    return testing::BeaconFrame(20, {2, 0, 0, 0, 0, id}, id % 2 == 0,
                                {{0, testing::SsidElementContent("net")}, {3, {channel}}});
  };
  LogBuilder log("QXB ");
  // The second survey capture carries no frame: it takes the address of the last management
  // frame its decoder saw, which would be the type-18 beacon's had the decoder been shared.
  log.Frame(7, testing::GpsBody({}), "1")
      .Frame(6, capture(-70, testing::DataFrame(110, {2, 0, 0, 0, 0, 1})))
      .Frame(9, capture(-45, beacon(4, 1)), "2")
      .Frame(10, capture(-50, beacon(2, 6)))
      .Frame(18, capture(-40, beacon(3, 11)))
      .Frame(10, capture(-60, {}))
      .Frame(14, testing::SpectrumBody(std::vector<std::int16_t>(273, -20000)))
      .Frame(4, {6})
      .Frame(19, testing::BUtilBody({125000, 0, 0, 7}));
  ConversionOptions surveys = Ticked({&O::survey, &O::accessPointsOnly}, true);
  surveys.TickAllContextFields();
  ConversionOptions rest = Ticked({&O::single, &O::fullSpectrum, &O::utilization, &O::gpsLatitude});
  rest.delimiter = Delimiter::Tab;

  TempDir dir;
  const std::string input = log.Write(dir.File("in.qx"));
  const std::string alone[] = {RunFiles(input, dir.File("a.out"), surveys).output,
                               RunFiles(input, dir.File("b.out"), rest).output};
  ConversionOptions stations = Ticked({&O::survey}); // stations too, without the header
  stations.delimiter = Delimiter::Semicolon;
  const std::string stationsAlone = RunFiles(input, dir.File("c.out"), stations).output;
  Convert::Outputs outputs;
  outputs.push_back(
      std::make_unique<DelimitedTextOutput>(OutputDestination{dir.File("a2.out")}, surveys));
  outputs.push_back(
      std::make_unique<DelimitedTextOutput>(OutputDestination{dir.File("b2.out")}, rest));
  outputs.push_back(
      std::make_unique<DelimitedTextOutput>(OutputDestination{dir.File("c2.out")}, stations));
  auto* const sameAsSurveys = new DecoderUser(surveys.Groups());
  auto* const sameAsRest = new DecoderUser(rest.Groups());
  auto* const sameAgain = new DecoderUser(stations.Groups());
  outputs.emplace_back(sameAsSurveys);
  outputs.emplace_back(sameAsRest);
  outputs.emplace_back(sameAgain);
  RecordingObserver observer;
  Convert conversion(input, std::move(outputs), observer); // holds the probes until the end
  EXPECT_EQ(conversion.Execute().status, ConvertStatus::Completed);
  EXPECT_EQ(SplitLines(alone[0]).size(), 3u);
  EXPECT_EQ(SplitLines(alone[1]).size(), 4u);
  EXPECT_EQ(SplitLines(stationsAlone).size(), 2u);
  EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("a2.out"))), alone[0]);
  EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("b2.out"))), alone[1]);
  EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("c2.out"))), stationsAlone);
  // Two decoders in all, each decoding every frame once: the two surveys were ready once each.
  EXPECT_EQ(sameAsSurveys->decoder_, sameAgain->decoder_);
  EXPECT_NE(sameAsSurveys->decoder_, sameAsRest->decoder_);
  EXPECT_EQ(sameAsSurveys->ready_, 2);
}

TEST(Convert, Cancel) {
  LogBuilder log("QXBG");
  for (int i = 0; i < 5; ++i) log.Frame(19, GSingle());
  const std::int64_t total = static_cast<std::int64_t>(log.bytes().size());
  const std::int64_t frame = (total - 14) / 5;
  const std::string header = "MAC,RSSI (dBm),Data Rate (Mb/s),Packet Length (bytes),Good/Bad";
  const std::string line = "00-0A-1B-2C-3D-4E,-55,54 Mb/s,1500,good";

  // Before the first record, and from the observer after the second.
  for (const int after : {0, 2}) {
    SCOPED_TRACE(after);
    TempDir dir;
    const std::string input = log.Write(dir.File("in.qx"));
    std::atomic<bool> terminate = after == 0;
    RecordingObserver observer;
    int records = 0;
    observer.onProgress = [&] {
      if (observer.events.size() > 2 && ++records == after) terminate = true;
    };
    Convert convert = testing::TextConversion(
        input, dir.File("out.out"), Ticked({&O::single}, true), observer, nullptr, &terminate);
    EXPECT_EQ(convert.Execute().status, ConvertStatus::Cancelled);

    std::string expected = header + "\r\n";
    Events events = {"start " + std::to_string(total), Progress(0, total)};
    for (int i = 1; i <= after; ++i) {
      expected += line + "\r\n";
      events.push_back(Progress(i * frame, total));
    }
    events.push_back("finish " + std::to_string(total));
    events.push_back(kCompleted);
    EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("out.out"))), expected);
    EXPECT_EQ(observer.events, events);
    EXPECT_EQ(convert.BytesRead(), after * frame);
  }
}

TEST(Convert, OptionsAreCopiedAtTheStart) {
  TempDir dir;
  const std::string input = LogBuilder("QXBG").Frame(19, GSingle()).Write(dir.File("in.qx"));
  testing::WriteFile(dir.File("out.out"), Bytes(10000, 'z')); // replaced
  ConversionOptions options = Ticked({&O::single}, true);
  RecordingObserver observer;
  Convert convert = testing::TextConversion(input, dir.File("out.out"), options, observer);
  options = ConversionOptions{};
  options.header = false;
  options.delimiter = static_cast<Delimiter>(1);
  EXPECT_EQ(convert.Execute().status, ConvertStatus::Completed);
  EXPECT_EQ(testing::AsText(testing::ReadFile(dir.File("out.out"))),
            "MAC,RSSI (dBm),Data Rate (Mb/s),Packet Length (bytes),Good/Bad\r\n"
            "00-0A-1B-2C-3D-4E,-55,54 Mb/s,1500,good\r\n");
}

TEST(Convert, EachConversionStartsFromTheDefaults) {
  std::array<std::uint32_t, 14> counts{};
  counts[0] = 125000;
  const LogBuilder first = LogBuilder("QXBG")
                               .Frame(25, testing::GpsBody({}))
                               .Frame(17, {11})
                               .Frame(21, testing::GUtilBody(counts))
                               .Frame(16, testing::GSurveyBody({{kMac, -40}}, {}));
  const LogBuilder second = LogBuilder("QXBG")
                                .Frame(7, GSpectrum(128))
                                .Frame(21, testing::GUtilBody(counts))
                                .Frame(16, testing::GSurveyBody({}, {}));
  ConversionOptions o = Ticked({&O::gpsLatitude, &O::singleSpectrum, &O::utilization, &O::survey});
  std::vector<std::string> util(14, "0.00");
  util[0] = "100.00";
  const std::vector<std::string> expected = {
      testing::Join(testing::Concat({{"0.00000 S", "1"}, testing::Repeat("-50", 128)})),
      testing::Join(testing::Concat({{"0.00000 S"}, util}))};

  RunConversion(first, o);
  EXPECT_EQ(testing::RecordLines(second, o), expected);

  // Nor does a conversion running at the same time.
  std::vector<std::string> side;
  std::thread other([&] { side = testing::RecordLines(first, o); });
  EXPECT_EQ(testing::RecordLines(second, o), expected);
  other.join();
  EXPECT_EQ(side.size(), 2u);
}

TEST(Convert, ProgressPercent) {
  const std::int64_t big = std::int64_t{1} << 50;
  const std::vector<std::tuple<std::int64_t, std::int64_t, int>> cases = {
      {0, 0, 0},       {5, 0, 0},          {0, 100, 0},        {50, 100, 50},
      {1, 3, 33},      {2, 3, 66},         {99, 100, 99},      {100, 100, 100},
      {150, 100, 100}, {big, 2 * big, 50}, {big - 1, big, 99},
  };
  for (const auto& [read, total, percent] : cases)
    EXPECT_EQ(ProgressPercent(read, total), percent) << read << " of " << total;
}

TEST(ConversionOptionsTest, DefaultsAndDelimiters) {
  const ConversionOptions o;
  EXPECT_TRUE(o.header);
  EXPECT_FALSE(o.rtcDate || o.rtcTime || o.marker || o.gpsDate || o.gpsTime || o.gpsLatitude ||
               o.gpsLongitude || o.accessPointsOnly);
  EXPECT_FALSE(o.AnyRecordGroup());
  EXPECT_EQ(o.DelimiterChar(), ',');
  const std::pair<int, char> table[] = {{0, ','}, {1, '\t'}, {2, ' '}, {3, ';'}};
  for (const auto& [index, ch] : table) {
    ConversionOptions d;
    d.delimiter = static_cast<Delimiter>(index);
    EXPECT_EQ(d.DelimiterChar(), ch);
  }
  EXPECT_EQ(DelimiterNames[1], "TAB");
}

} // namespace
} // namespace veltrix
