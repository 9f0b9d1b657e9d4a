#include "crs/transform.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace korvel {
namespace {

using test::RunCli;

QByteArray Format(const WorldPoint& p)
{
    char line[80];
    std::snprintf(line, sizeof line, "%.17g %.17g\n", p.x, p.y);
    return QByteArray(line);
}

QByteArray Expected(int32_t from, int32_t to, std::initializer_list<WorldPoint> points)
{
    CoordTransform t{1, from, to};
    QByteArray out;
    for (WorldPoint p : points) {
        EXPECT_TRUE(TransformPoint(&p, &t));
        out += Format(p);
    }
    return out;
}

TEST(CliTransform, ConvertsLineByLine)
{
    const auto r = RunCli({"transform", "--from", "4326", "--to", "25832"}, "9 50\n13.4 52.5\n10.25 48.125\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QByteArray());
    EXPECT_EQ(r.out, Expected(4326, 25832, {{9, 50}, {13.4, 52.5}, {10.25, 48.125}}));
    EXPECT_TRUE(r.out.startsWith("32500000 5538630.70"));
}

TEST(CliTransform, AcceptsBlanksTabsCrLfPlusSignsAndAMissingLastNewline)
{
    const auto r = RunCli({"transform", "--from=900913", "--to=4326"},
                          "  1001875.417139\t6446275.841017  \r\n+0 -0\r\n-55659.745396637 1e-3");
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, Expected(900913, 4326, {{1001875.417139, 6446275.841017}, {0, -0.0}, {-55659.745396637, 1e-3}}));
}

TEST(CliTransform, AutomaticZoneStaysWithTheFirstPoint)
{
    const auto r = RunCli({"transform", "--from", "4326", "--to", "-3"}, "13.4 52.5\n9 50\n");
    EXPECT_EQ(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("33")) << lines[0].constData();
    EXPECT_TRUE(lines[1].startsWith("33")) << lines[1].constData();  // not 32: the zone is kept
    EXPECT_EQ(r.out, Expected(4326, 25833, {{13.4, 52.5}, {9, 50}}));
}

TEST(CliTransform, BadLinesAreReportedAndSkipped)
{
    const auto r = RunCli({"transform", "--from", "4326", "--to", "31467"},
                          "9 50\nfoo\n1 2 3\n\n9,5 50\n1e 2\n++1 2\n8.5 49.5");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, Expected(4326, 31467, {{9, 50}, {8.5, 49.5}}));
    for (int line = 2; line <= 7; ++line) {
        EXPECT_TRUE(r.err.contains(QByteArray("Zeile ") + QByteArray::number(line) + ':')) << line;
    }
    EXPECT_FALSE(r.err.contains("Zeile 1:"));
    EXPECT_FALSE(r.err.contains("Zeile 8:"));
}

TEST(CliTransform, UnconvertiblePointsArePrintedUnchanged)
{
    const auto r = RunCli({"transform", "--from", "25832", "--to", "4326"}, "1e300 5000000\nnan 1\n32500000 5538630.7\n");
    EXPECT_EQ(r.exitCode, 1);
    WorldPoint good{32500000, 5538630.7};
    CoordTransform t{1, 25832, 4326};
    ASSERT_TRUE(TransformPoint(&good, &t));
    EXPECT_EQ(r.out, "1.0000000000000001e+300 5000000\nnan 1\n" + Format(good));
    EXPECT_TRUE(r.err.contains("Zeile 1:"));
    EXPECT_TRUE(r.err.contains("Zeile 2:"));
    EXPECT_FALSE(r.err.contains("Zeile 3:"));
}

TEST(CliTransform, AnOverlongLineIsOneBadLine)
{
    QByteArray input(3 << 20, '7');  // longer than the input block, no line end
    input += "\n9 50\n";
    const auto r = RunCli({"transform", "--from", "4326", "--to", "900913"}, input);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, Expected(4326, 900913, {{9, 50}}));
    EXPECT_TRUE(r.err.contains("Zeile 1:"));
    EXPECT_FALSE(r.err.contains("Zeile 2:"));
    EXPECT_EQ(r.err.count("Zeile"), 1);
}

// Equal systems, the local one included, pass the points through as they are.
TEST(CliTransform, EqualSystemsPrintThePointsUnchanged)
{
    for (const char* system : {"0", "4326", "31467", "-3"}) {
        SCOPED_TRACE(system);
        const auto r = RunCli({"transform", "--from", system, "--to", system}, "3500000.25 5500000.5\n-1 2\n");
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(r.out, "3500000.25 5500000.5\n-1 2\n");
        EXPECT_TRUE(r.err.isEmpty());
    }
}

TEST(CliTransform, EmptyInputIsFine)
{
    const auto r = RunCli({"transform", "--from", "4326", "--to", "25833"}, QByteArray());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(CliTransform, UsageErrors)
{
    const QList<QStringList> bad = {
        {"transform"},
        {"transform", "--from", "4326"},
        {"transform", "--to", "4326"},
        {"transform", "--from", "0", "--to", "4326"},       // local: never converted
        {"transform", "--from", "31467", "--to", "0"},
        {"transform", "--from", "4326", "--to", "25861"},   // no such UTM zone
        {"transform", "--from", "abc", "--to", "4326"},
        {"transform", "--from", "4326", "--to", "900913", "--via", "1"},
        {"transform", "--from", "4326", "--to"},
    };
    for (const QStringList& args : bad) {
        const auto r = RunCli(args, "9 50\n");
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("Aufruf: korvel-cli transform")) << args.join(' ').toStdString();
    }
}

TEST(CliTransform, AFullDiskIsAnError)
{
    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(KORVEL_CLI_PATH), {"transform", "--from", "4326", "--to", "25832"});
    ASSERT_TRUE(p.waitForStarted());
    p.write("9 50\n13.4 52.5\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("Fehler beim Schreiben"));
}

// With from == to every number goes straight through the formatter; it must write exactly
// what printf's "%.17g" writes, over all magnitudes and across input block boundaries.
TEST(CliTransform, PrintsLikePrintf)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> exponent(-14.0, 20.0);
    QByteArray input;
    QByteArray expected;
    std::vector<double> values = {0.0,     -0.0,   1e-9,  1e17,  9999999999999999.0, 99999999999999999.0,
                                  0.1,     0.5,    1e-4,  1e-5,  32500000.0,         -180.0,
                                  5e-324,  1e308,  std::numeric_limits<double>::infinity()};
    for (int i = 0; i < 100000; ++i) {
        const double v = std::pow(10.0, exponent(rng));
        values.push_back((rng() & 1) ? v : -v);
        values.push_back(std::nextafter(std::round(v), 0.0));
    }
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        char line[96];
        std::snprintf(line, sizeof line, "%.25g %.25g\n", values[i], values[i + 1]);
        input += line;
        expected += Format(WorldPoint{values[i], values[i + 1]});
    }
    const auto r = RunCli({"transform", "--from", "31467", "--to", "31467"}, input);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.size(), expected.size());
    EXPECT_TRUE(r.out == expected);
}

}  // namespace
}  // namespace korvel
