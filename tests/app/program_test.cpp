// The korvel program as a whole: screenshots without a display, the demo map, bad arguments.
#include "apptestsupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace korvel {
namespace {

struct KorvelRun {
    int exitCode = -1;
    QByteArray err;
};

// Runs the program with its caches (tiles) in `cacheHome`.
KorvelRun RunKorvel(const QStringList& args, const QString& cacheHome)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVEL_PROGRAM_PATH), args);
    KorvelRun r;
    if (!p.waitForStarted(30000) || !p.waitForFinished(120000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = p.readAllStandardError();
    return r;
}

TEST(ProgramTest, RendersTheDemoMapIntoAScreenshot)
{
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    test::WriteProgramSettings(dir.filePath(QStringLiteral("settings")));  // the demo shows tiles
    const KorvelRun r = RunKorvel({"--demo", "--settings", dir.filePath(QStringLiteral("settings")), "--screenshot", shot,
                             "--size", "800x600", "--timing"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(800, 600));
    EXPECT_TRUE(r.err.contains("gezeichnet nach")) << r.err.toStdString();
    // The demo map is drawn: the area's blue outline appears somewhere in the picture.
    bool blue = false;
    for (int y = 0; y < image.height() && !blue; ++y) {
        for (int x = 0; x < image.width() && !blue; ++x) blue = image.pixel(x, y) == qRgb(0, 0, 255);
    }
    EXPECT_TRUE(blue);
}

TEST(ProgramTest, BadArgumentsAndUnreadableMapsEndWithAnError)
{
    QTemporaryDir dir;
    const KorvelRun bad = RunKorvel({"--size", "huge", "--screenshot", dir.filePath(QStringLiteral("x.png"))}, dir.path());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("Ungültige Größe")) << bad.err.toStdString();

    const QString missing = dir.filePath(QStringLiteral("fehlt.kvd"));
    const KorvelRun none = RunKorvel({"--settings", dir.path(), "--screenshot", dir.filePath(QStringLiteral("y.png")), missing}, dir.path());
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("fehlt.kvd")) << none.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("y.png"))));
}

}  // namespace
}  // namespace korvel
