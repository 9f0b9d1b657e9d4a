// korvel-cli new, dump and info on real files: the JSON shape of every class, exact doubles,
// the German summary and the failure exits.
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <limits>

namespace korvel {
namespace {

QString Golden(const char* name) { return QStringLiteral(KORVEL_TESTDATA_DIR "/kvd/") + QLatin1String(name); }

QJsonObject Dump(const QString& path)
{
    const auto r = test::RunCli({QStringLiteral("dump"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.left(200).constData();
    return doc.object();
}

TEST(CliKvd, NewWritesAnEmptyDocumentInTheChosenSystem)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.kvd"));
    const QString b = dir.filePath(QStringLiteral("b.kvd"));
    ASSERT_EQ(test::RunCli({QStringLiteral("new"), a}).exitCode, 0);
    ASSERT_EQ(test::RunCli({QStringLiteral("new"), b, QStringLiteral("--crs"), QStringLiteral("31467")}).exitCode, 0);

    QFile fa(a);
    QFile golden(Golden("empty.kvd"));
    ASSERT_TRUE(fa.open(QIODevice::ReadOnly) && golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(fa.readAll(), golden.readAll());

    const QJsonObject d = Dump(b);
    EXPECT_EQ(d[QLatin1String("crs")].toInt(), 31467);
    EXPECT_EQ(d[QLatin1String("version")].toInt(), 0x00010005);
    EXPECT_EQ(d[QLatin1String("tileService")].toInt(), 2);
    EXPECT_EQ(d[QLatin1String("lastPointNo")].toString(), QString());
    const QJsonObject root = d[QLatin1String("root")].toObject();
    EXPECT_EQ(root[QLatin1String("class")].toString(), QStringLiteral("GList"));
    EXPECT_EQ(root[QLatin1String("type")].toInt(), 0x8000);
    EXPECT_EQ(root[QLatin1String("members")].toArray().size(), 0);
    EXPECT_EQ(root[QLatin1String("attrs")].toArray().size(), 0);

    const auto bad = test::RunCli({QStringLiteral("new"), b, QStringLiteral("--crs"), QStringLiteral("abc")});
    EXPECT_EQ(bad.exitCode, 2);
    const auto noDir = test::RunCli({QStringLiteral("new"), dir.filePath(QStringLiteral("x/y.kvd"))});
    EXPECT_EQ(noDir.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(noDir.err).contains(QStringLiteral("nicht gespeichert"))) << noDir.err.constData();
}

TEST(CliKvd, DumpShowsPointsWithAttributesAndExactDoubles)
{
    const QJsonObject d = Dump(Golden("two_points.kvd"));
    EXPECT_EQ(d[QLatin1String("crs")].toInt(), 31468);
    EXPECT_EQ(d[QLatin1String("lastPointNo")].toString(), QStringLiteral("18"));
    EXPECT_EQ(d[QLatin1String("tileService")].toInt(), 0);
    const QJsonArray members = d[QLatin1String("root")].toObject()[QLatin1String("members")].toArray();
    ASSERT_EQ(members.size(), 2);
    const QJsonObject p = members[1].toObject();
    EXPECT_EQ(p[QLatin1String("class")].toString(), QStringLiteral("GPoint"));
    EXPECT_EQ(p[QLatin1String("type")].toInt(), 1);
    EXPECT_EQ(p[QLatin1String("color")].toInt(), 0x001E9E1B);
    EXPECT_EQ(p[QLatin1String("flags")].toInt(), 0);
    EXPECT_EQ(p[QLatin1String("pos")].toArray(), (QJsonArray{3512000.5, 5405020.125}));
    EXPECT_EQ(p[QLatin1String("bounds")].toArray(), (QJsonArray{3512000.5, 5405020.125, 3512000.5, 5405020.125}));
    const QJsonArray attrs = p[QLatin1String("attrs")].toArray();
    ASSERT_EQ(attrs.size(), 3);
    EXPECT_EQ(attrs[2].toObject(), (QJsonObject{{"name", "PTNR"}, {"value", "18"}, {"format", 0xFFFF}}));
    EXPECT_EQ(attrs[0].toObject()[QLatin1String("format")].toInt(), 0x0310);
}

TEST(CliKvd, DumpShowsLinesAreasAndTexts)
{
    const QJsonObject d = Dump(Golden("version_10002.kvd"));
    const QJsonArray members = d[QLatin1String("root")].toObject()[QLatin1String("members")].toArray();
    ASSERT_EQ(members.size(), 2);
    const QJsonObject text = members[0].toObject();
    EXPECT_EQ(text[QLatin1String("class")].toString(), QStringLiteral("GText"));
    EXPECT_EQ(text[QLatin1String("text")].toString(), QStringLiteral("Hallo"));
    EXPECT_EQ(text[QLatin1String("origin")].toArray(), (QJsonArray{7.25, 8.5}));
    EXPECT_EQ(text[QLatin1String("anchor")].toInt(), 7);
    EXPECT_EQ(text[QLatin1String("height")].toDouble(), -2.5);
    EXPECT_EQ(text[QLatin1String("escapement")].toInt(), 900);
    EXPECT_EQ(text[QLatin1String("weight")].toInt(), 700);
    EXPECT_EQ(text[QLatin1String("italic")].toInt(), 1);
    EXPECT_EQ(text[QLatin1String("underline")].toInt(), 0);
    EXPECT_EQ(text[QLatin1String("strikeOut")].toInt(), 1);
    EXPECT_EQ(text[QLatin1String("charSet")].toInt(), 0);
    EXPECT_EQ(text[QLatin1String("face")].toString(), QStringLiteral("Arial"));

    const QJsonObject area = members[1].toObject();
    EXPECT_EQ(area[QLatin1String("class")].toString(), QStringLiteral("GPolygon"));
    EXPECT_EQ(area[QLatin1String("type")].toInt(), 8);
    EXPECT_EQ(area[QLatin1String("penWidth")].toInt(), 3);
    EXPECT_EQ(area[QLatin1String("penStyle")].toInt(), 0);
    EXPECT_EQ(area[QLatin1String("rings")].toArray(),
              (QJsonArray{QJsonArray{QJsonArray{0, 0}, QJsonArray{0, 5}, QJsonArray{3, 5}}}));
}

TEST(CliKvd, DoublesCarrySeventeenDigits)
{
    // 0.1 is not exactly representable: 17 significant digits keep its exact binary value.
    QTemporaryDir dir;
    QFile in(Golden("version_10000.kvd"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const double tenth = 0.1;
    const QByteArray one = QByteArray::fromHex("000000000000f83f");  // 1.5, the line's position x
    const qsizetype at = bytes.indexOf(one);
    ASSERT_GT(at, 0);
    bytes.replace(at, 8, QByteArray(reinterpret_cast<const char*>(&tenth), 8));
    const QString path = dir.filePath(QStringLiteral("tenth.kvd"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    const auto r = test::RunCli({QStringLiteral("dump"), path});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("\"pos\":[0.10000000000000001,2.5]")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\"penWidth\":3,\"penStyle\":0")) << r.out.constData();
    Dump(path);  // and it parses
}

TEST(CliKvd, NonFiniteNumbersDumpAsValidJsonStrings)
{
    // Documents may hold NaN and infinite values; the dump must still parse.
    QTemporaryDir dir;
    QFile in(Golden("version_10002.kvd"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const auto put = [&bytes](double from, double to) {
        const qsizetype at = bytes.indexOf(QByteArray(reinterpret_cast<const char*>(&from), 8));
        ASSERT_GT(at, 0) << from;
        bytes.replace(at, 8, QByteArray(reinterpret_cast<const char*>(&to), 8));
    };
    put(-2.5, std::numeric_limits<double>::quiet_NaN());  // the text's height
    put(7.25, -std::numeric_limits<double>::infinity());  // the text's origin x
    put(8.5, std::numeric_limits<double>::infinity());    // the text's origin y
    const QString path = dir.filePath(QStringLiteral("nan.kvd"));
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();

    const QJsonObject d = Dump(path);
    const QJsonObject text = d[QLatin1String("root")].toObject()[QLatin1String("members")].toArray()[0].toObject();
    EXPECT_EQ(text[QLatin1String("height")].toString(), QStringLiteral("NaN"));
    EXPECT_EQ(text[QLatin1String("origin")].toArray(), (QJsonArray{"-Infinity", "Infinity"}));
    EXPECT_EQ(text[QLatin1String("anchor")].toInt(), 7);
}

TEST(CliKvd, NumbersKeepTheirDecimalPointUnderAGermanLocale)
{
    // korvel-cli runs under the user's locale; a German one makes printf write decimal commas,
    // which would break the JSON of a dump and the numbers of a transform.
    const QByteArray saved = qgetenv("LC_ALL");
    qputenv("LC_ALL", "de_DE.UTF-8");
    const QJsonObject d = Dump(Golden("version_10002.kvd"));
    const auto tiny = test::RunCli({QStringLiteral("transform"), QStringLiteral("--from"), QStringLiteral("4326"),
                                    QStringLiteral("--to"), QStringLiteral("4326")},
                                   "1e-12 0.5\n");
    if (saved.isNull()) qunsetenv("LC_ALL");
    else qputenv("LC_ALL", saved);

    const QJsonArray members = d[QLatin1String("root")].toObject()[QLatin1String("members")].toArray();
    ASSERT_FALSE(members.isEmpty());
    const QJsonObject text = members[0].toObject();
    EXPECT_EQ(text[QLatin1String("origin")].toArray(), (QJsonArray{7.25, 8.5}));
    EXPECT_EQ(text[QLatin1String("height")].toDouble(), -2.5);
    EXPECT_EQ(tiny.out, "9.9999999999999998e-13 0.5\n") << tiny.err.constData();
}

TEST(CliKvd, UnreadableFilesExitWithTwoAndAGermanMessage)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("text.kvd"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keine Karte\n");
    f.close();
    QFile g(Golden("two_points.kvd"));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QString cut = dir.filePath(QStringLiteral("cut.kvd"));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(g.readAll().left(200));
    c.close();

    struct Row {
        QString path;
        const char* message;
    };
    const Row rows[] = {
        {text, "Ungültiges Dateiformat!"},
        {cut, "beschädigt"},
        {dir.filePath(QStringLiteral("fehlt.kvd")), "nicht geöffnet"},
    };
    for (const Row& row : rows) {
        for (const char* cmd : {"dump", "info"}) {
            const auto r = test::RunCli({QLatin1String(cmd), row.path});
            EXPECT_EQ(r.exitCode, 2) << cmd;
            EXPECT_TRUE(r.out.isEmpty()) << cmd;
            EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(row.message))) << r.err.constData();
        }
    }
}

TEST(CliKvd, InfoSummarisesInGerman)
{
    const auto r = test::RunCli({QStringLiteral("info"), Golden("two_points.kvd")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.contains(QStringLiteral("Koordinatensystem: 31468"))) << r.out.constData();
    EXPECT_TRUE(out.contains(QStringLiteral("Objekte: 2")));
    EXPECT_TRUE(out.contains(QStringLiteral("  Punkte: 2")));
    EXPECT_TRUE(out.contains(QStringLiteral("Hintergrundkarte: keine")));
    EXPECT_TRUE(out.contains(QStringLiteral("Ausdehnung: 3512000.500 5405000.250 bis 3512010.750 5405020.125")));

    const auto v2 = test::RunCli({QStringLiteral("info"), Golden("version_10002.kvd")});
    const QString out2 = QString::fromUtf8(v2.out);
    EXPECT_TRUE(out2.contains(QStringLiteral("Dateiversion: 1.2")));
    EXPECT_TRUE(out2.contains(QStringLiteral("  Texte: 1")));
    EXPECT_TRUE(out2.contains(QStringLiteral("  Flächen: 1")));
    EXPECT_TRUE(out2.contains(QStringLiteral("Letzte Punktnummer: -")));
}

}  // namespace
}  // namespace korvel
