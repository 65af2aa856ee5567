// The simulated drive and its GPS sentences.
#include "gps_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace moksel::gen {
namespace {

std::vector<std::string> fields(const std::string& sentence) {
    std::vector<std::string> out;
    const std::string body = sentence.substr(1, sentence.find('*') - 1);
    size_t start = 0;
    for (;;) {
        const size_t comma = body.find(',', start);
        out.push_back(body.substr(start, comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}

// ddmm.mmmm / dddmm.mmmm to degrees.
double degrees(const std::string& field, int degreeDigits) {
    return std::stod(field.substr(0, degreeDigits)) + std::stod(field.substr(degreeDigits)) / 60;
}

TEST(GpsTrack, SentencesAreWellFormedAndMatchTheTrack) {
    TrackOptions o;
    o.frames = 80 * 30;  // a whole drive script
    o.gps = GpsMode::AllFix;
    o.driveOffsetS = 0;
    const auto track = makeTrack(o);
    ASSERT_EQ(track.size(), size_t(o.frames));
    for (size_t i = 0; i < track.size(); i += 7) {
        const TrackPoint& p = track[i];
        SCOPED_TRACE(p.sentence);
        ASSERT_TRUE(nmeaChecksumValid(p.sentence));
        ASSERT_LT(p.sentence.size(), 128u);
        const auto f = fields(p.sentence);
        ASSERT_EQ(f.size(), 13u);
        EXPECT_EQ(f[0], "GPRMC");
        EXPECT_EQ(f[1].size(), 9u);  // hhmmss.ss
        EXPECT_EQ(f[2], "A");
        EXPECT_EQ(f[3].size(), 9u);   // ddmm.mmmm
        EXPECT_EQ(f[5].size(), 10u);  // dddmm.mmmm
        EXPECT_EQ(f[4], "N");
        EXPECT_EQ(f[6], "E");
        EXPECT_NEAR(degrees(f[3], 2), p.latitudeDeg, 1e-9);
        EXPECT_NEAR(degrees(f[5], 3), p.longitudeDeg, 1e-9);
        EXPECT_NEAR(std::stod(f[7]), p.speedKnots, 1e-9);
        EXPECT_NEAR(std::stod(f[8]), p.headingDeg, 1e-9);
        EXPECT_EQ(f[9], "010312");
        EXPECT_EQ(f[12], "A");
        EXPECT_EQ(p.timeMs, frameTimeMs(int(i), 30));
    }
    EXPECT_EQ(fields(track[0].sentence)[1], "081500.00");
    EXPECT_EQ(fields(track[31].sentence)[1], "081501.03");
}

TEST(GpsTrack, TheDriveStopsTurnsAndReachesHighwaySpeed) {
    TrackOptions o;
    o.frames = 80 * 30;
    o.gps = GpsMode::AllFix;
    o.driveOffsetS = 0;
    const auto track = makeTrack(o);
    double fastest = 0, turned = 0;
    int stoppedFrames = 0;
    for (size_t i = 0; i < track.size(); ++i) {
        fastest = std::max(fastest, track[i].speedKmh);
        EXPECT_LE(track[i].speedKmh, 120.01);
        stoppedFrames += track[i].speedKmh == 0;
        if (i) {
            double d = std::fabs(track[i].headingDeg - track[i - 1].headingDeg);
            turned += std::min(d, 360 - d);
            // Positions move by at most what the speed allows (120 km/h = 1.1 m per frame).
            const double dLat = (track[i].latitudeDeg - track[i - 1].latitudeDeg) * 111320;
            EXPECT_LT(std::fabs(dLat), 1.2);
        }
    }
    EXPECT_GT(fastest, 115);
    EXPECT_GT(stoppedFrames, 3 * 30);
    EXPECT_GT(turned, 180);

    o.kind = DriveKind::Parked;
    const auto parked = makeTrack(o);
    for (const TrackPoint& p : parked) {
        EXPECT_EQ(p.speedKmh, 0);
        EXPECT_EQ(p.latitudeDeg, parked[0].latitudeDeg);
        EXPECT_EQ(p.travelledM, 0);
    }
}

TEST(GpsTrack, HemispheresSetLettersAndSigns) {
    TrackOptions o;
    o.frames = 30;
    o.gps = GpsMode::AllFix;
    o.northSouth = 'S';
    o.eastWest = 'W';
    o.startLatitudeDeg = 33.8688;
    o.startLongitudeDeg = 70.6693;
    for (const TrackPoint& p : makeTrack(o)) {
        const auto f = fields(p.sentence);
        EXPECT_EQ(f[4], "S");
        EXPECT_EQ(f[6], "W");
        EXPECT_NEAR(p.latitudeDeg, -33.8688, 0.01);
        EXPECT_NEAR(p.longitudeDeg, -70.6693, 0.01);
        EXPECT_NEAR(degrees(f[3], 2), -p.latitudeDeg, 1e-9);
    }
}

TEST(GpsTrack, ModesWithoutFixes) {
    TrackOptions o;
    o.frames = 200;
    o.gps = GpsMode::Mixed;
    auto track = makeTrack(o);
    int empty = 0, voids = 0, fixes = 0;
    for (const TrackPoint& p : track) {
        if (!p.hasSentence) {
            ++empty;
            EXPECT_TRUE(p.sentence.empty());
        } else if (!p.fix) {
            ++voids;
            EXPECT_EQ(fields(p.sentence)[2], "V");
            EXPECT_EQ(fields(p.sentence)[3], "");
            EXPECT_TRUE(nmeaChecksumValid(p.sentence));
            EXPECT_EQ(p.latitudeDeg, 0);
        } else {
            ++fixes;
        }
    }
    EXPECT_FALSE(track[0].hasSentence);
    EXPECT_GT(empty, 0);
    EXPECT_GT(voids, 0);
    EXPECT_GT(fixes, 150);

    o.gps = GpsMode::NoData;
    for (const TrackPoint& p : makeTrack(o)) EXPECT_FALSE(p.hasSentence);
    o.gps = GpsMode::Void;
    for (const TrackPoint& p : makeTrack(o)) EXPECT_TRUE(p.hasSentence && !p.fix);
}

TEST(GpsTrack, ShockAndGravity) {
    TrackOptions o;
    o.frames = 300;
    o.shockFrame = 120;
    const auto track = makeTrack(o);
    for (size_t i = 0; i < track.size(); ++i) {
        const TrackPoint& p = track[i];
        EXPECT_EQ(p.event, i == 120);
        const double g = std::sqrt(p.accelX * p.accelX + p.accelY * p.accelY + p.accelZ * p.accelZ);
        if (i == 120) {
            EXPECT_GT(g, 2.5);
        } else if (i < 120 || i >= 128) {
            EXPECT_NEAR(p.accelZ, 1.0, 0.1);
            EXPECT_LT(std::fabs(p.accelX), 0.8);
            EXPECT_LT(std::fabs(p.accelY), 0.8);
        }
    }
    o.shockFrame = -1;
    for (const TrackPoint& p : makeTrack(o)) EXPECT_FALSE(p.event);
}

TEST(GpsTrack, ChecksumsAndTimeArithmetic) {
    const std::string s =
        formatRmc({2012, 3, 1, 8, 15, 0}, 50, true, 37.408333333, 127.01, 10.0, 90.5);
    EXPECT_EQ(s.substr(0, s.size() - 2),
              "$GPRMC,081500.50,A,3724.5000,N,12700.6000,E,10.000,90.50,010312,,,A*");
    EXPECT_TRUE(nmeaChecksumValid(s));
    std::string tampered = s;
    tampered[20] = '5';
    EXPECT_FALSE(nmeaChecksumValid(tampered));
    EXPECT_FALSE(nmeaChecksumValid("$GPRMC,1,2"));
    // The textbook example sentence.
    EXPECT_TRUE(
        nmeaChecksumValid("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));

    const DateTime t = addSeconds({2012, 12, 31, 23, 59, 59}, 1);
    EXPECT_EQ(t.year, 2013);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    const DateTime back = addSeconds({2012, 3, 1, 8, 15, 0}, -9 * 3600);
    EXPECT_EQ(back.month, 2);
    EXPECT_EQ(back.day, 29);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(frameTimeMs(1, 30), 33);
    EXPECT_EQ(frameTimeMs(2, 30), 67);
    EXPECT_EQ(frameTimeMs(30, 30), 1000);
}

}  // namespace
}  // namespace moksel::gen
