// The GPX reader and writer on their own: what a file with waypoints, routes and tracks yields,
// which faults refuse a file and where they are reported, and the exact bytes written.
#include "exchange/gpxfile.h"

#include "strings/stringtable.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace korvel {
namespace {

bool Read(const QByteArray& bytes, GpxContent* content, GpxReadError* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadGpx(buffer, content, error);
}

QByteArray Written(const GpxContent& content)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteGpx(buffer, content, QStringLiteral("Korvel 9.9")));
    return buffer.data();
}

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<gpx version=\"1.1\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";

TEST(GpxReadTest, WaypointsRoutesAndTracksInFileOrder)
{
    const QByteArray file = kHeader +
        " <metadata><name>Feldbegehung</name><bounds minlat=\"1\" minlon=\"2\" maxlat=\"3\" maxlon=\"4\"/></metadata>\n"
        " <wpt lat=\"52.518611\" lon=\"13.376111\">\n"
        "  <ele> 34.5 </ele><time>2026-12-09T05:00:00Z</time><name>Grenzstein &amp; Pfahl</name>"
        "<cmt>x</cmt><desc>S\xc3\xbc" "dost</desc><sym>Flag</sym>\n"
        " </wpt>\n"
        " <wpt lat=\"-33.5\" lon=\"-70.25\"/>\n"
        " <rte><name>Zufahrt</name><rtept lat=\"52.0\" lon=\"13.0\"><name>A</name></rtept>"
        "<rtept lat=\"52.1\" lon=\"+13.1\"/></rte>\n"
        " <trk><name>Runde 1</name><desc>Morgens</desc>\n"
        "  <trkseg><trkpt lat=\"52\" lon=\"13\"><ele>1</ele><time>2026-12-09T05:00:00Z</time></trkpt>"
        "<trkpt lat=\".5\" lon=\"-0.25\"/></trkseg>\n"
        "  <trkseg/>\n"
        "  <trkseg><trkpt lat=\"90\" lon=\"180\"/></trkseg>\n"
        " </trk>\n"
        " <trk><type>Fl\xc3\xa4" "che</type><trkseg><trkpt lat=\"-90\" lon=\"-180\"/></trkseg></trk>\n"
        "</gpx>\n";
    GpxContent c;
    GpxReadError e;
    ASSERT_TRUE(Read(file, &c, &e)) << int(e.fault) << " " << e.line << ":" << e.column;
    EXPECT_EQ(e.fault, GpxFault::None);

    ASSERT_EQ(c.waypoints.size(), 2u);
    const GpxWaypoint& w = c.waypoints[0];
    EXPECT_EQ(w.pos, (WorldPoint{13.376111, 52.518611}));
    EXPECT_EQ(w.name, QStringLiteral("Grenzstein & Pfahl"));
    EXPECT_EQ(w.ele, QStringLiteral("34.5"));
    EXPECT_EQ(w.time, QStringLiteral("2026-12-09T05:00:00Z"));
    EXPECT_EQ(w.desc, QString::fromUtf8("Südost"));
    const GpxWaypoint& bare = c.waypoints[1];
    EXPECT_EQ(bare.pos, (WorldPoint{-70.25, -33.5}));
    EXPECT_FALSE(bare.name || bare.ele || bare.time || bare.desc);

    ASSERT_EQ(c.paths.size(), 3u);
    EXPECT_TRUE(c.paths[0].route);
    EXPECT_EQ(c.paths[0].name, QStringLiteral("Zufahrt"));
    ASSERT_EQ(c.paths[0].segments.size(), 1u);
    EXPECT_EQ(c.paths[0].segments[0], (std::vector<WorldPoint>{{13.0, 52.0}, {13.1, 52.1}}));

    const GpxPath& track = c.paths[1];
    EXPECT_FALSE(track.route);
    EXPECT_EQ(track.name, QStringLiteral("Runde 1"));
    EXPECT_EQ(track.desc, QStringLiteral("Morgens"));
    EXPECT_FALSE(track.type);
    ASSERT_EQ(track.segments.size(), 3u);  // the empty one is kept; the import drops it
    EXPECT_EQ(track.segments[0], (std::vector<WorldPoint>{{13.0, 52.0}, {-0.25, 0.5}}));
    EXPECT_TRUE(track.segments[1].empty());
    EXPECT_EQ(track.segments[2], (std::vector<WorldPoint>{{180.0, 90.0}}));

    EXPECT_EQ(c.paths[2].type, QString::fromUtf8("Fläche"));
    EXPECT_FALSE(c.paths[2].name);
}

TEST(GpxReadTest, OtherVersionsExtensionsAndForeignElementsArePassedOver)
{
    // GPX 1.0 without a declaration, extensions of other programs (holding point-like names),
    // comments and processing instructions.
    const QByteArray file =
        "<!-- exported -->\n"
        "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\" xmlns:x=\"urn:x\">\n"
        " <time>2002-02-27T17:18:33Z</time><x:trkpt lat=\"1\" lon=\"1\"/>\n"
        " <wpt lat=\"1\" lon=\"2\"><name><![CDATA[<Eiche>]]></name><extensions><x:wpt/></extensions></wpt>\n"
        " <?app hint?>\n"
        " <trk><extensions><trkpt lat=\"99\" lon=\"0\"/></extensions><trkseg>"
        "<trkpt lat=\"3\" lon=\"4\"><speed>2</speed><x:trkpt/></trkpt></trkseg></trk>\n"
        " <extensions><anything><trk/></anything></extensions>\n"
        "</gpx>";
    GpxContent c;
    GpxReadError e;
    ASSERT_TRUE(Read(file, &c, &e)) << int(e.fault) << " " << e.line << ":" << e.column;
    ASSERT_EQ(c.waypoints.size(), 1u);
    EXPECT_EQ(c.waypoints[0].name, QStringLiteral("<Eiche>"));
    ASSERT_EQ(c.paths.size(), 1u);
    ASSERT_EQ(c.paths[0].segments.size(), 1u);
    EXPECT_EQ(c.paths[0].segments[0], (std::vector<WorldPoint>{{4.0, 3.0}}));
}

struct Refusal {
    const char* what;
    QByteArray bytes;
    GpxFault fault;
    int64_t line;
    int64_t column;
    const char* detail;
};

TEST(GpxReadTest, DamagedFilesAreRefusedWholeWithThePlaceOfTheFirstFault)
{
    const QByteArray wpt = " <wpt lat=\"52.5\" lon=\"13.4\"><name>vorher</name></wpt>\n";  // line 3
    const Refusal cases[] = {
        {"truncated", kHeader + wpt + " <trk><trkseg><trkpt lat=\"52.5\" lo", GpxFault::Truncated, 4, 35, ""},
        {"empty file", "", GpxFault::Truncated, 1, 1, ""},
        {"wrong nesting", kHeader + wpt + " <trk><trkseg></trk></trkseg>\n</gpx>", GpxFault::NotWellFormed, 4, 21, ""},
        {"text after the root", kHeader + wpt + "</gpx>\n<gpx/>", GpxFault::NotWellFormed, 5, 7, ""},
        {"comma as decimal point", kHeader + wpt + " <wpt lat=\"52,5\" lon=\"13.4\"/>\n</gpx>", GpxFault::BadNumber, 4, 2,
         "52,5"},
        {"exponent", kHeader + wpt + " <wpt lat=\"5e1\" lon=\"13.4\"/>\n</gpx>", GpxFault::BadNumber, 4, 2, "5e1"},
        {"not a number", kHeader + wpt + " <trk><trkseg>\n<trkpt lat=\"1\" lon=\"NaN\"/></trkseg></trk></gpx>",
         GpxFault::BadNumber, 5, 1, "NaN"},
        {"empty number", kHeader + wpt + " <rte><rtept lat=\"\" lon=\"1\"/></rte></gpx>", GpxFault::BadNumber, 4, 7, ""},
        {"elevation", kHeader + wpt + " <wpt lat=\"1\" lon=\"1\">\n  <ele>hoch</ele></wpt></gpx>", GpxFault::BadNumber, 5,
         3, "hoch"},
        {"latitude 95", kHeader + wpt + " <wpt lat=\"95\" lon=\"13.4\"/>\n</gpx>", GpxFault::LatitudeRange, 4, 2, "95"},
        {"longitude -180.5", kHeader + wpt + " <wpt lat=\"5\" lon=\" -180.5 \"/>\n</gpx>", GpxFault::LongitudeRange, 4,
         2, "-180.5"},
        {"missing longitude", kHeader + wpt + " <wpt lat=\"5\"/>\n</gpx>", GpxFault::MissingCoordinate, 4, 2, "lon"},
        {"point outside a segment", kHeader + wpt + " <trk><trkpt lat=\"1\" lon=\"1\"/></trk>\n</gpx>",
         GpxFault::Misplaced, 4, 7, "trkpt"},
        {"waypoint inside a track", kHeader + wpt + " <trk><trkseg><wpt lat=\"1\" lon=\"1\"/></trkseg></trk></gpx>",
         GpxFault::Misplaced, 4, 15, "wpt"},
        {"element in a name", kHeader + wpt + " <wpt lat=\"1\" lon=\"1\"><name>a<b/></name></wpt></gpx>",
         GpxFault::TextInName, 4, 34, ""},
        {"not gpx", "<?xml version=\"1.0\"?>\n<kml><wpt lat=\"1\" lon=\"1\"/></kml>", GpxFault::NotGpx, 2, 6, "kml"},
        {"undeclared entity", kHeader + wpt + " <wpt lat=\"1\" lon=\"1\"><name>&ent;</name></wpt></gpx>",
         GpxFault::NotWellFormed, 4, 34, ""},
        {"external entity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n <!ENTITY xxe SYSTEM \"file:///etc/passwd\">\n]>\n"
         "<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"1\"><name>&xxe;</name></wpt></gpx>",
         GpxFault::Doctype, 4, 3, ""},
        {"entity bomb",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n"
         "<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"1\"><name>&d;&d;&d;&d;&d;&d;</name></wpt></gpx>",
         GpxFault::Doctype, 2, 156, ""},
        // Broken UTF-8 is reported at the bad bytes (the XML reader notices it where it
        // decodes, ahead of where it parses) ...
        {"bytes that are not UTF-8", kHeader + " <wpt lat=\"1\" lon=\"1\"><name>F\xfc\xdf" "e</name></wpt></gpx>",
         GpxFault::Encoding, 3, 30, ""},
        {"Latin-1 without a declaration", "<gpx>\n <wpt lat=\"1\" lon=\"1\"><name>M\xfchle</name></wpt></gpx>",
         GpxFault::Encoding, 2, 30, ""},
        // ... unless an earlier fault comes first.
        {"fault before bad bytes", kHeader + " <wpt lat=\"91\" lon=\"1\"/>\n <wpt lat=\"1\" lon=\"1\"><name>\xfc</name></wpt></gpx>",
         GpxFault::LatitudeRange, 3, 2, "91"},
        {"cut inside a character", kHeader + " <wpt lat=\"1\" lon=\"1\"><name>\xc3", GpxFault::Truncated, 3, 29, ""},
    };
    for (const Refusal& c : cases) {
        GpxContent content;
        content.waypoints.emplace_back();  // whatever was there is cleared
        GpxReadError e;
        EXPECT_FALSE(Read(c.bytes, &content, &e)) << c.what;
        EXPECT_EQ(e.fault, c.fault) << c.what;
        EXPECT_EQ(e.line, c.line) << c.what;
        EXPECT_EQ(e.column, c.column) << c.what;
        EXPECT_EQ(e.detail, QString::fromLatin1(c.detail)) << c.what;
        EXPECT_TRUE(content.IsEmpty()) << c.what;
        // Every fault has its German reason.
        EXPECT_TRUE(HasString(static_cast<int>(c.fault))) << c.what;
    }
}

TEST(GpxWriteTest, WritesGpx11WithNineDecimalsInSchemaOrder)
{
    GpxContent c;
    GpxWaypoint w;
    w.pos = {13.376111, 52.518611};
    w.name = QStringLiteral("A & <B> \"C\"");
    w.ele = QStringLiteral("34.5");
    w.time = QStringLiteral("2026-12-09T05:00:00Z");
    w.desc = QString::fromUtf8("Südost");
    c.waypoints.push_back(w);
    GpxWaypoint negative;
    negative.pos = {-0.0, -1e-10};  // no "-0.000000000"
    c.waypoints.push_back(negative);
    GpxPath area;
    area.type = QString::fromUtf8("Fläche");
    area.segments = {{{1, 2}, {3, 4}, {1, 2}}};
    c.paths.push_back(area);
    GpxPath route;
    route.route = true;
    route.name = QStringLiteral("R");
    route.segments = {{{5, 6}}};
    c.paths.push_back(route);

    const QByteArray expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"Korvel 9.9\">\n"
        " <wpt lat=\"52.518611000\" lon=\"13.376111000\">\n"
        "  <ele>34.5</ele>\n"
        "  <time>2026-12-09T05:00:00Z</time>\n"
        "  <name>A &amp; &lt;B&gt; &quot;C&quot;</name>\n"
        "  <desc>S\xc3\xbc" "dost</desc>\n"
        " </wpt>\n"
        " <wpt lat=\"0.000000000\" lon=\"0.000000000\"/>\n"
        " <rte>\n"
        "  <name>R</name>\n"
        "  <rtept lat=\"6.000000000\" lon=\"5.000000000\"/>\n"
        " </rte>\n"
        " <trk>\n"
        "  <type>Fl\xc3\xa4" "che</type>\n"
        "  <trkseg>\n"
        "   <trkpt lat=\"2.000000000\" lon=\"1.000000000\"/>\n"
        "   <trkpt lat=\"4.000000000\" lon=\"3.000000000\"/>\n"
        "   <trkpt lat=\"2.000000000\" lon=\"1.000000000\"/>\n"
        "  </trkseg>\n"
        " </trk>\n"
        "</gpx>\n";
    const QByteArray bytes = Written(c);
    EXPECT_EQ(bytes, expected) << bytes.toStdString();

    // And it reads back as it was (the route now after the waypoints, as written).
    GpxContent back;
    ASSERT_TRUE(Read(bytes, &back, nullptr));
    ASSERT_EQ(back.waypoints.size(), 2u);
    EXPECT_EQ(back.waypoints[0].name, w.name);
    EXPECT_EQ(back.waypoints[0].desc, w.desc);
    ASSERT_EQ(back.paths.size(), 2u);
    EXPECT_TRUE(back.paths[0].route);
    EXPECT_EQ(back.paths[1].segments, area.segments);
}

}  // namespace
}  // namespace korvel
