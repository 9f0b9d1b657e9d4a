// The quick GPX reader against the complete one (QXmlStreamReader): every file the quick reader
// takes must give the complete reader's records; faults and the XML it does not know must be
// left to the complete reader.
#include "exchange/gpxreaders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <string>

namespace korvel {
namespace {

// Whether the quick reader takes `bytes`; when it does, the complete reader must read them
// too, to the same records (a difference is written to `why`).
bool QuickTakes(const QByteArray& bytes, std::string* why)
{
    GpxContent quick;
    if (!gpx::ReadQuick(std::string_view(bytes.constData(), size_t(bytes.size())), &quick)) return false;
    GpxContent complete;
    GpxReadError error;
    if (!gpx::ReadComplete(bytes, &complete, &error))
        *why = "the complete reader refuses it at " + std::to_string(error.line) + ":" +
               std::to_string(error.column);
    else if (!(quick == complete))
        *why = "the records differ";
    return true;
}

const QByteArray kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";

struct Row {
    const char* what;
    QByteArray bytes;
    bool quick;  // the quick reader takes it
};

const Row kRows[] = {
    {"as programs write it",
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
     "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" "
     "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
     "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\" version=\"1.1\" creator=\"A "
     "&amp; B\" "
     "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n"
     " <metadata><name>Begehung</name><time>2026-12-09T05:00:00Z</time></metadata>\n"
     " <wpt lat=\"52.518611\" lon=\"13.376111\"><ele>34.5</ele><time>2026-12-09T05:00:00Z</time>"
     "<name>Grenzstein</name><desc>S\xc3\xbc"
     "dost</desc><sym>Flag</sym></wpt>\n"
     " <rte><name>Zufahrt</name><rtept lat=\"52.0\" lon=\"13.0\"/><rtept lat=\"52.1\" "
     "lon=\"13.1\"></rtept></rte>\n"
     " <trk><name>Runde</name><type>Fl\xc3\xa4"
     "che</type><trkseg>\n"
     "  <trkpt lat=\"52.5\" lon=\"13.4\"><ele>1</ele><extensions><gpxtpx:TrackPointExtension>"
     "<gpxtpx:hr>120</gpxtpx:hr></gpxtpx:TrackPointExtension></extensions></trkpt>\n"
     "  <trkpt lat='-90' lon='180'/>\n </trkseg><trkseg/></trk>\n"
     "</gpx>\n",
     true},
    {"byte-order mark, no declaration, GPX 1.0, CR LF line ends between elements",
     "\xef\xbb\xbf<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">\r\n"
     " <wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\r\n</gpx>\r\n",
     true},
    {"byte-order mark and declaration", "\xef\xbb\xbf" + kHeader + "<wpt lat=\"1\" lon=\"2\"/></gpx>", true},
    {"declaration in single quotes with spaces",
     "<?xml version = '1.0' encoding = 'utf-8' standalone='yes'?><gpx><wpt lat=\"1\" lon=\"2\"/></gpx>",
     true},
    {"references, CDATA, comments and instructions inside texts",
     kHeader + " <wpt lat=\"1\" lon=\"2\"><name>&lt;A&gt; &amp; &quot;B&quot; &apos;C&apos; "
               "&#228;&#xF6;&#x1F600;</name>"
               "<desc><![CDATA[<x> & y]]> und<!-- c --> mehr<?app x?></desc></wpt>\n</gpx>",
     true},
    {"white space around numbers and texts, also beyond ASCII",
     kHeader + " <wpt lat=\" 52.5\n\" lon=\"\t+.5 \"><ele> 12 </ele><name>\xc2\xa0Linde\xe2\x80\x83</name>"
               "<desc>\n </desc><time/></wpt>\n</gpx>",
     true},
    {"a byte-order mark inside a text is a character",
     kHeader + "<wpt lat=\"1\" lon=\"2\"><name>\xef\xbb\xbfX</name></wpt></gpx>", true},
    {"GPX under a prefix, other namespaces passed over whatever they hold",
     "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:wpt lat=\"1\" lon=\"2\"/>"
     "<wpt xmlns=\"urn:other\" lat=\"x\"><trkpt/></wpt><g:trk><g:trkseg><g:trkpt lat=\"3\" lon=\"4\"/>"
     "<x:trkpt xmlns:x=\"urn:x\"/></g:trkseg></g:trk></g:gpx>",
     true},
    {"comments and instructions around the root", "<!-- a -->\n<?app b?>\n<gpx/>\n<!---->\n<?app?>\n", true},
    {"text beside elements is passed over",
     kHeader + "Text <rte>mehr<rtept lat=\"1\" lon=\"1\">]</rtept></rte>\n</gpx>", true},

    // Well-formed, but left to the complete reader.
    {"Latin-1 declared",
     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx><wpt lat=\"1\" "
     "lon=\"2\"><name>M\xfchle</name></wpt></gpx>",
     false},
    {"carriage return inside a kept text",
     kHeader + "<wpt lat=\"1\" lon=\"2\"><name>a\r\nb</name></wpt></gpx>", false},
    {"the xml prefix", kHeader + "<wpt lat=\"1\" lon=\"2\" xml:lang=\"de\"/></gpx>", false},
    {"a name beyond ASCII", kHeader + "<extensions><M\xc3\xbchle/></extensions></gpx>", false},
    {"a reference in a coordinate", kHeader + "<wpt lat=\"&#53;2\" lon=\"2\"/></gpx>", false},

    // Faults: the complete reader finds their place.
    {"undeclared prefix", kHeader + "<x:wpt lat=\"1\" lon=\"2\"/></gpx>", false},
    {"attribute twice", kHeader + "<wpt lat=\"1\" lat=\"1\" lon=\"2\"/></gpx>", false},
    {"one namespace under two prefixes",
     kHeader + "<wpt lat=\"1\" lon=\"2\" xmlns:a=\"urn:a\" xmlns:b=\"urn:a\" a:x=\"1\" b:x=\"2\"/></gpx>",
     false},
    {"]]> in text", kHeader + "<wpt lat=\"1\" lon=\"2\"><name>a]]>b</name></wpt></gpx>", false},
    {"-- in a comment", kHeader + "<!-- a -- b --></gpx>", false},
    {"declaration not at the start", " <?xml version=\"1.0\"?><gpx/>", false},
    {"document type", "<!DOCTYPE gpx><gpx/>", false},
    {"unknown entity", kHeader + "<wpt lat=\"1\" lon=\"2\"><name>&nbsp;</name></wpt></gpx>", false},
    {"character reference to no character",
     kHeader + "<wpt lat=\"1\" lon=\"2\"><name>&#0;</name></wpt></gpx>", false},
    {"control character", kHeader + "<wpt lat=\"1\" lon=\"2\"><name>\x01</name></wpt></gpx>", false},
    {"no white space between attributes", kHeader + "<wpt lat=\"1\"lon=\"2\"/></gpx>", false},
    {"latitude 95", kHeader + "<wpt lat=\"95\" lon=\"2\"/></gpx>", false},
    {"wrong nesting", kHeader + "<trk><trkseg></trk></trkseg></gpx>", false},
    {"second root", kHeader + "</gpx><gpx/>", false},
};

TEST(GpxQuickReaderTest, TakesWhatProgramsWriteAndReadsItAsTheCompleteReader)
{
    for (const Row& row : kRows) {
        std::string why;
        EXPECT_EQ(QuickTakes(row.bytes, &why), row.quick) << row.what;
        EXPECT_EQ(why, "") << row.what;
    }
}

// The seed corpus of the fuzz harness and the rows above, whole, cut off at every byte, without
// each byte, and with each byte replaced by one that matters to XML: whatever the quick reader
// takes of all that, the complete reader reads the same.
TEST(GpxQuickReaderTest, AgreesWithTheCompleteReaderOnTheCorpusAndItsMutations)
{
    std::vector<QByteArray> inputs;
    const QDir corpus(QStringLiteral(KORVEL_SOURCE_DIR "/fuzz/corpus/gpx"));
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        inputs.push_back(file.readAll());
    }
    ASSERT_GE(inputs.size(), 10u);
    for (const Row& row : kRows) inputs.push_back(row.bytes);

    int taken = 0;
    for (const QByteArray& input : inputs) {
        std::vector<QByteArray> variants{input};
        for (qsizetype i = 0; i < input.size(); ++i) {
            variants.push_back(input.left(i));
            variants.push_back(QByteArray(input).remove(i, 1));
            for (const char c : {'<', '>', '&', '"', '/', ':', ' ', ']', '-', '\r', '\x80'}) {
                if (input[i] != c) variants.push_back(QByteArray(input).replace(i, 1, &c, 1));
            }
        }
        for (const QByteArray& v : variants) {
            std::string why;
            if (QuickTakes(v, &why)) ++taken;
            ASSERT_EQ(why, "") << v.toStdString();
        }
    }
    EXPECT_GT(taken, 1000);  // the comparison did happen
}

}  // namespace
}  // namespace korvel
