#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/identify.h"
#include "reader/log_reader.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

using testing::Bytes;
using testing::EncodeFrame;
using testing::EncodeFrameWithLengths;
using testing::LogBuilder;
using testing::Rtc;

struct Walk {
  std::vector<std::int64_t> counts; // every ReadRecord result, the final 0 included
  std::vector<std::string> markers; // MarkerText after each frame that delivered a payload
  std::vector<std::vector<std::uint8_t>> payloads; // type byte, then body
  LogDamage damage;
};

Walk WalkLog(const std::string& path) {
  LogReader reader;
  reader.SetInputPath(path);
  EXPECT_TRUE(reader.OpenLog());
  Walk walk;
  for (int guard = 0; guard < 100000; ++guard) {
    const std::int64_t n = reader.ReadRecord();
    walk.counts.push_back(n);
    if (n == 0) break;
    EXPECT_TRUE(reader.Current().Framed || !reader.Current().PayloadDelivered);
    if (reader.Current().PayloadDelivered) {
      walk.markers.push_back(reader.Current().MarkerText);
      std::vector<std::uint8_t> p = {reader.Current().PayloadType};
      p.insert(p.end(), reader.Current().Payload.begin(), reader.Current().Payload.end());
      EXPECT_EQ(reader.Current().PayloadLength, p.size());
      walk.payloads.push_back(p);
    }
  }
  walk.damage = reader.Damage();
  return walk;
}

const Bytes kFrameA = EncodeFrame(Rtc{}, "", {8, 1, 2, 3});
const Bytes kFrameB = EncodeFrame(Rtc{}, "42", {17, 6});
const std::int64_t kA = static_cast<std::int64_t>(kFrameA.size());
const std::int64_t kB = static_cast<std::int64_t>(kFrameB.size());

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) testing::Append(out, p);
  return out;
}
Bytes Cut(const Bytes& b, std::size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<long>(n));
}

struct FramingCase {
  const char* name;
  Bytes body; // what follows the file header
  std::vector<std::int64_t> counts;
  std::size_t delivered;
  LogDamage damage = {}; // skipped bytes, places, bytes at the end
};

TEST(Framing, CountsAndDeliveries) {
  const std::vector<FramingCase> cases = {
      {"header only", {}, {0}, 0},
      {"back to back", Cat({kFrameA, kFrameB}), {kA, kB, 0}, 2},
      {"three garbage bytes, none a sync byte", Cat({{1, 2, 3}, kFrameA}), {3 + kA, 0}, 1, {3, 1}},
      {"garbage 61 58 58 before a frame",
       Cat({{0x61, 0x58, 0x58}, kFrameA}),
       {3 + kA, 0},
       1,
       {3, 1}},
      {"one garbage byte", Cat({{0x61}, kFrameA}), {1 + kA, 0}, 1, {1, 1}},
      {"two garbage bytes", Cat({{0x61, 0x62}, kFrameA}), {2 + kA, 0}, 1, {2, 1}},
      {"one extra sync byte", Cat({{0x58}, kFrameA}), {1 + kA, 0}, 1, {1, 1}},
      {"two extra sync bytes", Cat({{0x58, 0x58}, kFrameA}), {2 + kA, 0}, 1, {2, 1}},
      {"garbage between frames",
       Cat({kFrameA, {0, 0x58, 0, 0x58, 0x58, 7}, kFrameB}),
       {kA, 6 + kB, 0},
       2,
       {6, 1}},
      {"empty payload block", Cat({EncodeFrame(Rtc{}, "7", {}), kFrameB}), {14, kB, 0}, 1},
      {"frame cut inside its payload",
       Cat({kFrameA, Cut(kFrameB, kB - 1)}),
       {kA, 0},
       1,
       {0, 0, kB - 1}},
      {"frame cut inside its marker", Cat({kFrameA, Cut(kFrameB, 12)}), {kA, 0}, 1, {0, 0, 12}},
      {"only the sync mark", {0x58, 0x58, 0x58}, {0}, 0, {0, 0, 3}},
      {"only sync bytes", Bytes(5000, 0x58), {0}, 0, {0, 0, 5000}},
      {"zeros", Bytes(5000, 0), {0}, 0, {0, 0, 5000}},
      {"marker length 1023 and payload length 8192, the largest, are delivered",
       Cat({EncodeFrameWithLengths(Rtc{}, 1023, Bytes(1023, '9'), 8192, Bytes(8192, 8)), kFrameB}),
       {13 + 1023 + 8192, kB, 0},
       2},
      {"marker length 1024 is stepped over",
       Cat({EncodeFrameWithLengths(Rtc{}, 1024, Bytes(1024, '9'), 2, {8, 0}), kFrameB}),
       {13 + 1024 + 2, kB, 0},
       1,
       {13 + 1024 + 2, 1}},
      {"payload length 8193 is stepped over",
       Cat({EncodeFrameWithLengths(Rtc{}, 0, {}, 8193, Bytes(8193, 8)), kFrameA}),
       {13 + 8193, kA, 0},
       1,
       {13 + 8193, 1}},
      {"largest lengths, file too short",
       EncodeFrameWithLengths(Rtc{}, 65535, Bytes(100, 1), 0, {}),
       {0},
       0,
       {0, 0, 113}},
      {"largest lengths, whole frame present",
       Cat({EncodeFrameWithLengths(Rtc{}, 65535, Bytes(65535, 1), 65535, Bytes(65535, 2)),
            kFrameA}),
       {13 + 65535 + 65535, kA, 0},
       1,
       {13 + 65535 + 65535, 1}},
      {"damage in two places, then a cut frame",
       Cat({{1, 2},
            kFrameA,
            {9, 9, 9},
            EncodeFrameWithLengths(Rtc{}, 0, {}, 9000, Bytes(9000, 1)),
            {7},
            kFrameB,
            Cut(kFrameA, 5)}),
       {2 + kA, 3 + 13 + 9000, 1 + kB, 0},
       2,
       {2 + 3 + 13 + 9000 + 1, 2, 5}},
  };
  testing::TempDir dir;
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Walk walk = WalkLog(LogBuilder("QXBG").Raw(c.body).Write(dir.File("log.qx")));
    EXPECT_EQ(walk.counts, c.counts);
    EXPECT_EQ(walk.payloads.size(), c.delivered);
    EXPECT_EQ(walk.damage, c.damage);
  }
}

TEST(Framing, DamageTexts) {
  const struct {
    LogDamage damage;
    const char* text;
    const char* note;
  } cases[] = {
      {{}, "", ""},
      {{4952, 3, 266},
       "4952 damaged bytes skipped in 3 places; 266 bytes at the end are not a whole record",
       "Damaged log: 4952 bytes skipped, 266 at the end."},
      {{1, 1, 0}, "1 damaged byte skipped in 1 place", "Damaged log: 1 byte skipped."},
      {{0, 0, 1},
       "1 byte at the end is not a whole record",
       "Damaged log: 1 byte cut off at the end."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeDamage(c.damage), c.text);
    EXPECT_EQ(ShortDamageNote(c.damage), c.note);
  }
}

// A long stretch without a sync mark comes back in parts, so that the caller keeps control.
TEST(Framing, LongGarbageIsReturnedInParts) {
  testing::TempDir dir;
  const Bytes garbage(300000, 0x00);
  const Walk walk = WalkLog(LogBuilder().Raw(garbage).Raw(kFrameA).Write(dir.File("l.qx")));
  ASSERT_GE(walk.counts.size(), 4u);
  std::int64_t total = 0;
  for (const std::int64_t n : walk.counts) {
    EXPECT_LE(n, 2 * 64 * 1024);
    total += n;
  }
  EXPECT_EQ(total, 300000 + kA);
  EXPECT_EQ(walk.payloads.size(), 1u);
  EXPECT_EQ(walk.damage, (LogDamage{300000, 1, 0}));
}

TEST(Framing, EndOfFileAnywhereInsideAFrameDeliversNothing) {
  testing::TempDir dir;
  const Bytes frame = EncodeFrame(Rtc{}, "12", {25, 1, 2, 3, 4});
  for (std::size_t cut = 1; cut < frame.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Walk walk =
        WalkLog(LogBuilder().Raw(kFrameA).Raw(Cut(frame, cut)).Write(dir.File("l.qx")));
    EXPECT_EQ(walk.counts, (std::vector<std::int64_t>{kA, 0}));
  }
}

TEST(Framing, TimestampMarkerAndPayload) {
  testing::TempDir dir;
  LogBuilder log;
  log.Raw(EncodeFrame(Rtc{7, 12, 7, 13, 5, 9}, "", {17, 6}));      // no marker yet
  log.Raw(EncodeFrame(Rtc{5, 123, 255, 0, 0, 100}, "12", {8, 9})); // three-digit fields
  log.Raw(EncodeFrame(Rtc{}, "", {21, 1}));                        // keeps "12"
  log.Raw(EncodeFrameWithLengths(Rtc{}, 4, {0x31, 0x33, 0x00, 0x39}, 2, {7, 7})); // stops at zero
  log.Raw(EncodeFrameWithLengths(Rtc{}, 1026, Bytes(1026, 'z'), 2, {8, 8})); // oversized: no change
  log.Raw(EncodeFrame(Rtc{}, "", {8, 1}));
  log.Write(dir.File("l.qx"));

  LogReader reader;
  reader.SetInputPath(dir.File("l.qx"));
  ASSERT_TRUE(reader.OpenLog());
  ASSERT_GT(reader.ReadRecord(), 0);
  EXPECT_EQ(reader.Current().Rtc.RtcText(), "12/07/2007 13:05:09");
  EXPECT_EQ(reader.Current().MarkerText, "");
  ASSERT_TRUE(reader.Current().PayloadDelivered);
  EXPECT_EQ(reader.Current().PayloadType, 17);
  EXPECT_EQ(reader.Current().Payload.size(), 1u);
  EXPECT_EQ(reader.Current().Payload[0], 6);

  ASSERT_GT(reader.ReadRecord(), 0);
  EXPECT_EQ(reader.Current().Rtc.RtcText(), "123/05/2255 00:00:100");
  EXPECT_EQ(reader.Current().MarkerText, "12");
  ASSERT_GT(reader.ReadRecord(), 0);
  EXPECT_EQ(reader.Current().MarkerText, "12");
  ASSERT_GT(reader.ReadRecord(), 0);
  EXPECT_EQ(reader.Current().MarkerText, "13");
  EXPECT_EQ(reader.ReadRecord(), 13 + 1026 + 2);
  EXPECT_FALSE(reader.Current().PayloadDelivered);
  EXPECT_EQ(reader.Current().MarkerText, "13");
  EXPECT_EQ(reader.OversizedFrames, 1);
  ASSERT_GT(reader.ReadRecord(), 0);
  EXPECT_EQ(reader.Current().MarkerText, "13");
  EXPECT_EQ(reader.ReadRecord(), 0);
}

// Frames and sync marks that straddle the reader's internal blocks are found like any other.
TEST(Framing, SyncMarksAcrossBlockBoundaries) {
  testing::TempDir dir;
  constexpr std::size_t kBlock = 64 * 1024;
  for (std::size_t garbage = kBlock - 14 - 16; garbage <= kBlock - 14 + 4; ++garbage) {
    SCOPED_TRACE(garbage);
    Bytes filler(garbage, 0x00);
    if (garbage > 2) filler[garbage - 2] = 0x58; // a near miss right before the mark
    const Walk walk =
        WalkLog(LogBuilder().Raw(filler).Raw(kFrameB).Raw(kFrameA).Write(dir.File("l.qx")));
    EXPECT_EQ(walk.counts,
              (std::vector<std::int64_t>{static_cast<std::int64_t>(garbage) + kB, kA, 0}));
  }
}

TEST(Framing, LongLogAddsUpToItsSize) {
  testing::TempDir dir;
  LogBuilder log;
  std::size_t frames = 0;
  for (int i = 0; log.bytes().size() < 3 * 1024 * 1024; ++i, ++frames) {
    Bytes body(static_cast<std::size_t>(i * 37 % 8000), static_cast<std::uint8_t>(i));
    log.Frame(static_cast<std::uint8_t>(i % 30), body, i % 5 ? "" : std::to_string(i));
  }
  const std::string path = log.Write(dir.File("l.qx"));
  const Walk walk = WalkLog(path);
  ASSERT_EQ(walk.payloads.size(), frames);
  std::int64_t total = 0;
  for (const std::int64_t n : walk.counts) total += n;
  EXPECT_EQ(total, static_cast<std::int64_t>(log.bytes().size()) - 14);
  for (std::size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(walk.payloads[i].size(), 1 + i * 37 % 8000) << i;
    EXPECT_EQ(walk.payloads[i][0], i % 30);
    if (walk.payloads[i].size() > 1) {
      EXPECT_EQ(walk.payloads[i].back(), static_cast<std::uint8_t>(i));
    }
  }
  EXPECT_EQ(walk.markers.back(), std::to_string((frames - 1) / 5 * 5));
}

TEST(Framing, LogIsOpenedExclusively) {
  testing::TempDir dir;
  const std::string path = LogBuilder("QXB ").Raw(kFrameA).Write(dir.File("l.qx"));
  LogReader first, second;
  first.SetInputPath(path);
  second.SetInputPath(path);
  ASSERT_TRUE(first.OpenLog());
  EXPECT_FALSE(second.OpenLog());
  EXPECT_EQ(IdentifyLog(path).result, IdentifyResult::CannotOpen);
  first.CloseLog();
  EXPECT_TRUE(second.OpenLog());
  second.CloseLog();

  LogReader missing;
  missing.SetInputPath(dir.File("missing.qx"));
  EXPECT_FALSE(missing.OpenLog());
  EXPECT_EQ(missing.ReadRecord(), 0);
}

} // namespace
} // namespace veltrix
