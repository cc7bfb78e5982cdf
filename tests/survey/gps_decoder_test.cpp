#include <gtest/gtest.h>

#include <string>

#include "support/log_builder.h"
#include "survey/gps_decoder.h"

namespace veltrix {
namespace {

using testing::GpsFix;

struct Texts {
  std::string date, time, latitude, longitude;
  bool operator==(const Texts&) const = default;
};

Texts Format(const GpsDecoder& gps) {
  return {std::string(gps.DateText()), std::string(gps.TimeText()), std::string(gps.LatitudeText()),
          std::string(gps.LongitudeText())};
}

std::ostream& operator<<(std::ostream& os, const Texts& t) {
  return os << t.date << ' ' << t.time << ' ' << t.latitude << ' ' << t.longitude;
}

TEST(GpsDecoderTest, InitialStateTexts) {
  EXPECT_EQ(Format(GpsDecoder()), (Texts{"00/00/0000", "00:00:00", "0.00000 S", "0.00000 W"}));
}

TEST(GpsDecoderTest, DecodesAndFormats) {
  struct Case {
    GpsFix fix;
    Texts texts;
  };
  const std::vector<Case> cases = {
      {{3, 7, 2006, 9, 5, 0, 180000000, -441000000},
       {"03/07/2006", "09:05:00", "50.00000 N", "122.50000 W"}},
      {{12, 31, 2007, 23, 59, 59, -120600000, 441000000},
       {"12/31/2007", "23:59:59", "33.50000 S", "122.50000 E"}},
      {{1, 1, 2000, 0, 0, 0, 0, 0}, {"01/01/2000", "00:00:00", "0.00000 S", "0.00000 W"}},
      // Nothing is range-checked: odd values print as they are.
      {{255, 200, -5, 100, 61, 99, 1, -1}, {"255/200/-005", "100:61:99", "0.00000 N", "0.00000 W"}},
      {{13, 0, -32768, 0, 0, 0, INT32_MIN, INT32_MAX},
       {"13/00/-32768", "00:00:00", "596.52324 S", "596.52324 E"}},
  };
  for (const Case& c : cases) {
    GpsDecoder gps;
    gps.Decode(testing::GpsBody(c.fix));
    EXPECT_EQ(Format(gps), c.texts);
  }
}

TEST(GpsDecoderTest, CutBlockKeepsThePreviousFix) {
  GpsDecoder gps;
  ASSERT_TRUE(gps.Decode(testing::GpsBody(GpsFix{})));
  const Texts good = Format(gps);
  for (const std::size_t size : {0, 1, 33, 151}) {
    testing::Bytes cut = testing::GpsBody(GpsFix{12, 31, 2007, 23, 59, 59, 1, 2});
    cut.resize(size);
    EXPECT_FALSE(gps.Decode(cut)) << size;
    EXPECT_EQ(Format(gps), good) << size;
  }
  testing::Bytes longer = testing::GpsBody(GpsFix{12, 31, 2007, 23, 59, 59, 1, 2});
  longer.push_back(0xFF); // bytes past the block are not looked at
  EXPECT_TRUE(gps.Decode(longer));
  EXPECT_EQ(Format(gps).date, "12/31/2007");
}

} // namespace
} // namespace veltrix
