#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace korvel {
namespace {

const QString kSample = QStringLiteral(KORVEL_TESTDATA_DIR "/nmea/sample.nmea");

QList<QJsonObject> JsonLines(const QByteArray& out)
{
    QList<QJsonObject> objects;
    for (const QByteArray& line : out.split('\n')) {
        if (line.isEmpty()) continue;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        objects.append(doc.object());
    }
    return objects;
}

TEST(CliNmea, PrintsTheRecordAfterEveryDispatchedSentence)
{
    qputenv("TZ", "UTC");
    const auto r = test::RunCli({QStringLiteral("nmea"), kSample});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> lines = JsonLines(r.out);
    QStringList sentences;
    for (const QJsonObject& o : lines) sentences << o[QLatin1String("sentence")].toString();
    // GLL, the GN talker and the garbage line print nothing; the short GGA at the end does.
    EXPECT_EQ(sentences, (QStringList{"$GPRMC", "$GPGGA", "$GPGSV", "$GPGSV", "$GPGSA", "$GPGGA", "$GPRMC", "$GPGGA"}));
    ASSERT_EQ(lines.size(), 8);

    const QJsonObject rmc = lines[0];
    EXPECT_TRUE(rmc[QLatin1String("checksumOk")].toBool());
    EXPECT_EQ(rmc[QLatin1String("quality")].toInt(), 1);
    EXPECT_NEAR(rmc[QLatin1String("latitude")].toDouble(), 50.001666666666667, 1e-9);
    EXPECT_NEAR(rmc[QLatin1String("longitude")].toDouble(), 9.0033333333333333, 1e-9);
    EXPECT_EQ(rmc[QLatin1String("fixTime")].toInteger(), 1796717700);  // 2026-12-08 08:15:00 UTC
    EXPECT_EQ(rmc[QLatin1String("speedKnots")].toDouble(), 2.5);
    EXPECT_EQ(rmc[QLatin1String("course")].toDouble(), 45.0);
    EXPECT_EQ(rmc[QLatin1String("satellites")].toArray().size(), 16);

    const QJsonObject gsa = lines[4];
    const QJsonArray sats = gsa[QLatin1String("satellites")].toArray();
    ASSERT_EQ(sats.size(), 16);
    const QJsonObject s6 = sats[6].toObject();
    EXPECT_EQ(s6[QLatin1String("prn")].toInt(), 29);
    EXPECT_EQ(s6[QLatin1String("elevation")].toInt(), 5);
    EXPECT_EQ(s6[QLatin1String("azimuth")].toInt(), 330);
    EXPECT_EQ(s6[QLatin1String("snr")].toInt(), 0);
    EXPECT_EQ(s6[QLatin1String("used")].toInt(), 0);
    EXPECT_EQ(sats[4].toObject()[QLatin1String("used")].toInt(), 1);  // PRN 24
    EXPECT_EQ(sats[7].toObject()[QLatin1String("prn")].toInt(), 0);

    const QJsonObject badChecksum = lines[5];
    EXPECT_FALSE(badChecksum[QLatin1String("checksumOk")].toBool());
    EXPECT_DOUBLE_EQ(badChecksum[QLatin1String("altitude")].toDouble(), 152.4);
    EXPECT_EQ(badChecksum[QLatin1String("fixTime")].toInteger() % 86400, 8 * 3600 + 15 * 60 + 1);
    EXPECT_EQ(lines[6][QLatin1String("quality")].toInt(), 0);  // RMC with status V
}

// The read size changes when a line is handled, never what is handled.
TEST(CliNmea, ReadSizeDoesNotChangeTheResult)
{
    qputenv("TZ", "UTC");
    const auto reference = test::RunCli({QStringLiteral("nmea"), kSample});
    ASSERT_EQ(reference.exitCode, 0);
    for (const char* chunk : {"1", "7", "512", "100000"}) {
        const auto r = test::RunCli({QStringLiteral("nmea"), kSample, QStringLiteral("--chunk"), QLatin1String(chunk)});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, reference.out) << chunk;
    }
    const auto all = test::RunCli({QStringLiteral("nmea"), kSample, QStringLiteral("--all-talkers")});
    EXPECT_EQ(JsonLines(all.out).size(), 9) << "the $GNGGA line is read as well";
}

TEST(CliNmea, LongLinesAreDiscardedWithTheBuffer)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.nmea"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // A 600-byte line never fits; the buffer is dropped at 512 and the rest has no '$'.
    f.write("$GPGGA," + QByteArray(593, '1') + "\r\n");
    f.write("$GPGSA,A,3,04,05,,,,,,,,,,,1.8,1.0,1.5*3A\r\n");
    f.close();
    const auto r = test::RunCli({QStringLiteral("nmea"), path, QStringLiteral("--chunk"), QStringLiteral("512")});
    ASSERT_EQ(r.exitCode, 0);
    const QList<QJsonObject> lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][QLatin1String("sentence")].toString(), QStringLiteral("$GPGSA"));
}

TEST(CliNmea, BadArguments)
{
    EXPECT_EQ(test::RunCli({QStringLiteral("nmea")}).exitCode, 2);
    EXPECT_EQ(test::RunCli({QStringLiteral("nmea"), kSample, QStringLiteral("--chunk"), QStringLiteral("0")}).exitCode, 2);
    EXPECT_EQ(test::RunCli({QStringLiteral("nmea"), kSample, QStringLiteral("--chunk")}).exitCode, 2);
    const auto missing = test::RunCli({QStringLiteral("nmea"), QStringLiteral("/nonexistent/x.nmea")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("kann nicht gelesen werden"));
}

}  // namespace
}  // namespace korvel
