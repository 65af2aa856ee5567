#include "recording/gps_sentence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace moksel {
namespace {

TelemetryRecord parsed(std::string_view text) {
    TelemetryRecord record;
    record.accelX = 7;
    record.timeMs = 1234;
    parseGpsSentence(text, record);
    // The parser writes only the GPS fields.
    EXPECT_EQ(record.accelX, 7);
    EXPECT_EQ(record.timeMs, 1234u);
    return record;
}

TEST(GpsSentence, ConvertsDegreesMinutesKnotsAndCourse) {
    auto r = parsed("081500.000,A,3724.5000,N,12700.6000,E,10.0,90.5,010312,,,A*6C");
    EXPECT_NEAR(r.latitude, 37.408333333, 1e-9);
    EXPECT_NEAR(r.longitude, 127.01, 1e-9);
    EXPECT_EQ(r.speedKmh, 18);  // 18.52 truncated
    EXPECT_DOUBLE_EQ(r.heading, 90.5);
}

TEST(GpsSentence, HemispheresGiveTheSign) {
    auto r = parsed("081500,A,3351.9000,S,15112.6000,W,0,0,010312,,,");
    EXPECT_NEAR(r.latitude, -(33 + 51.9 / 60), 1e-9);
    EXPECT_NEAR(r.longitude, -(151 + 12.6 / 60), 1e-9);
    auto north = parsed("081500,A,3351.9000,N,15112.6000,E,0,0,010312,,,");
    EXPECT_GT(north.latitude, 0);
    EXPECT_GT(north.longitude, 0);
}

TEST(GpsSentence, ZeroAndBoundaryValues) {
    auto zeros = parsed("000000,V,0000.0000,N,00000.0000,E,0.0,0.0,,,,");
    EXPECT_EQ(zeros.latitude, 0);
    EXPECT_EQ(zeros.longitude, 0);
    auto pole = parsed("000000,A,9000.0000,N,18000.0000,E,0.5,359.99,,,,");
    EXPECT_DOUBLE_EQ(pole.latitude, 90);
    EXPECT_DOUBLE_EQ(pole.longitude, 180);
    EXPECT_EQ(pole.speedKmh, 0);  // 0.926 km/h
    EXPECT_DOUBLE_EQ(pole.heading, 359.99);
    EXPECT_EQ(parsed("0,A,0,N,0,E,100,0,,").speedKmh, 185);  // 185.2
}

TEST(GpsSentence, EmptyAndNonNumericFieldsReadAsZero) {
    // A void fix with empty position fields.
    auto voidFix = parsed(",V,,,,,,,,,,N*53");
    EXPECT_EQ(voidFix.latitude, 0);
    EXPECT_EQ(voidFix.longitude, 0);
    EXPECT_EQ(voidFix.speedKmh, 0);
    EXPECT_EQ(voidFix.heading, 0);

    auto garbage = parsed("x,A,abc,N,nan,E,inf,--,,,");
    EXPECT_EQ(garbage.latitude, 0);
    EXPECT_EQ(garbage.longitude, 0);
    EXPECT_EQ(garbage.speedKmh, 0);
    EXPECT_EQ(garbage.heading, 0);

    // A numeric prefix is read, as a C-locale number reader does; a decimal comma is not one.
    auto prefix = parsed("0,A,3724.5xyz,N,12700.6,E,10.0kn,90.5deg,,");
    EXPECT_NEAR(prefix.latitude, 37.408333333, 1e-9);
    EXPECT_EQ(prefix.speedKmh, 18);
    EXPECT_DOUBLE_EQ(prefix.heading, 90.5);
}

TEST(GpsSentence, AFieldWithoutCommaEndsTheSentence) {
    // The course has no comma after it: it and everything later read as empty.
    auto r = parsed("081500,A,3724.5,N,12700.6,E,10.0,90.5");
    EXPECT_NEAR(r.latitude, 37.408333333, 1e-9);
    EXPECT_EQ(r.speedKmh, 18);
    EXPECT_EQ(r.heading, 0);
    // Cut in the middle of the longitude: latitude survives, the rest is zero.
    auto cut = parsed("081500,A,3724.5,N,127");
    EXPECT_NEAR(cut.latitude, 37.408333333, 1e-9);
    EXPECT_EQ(cut.longitude, 0);
    auto none = parsed("no commas at all");
    EXPECT_EQ(none.latitude, 0);
    EXPECT_EQ(parsed("").latitude, 0);
}

TEST(GpsSentence, HugeValuesDoNotOverflow) {
    auto r = parsed("0,A,1e300,N,-1e300,E,1e300,1e300,,");
    EXPECT_TRUE(std::isfinite(r.latitude));
    EXPECT_TRUE(std::isfinite(r.longitude));
    EXPECT_EQ(r.speedKmh, 0);  // beyond the 32-bit range
    // Within range the low 16 bits are kept: 40000 knots = 74080 km/h -> 74080 - 65536.
    EXPECT_EQ(parsed("0,A,0,N,0,E,40000,0,,").speedKmh, 74080 - 65536);
}

TEST(GpsSentence, UtcTimeNeedsARealTimeAndDate) {
    int64_t ms = 0;
    ASSERT_TRUE(gpsSentenceUtcMs("000001.50,V,,,,,,,010100,,,N", ms));  // a void fix keeps its time
    EXPECT_EQ(ms, 946684801500);
    ASSERT_TRUE(gpsSentenceUtcMs("235959,A,3730.0,N,12715.0,E,0,0,311299,,,A", ms));
    EXPECT_EQ(ms, 946684799000);
    EXPECT_FALSE(gpsSentenceUtcMs("231500.00,A,3730.0,N,12715.0,E,0,0,300212,,,A", ms));  // 30 Feb
    EXPECT_FALSE(gpsSentenceUtcMs("231500.00,A,3730.0,N,12715.0,E,0,0,,,,A", ms));  // no date
    EXPECT_FALSE(gpsSentenceUtcMs("2a1500,A,3730.0,N,12715.0,E,0,0,290212,,,A", ms));
    EXPECT_FALSE(gpsSentenceUtcMs(",V,,,,,,,010170,,,N", ms));  // no time
    EXPECT_FALSE(gpsSentenceUtcMs("", ms));
}

TEST(GpsSentence, EntryTextStopsAtNulOrTheEntryEnd) {
    char entry[128];
    std::memset(entry, 0, sizeof entry);
    std::strcpy(entry, "$GPRMC,081500,A");
    EXPECT_EQ(gpsEntryText(entry, sizeof entry), "081500,A");
    std::memset(entry, 'x', sizeof entry);  // no NUL anywhere
    EXPECT_EQ(gpsEntryText(entry, sizeof entry).size(), 128u - 7u);
    std::memset(entry, 0, sizeof entry);
    std::strcpy(entry, "$GP");  // shorter than the prefix
    EXPECT_TRUE(gpsEntryText(entry, sizeof entry).empty());
}

}  // namespace
}  // namespace moksel
