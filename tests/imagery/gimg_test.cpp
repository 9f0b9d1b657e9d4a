// GImg: loading into the temporary map folder, placement by world files, drawing (clip-limited,
// snapped to image pixels, the one- and two-pixel cases, reduced copies, white as transparent,
// the selection frame) and the document round trip, also after the image file has gone.
#include "imagefiles.h"

#include "imagery/dib.h"
#include "imagery/gimg.h"
#include "imagery/tempmapfolder.h"
#include "imagery/worldfile.h"
#include "model/glist.h"
#include "model/korveldoc.h"
#include "support/recordingcanvas.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <png.h>
#include <tiffio.h>

namespace korvel {
namespace {

using test::RecordingView;

class GImgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterImageryClasses();
        SetTempMapFolder(m_tmp.path());
    }
    void TearDown() override { SetTempMapFolder(QString()); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QStringList TempFiles() const { return QDir(m_tmp.path()).entryList(QDir::Files); }

    // An RGB TIFF whose pixel (x, y) is (x mod 256, y mod 256, 7).
    QString MakeTiff(const QString& name, uint32_t w, uint32_t h)
    {
        test::TiffLayout s{.width = w, .height = h, .bitsPerSample = 8, .samplesPerPixel = 3, .photometric = PHOTOMETRIC_RGB};
        s.pixels.reserve(size_t(w) * h * 3);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) s.pixels.insert(s.pixels.end(), {uint8_t(x), uint8_t(y), 7});
        EXPECT_TRUE(test::WriteTiff(Path(name), s));
        return Path(name);
    }

    // Red, white, blue: three pixels in one row.
    QString MakeStripe()
    {
        EXPECT_TRUE(test::WritePng(Path("stripe.png"), 3, 1, PNG_COLOR_TYPE_RGB, 8, {255, 0, 0, 255, 255, 255, 0, 0, 255}));
        return Path("stripe.png");
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_tmp;
};

TEST_F(GImgTest, WorldFileNamesFollowTheExtensionRule)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/m/karte.tif", "/m/karte.tfW"}, {"/m/luft.jpg", "/m/luft.jgW"}, {"/m/plan.png", "/m/plan.pgW"},
        {"/m/a.b/plan.tiff", "/m/a.b/plan.tfWf"}, {"/m/plan.ti", ""}, {"/m/plan", ""}, {"/m.d/plan", ""},
    };
    for (const auto& [image, world] : cases) EXPECT_EQ(WorldFilePath(QString::fromLatin1(image)), QString::fromLatin1(world)) << image;
}

TEST_F(GImgTest, WorldFileParsing)
{
    WorldFileValues v;
    ASSERT_TRUE(ParseWorldFile("2\r\n0\r\n0\r\n-2\r\n  +1001.0\r\n2999", &v));
    EXPECT_EQ(v.a, 2);
    EXPECT_EQ(v.e, -2);
    EXPECT_EQ(v.c, 1001);
    EXPECT_EQ(v.f, 2999);
    EXPECT_TRUE(ParseWorldFile("0.5m\n1\n1\n-0.5 units\n1\n1\n", &v));  // the number at the start counts
    EXPECT_EQ(v.a, 0.5);
    EXPECT_FALSE(ParseWorldFile("2\n0\n0\n-2\n1001\n", &v));      // five lines
    EXPECT_FALSE(ParseWorldFile("x\ny\nz\nw\nv\nu\n", &v));       // no pixel size: nothing to place
    EXPECT_FALSE(ParseWorldFile("1e999\n0\n0\n-1\n0\n0\n", &v));  // not finite
}

TEST_F(GImgTest, WorldFilePlacesTheImageWhateverTheLetterCase)
{
    const QString image = MakeTiff(QStringLiteral("karte.tif"), 500, 400);
    for (const char* name : {"karte.tfW", "karte.tfw", "karte.TFW", ""}) {
        SCOPED_TRACE(name);
        const QString world = *name ? Path(QString::fromLatin1(name)) : QString();
        if (!world.isEmpty()) {
            ASSERT_TRUE(test::WriteText(world, "2\n0\n0\n-2\n1001\n2999\n"));
        }
        GImg img;
        ASSERT_EQ(img.Load(image), 1);
        EXPECT_EQ(img.m_nWidth, 500);
        EXPECT_EQ(img.m_nHeight, 400);
        if (!world.isEmpty()) {
            EXPECT_EQ(img.m_rcBounds, (WorldRect{1000, 2200, 2000, 3000}));
            EXPECT_EQ(img.m_ptPos, (WorldPoint{1500, 2600}));
        } else {
            EXPECT_EQ(img.m_rcBounds, (WorldRect{0, 0, 500, 400}));
            EXPECT_EQ(img.m_ptPos, (WorldPoint{250, 200}));
        }
        if (!world.isEmpty()) QFile::remove(world);
    }
}

TEST_F(GImgTest, LoadKeepsABitmapCopyForTheImagesLifetime)
{
    const QString image = MakeTiff(QStringLiteral("karte.tif"), 40, 30);
    auto img = std::make_unique<GImg>();
    ASSERT_EQ(img->Load(image), 1);
    ASSERT_EQ(TempFiles().size(), 1);
    EXPECT_TRUE(TempFiles().first().startsWith(QLatin1String("img00000")));
    EXPECT_EQ(img->m_strTempFile, QDir(m_tmp.path()).filePath(TempFiles().first()));

    // The copy is a bitmap information header, no colour table, bottom-up rows of 120 bytes.
    QFile copy(img->m_strTempFile);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    const QByteArray bytes = copy.readAll();
    DibPixels px;
    std::vector<uint32_t> colors;
    ASSERT_TRUE(ParseDib({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())}, &px, &colors));
    EXPECT_EQ(px.width, 40);
    EXPECT_EQ(px.height, 30);
    EXPECT_TRUE(px.bottomUp);
    EXPECT_EQ(px.stride, 120);
    EXPECT_EQ(px.Rgb(3, 29), 0x031D07u);

    // A clone draws from the same copy; the file goes with the last of them.
    std::unique_ptr<GClone> clone(img->Clone());
    ASSERT_TRUE(clone);
    img.reset();
    EXPECT_EQ(TempFiles().size(), 1);
    clone.reset();
    EXPECT_TRUE(TempFiles().isEmpty());

    // Loading again replaces the copy.
    GImg again;
    ASSERT_EQ(again.Load(image), 1);
    const QString first = again.m_strTempFile;
    ASSERT_EQ(again.Load(image), 1);
    EXPECT_NE(again.m_strTempFile, first);
    EXPECT_EQ(TempFiles().size(), 1);
}

TEST_F(GImgTest, FilesThatCannotBeLoadedLeaveNothingBehind)
{
    ASSERT_TRUE(test::WriteText(Path("kein.tif"), "Dies ist kein Bild."));
    ASSERT_TRUE(test::WriteText(Path("leer.png"), ""));
    ASSERT_TRUE(test::WriteText(Path("kaputt.png"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("ordner.tif")));
    for (const char* name : {"kein.tif", "leer.png", "kaputt.png", "ordner.tif", "fehlt.tif"}) {
        SCOPED_TRACE(name);
        GImg img;
        img.m_nWidth = 7;
        img.m_rcBounds = WorldRect{1, 2, 3, 4};
        EXPECT_EQ(img.Load(Path(QString::fromLatin1(name))), 0);
        EXPECT_EQ(img.m_bLoaded, 0);
        EXPECT_EQ(img.m_nWidth, 7);
        EXPECT_EQ(img.m_rcBounds, (WorldRect{1, 2, 3, 4}));
        EXPECT_TRUE(img.m_strTempFile.isEmpty());
        EXPECT_TRUE(TempFiles().isEmpty());
    }
    // An unwritable temporary folder fails the load as well.
    SetTempMapFolder(QStringLiteral("/proc/korvel-no-such-folder"));
    GImg img;
    EXPECT_EQ(img.Load(MakeStripe()), 0);
}

TEST_F(GImgTest, ProgressCanCancelALoad)
{
    const QString image = MakeTiff(QStringLiteral("gross.tif"), 600, 600);
    std::vector<int> seen;
    SetImageProgressHook([&](const QString&, int percent) {
        seen.push_back(percent);
        return percent < 50;
    });
    GImg img;
    EXPECT_EQ(img.Load(image), 0);
    SetImageProgressHook({});
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.back(), 50);
    EXPECT_TRUE(TempFiles().isEmpty());
    ASSERT_EQ(img.Load(image), 1);
}

// The view maps world x0, y0 to the top-left corner, `scale` world units per pixel.
ViewTransform View(double x0, double y0, double scale)
{
    ViewTransform vt;
    vt.x0 = x0;
    vt.y0 = y0;
    vt.scale = scale;
    vt.printScale = scale;
    return vt;
}

TEST_F(GImgTest, DrawsOnlyTheImagePixelsUnderTheClipSnappedToWholePixels)
{
    GImg img;
    ASSERT_EQ(img.Load(MakeTiff(QStringLiteral("karte.tif"), 500, 400)), 1);
    struct Case {
        const char* name;
        ViewTransform vt;
        PixelRect clip;
        const char* call;
    };
    const Case cases[] = {
        {"one to one", View(0, 400, 1), {100, 50, 200, 150}, "Dib 100 50 200 150 -> 100 50 200 150"},
        {"partly outside", View(-10, 410, 1), {0, 0, 50, 50}, "Dib 0 0 40 40 -> 10 10 50 50"},
        {"zoomed in: whole pixels beyond the clip", View(0.25, 399.75, 0.5), {1, 1, 5, 5}, "Dib 0 0 3 3 -> 0 0 6 6"},
        {"zoomed out", View(0, 400, 2), {0, 0, 300, 300}, "Dib 0 0 500 400 -> 0 0 250 200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingView view(c.vt);
        img.Draw(view, &view.m_canvas, c.clip);
        ASSERT_EQ(view.m_canvas.Calls().size(), 1);
        EXPECT_EQ(view.m_canvas.Calls().first().section(QStringLiteral(" px"), 0, 0), QString::fromLatin1(c.call));
    }
    RecordingView away(View(1000, 1000, 1));
    img.Draw(away, &away.m_canvas, PixelRect{0, 0, 100, 100});
    EXPECT_TRUE(away.m_canvas.Calls().isEmpty());
}

TEST_F(GImgTest, APngThreePixelsWideDrawsUndistortedWithWhiteTransparent)
{
    GImg img;
    ASSERT_EQ(img.Load(MakeStripe()), 1);
    RecordingView view(View(0, 1, 1.0 / 16));
    img.Draw(view, &view.m_canvas, PixelRect{0, 0, 48, 16});
    EXPECT_EQ(view.m_canvas.Calls(), QStringList{QStringLiteral("Dib 0 0 3 1 -> 0 0 48 16 px ff0000 ------ 0000ff")});
}

TEST_F(GImgTest, AGreyJpegDrawsItsGreysWithItsWhiteTransparent)
{
    // Grey 90 on the left, white on the right, in whole 8 x 8 blocks.
    std::vector<uint8_t> grey(16 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) grey[y * 16 + x] = x < 8 ? 90 : 255;
    ASSERT_TRUE(test::WriteJpeg(Path(QStringLiteral("grau.jpg")), 16, 8, 1, grey));
    GImg img;
    ASSERT_EQ(img.Load(Path(QStringLiteral("grau.jpg"))), 1);
    RecordingView view(View(6, 8, 1));
    img.Draw(view, &view.m_canvas, PixelRect{0, 0, 4, 2});
    EXPECT_EQ(test::Join(view.m_canvas.Calls()), "Dib 6 0 10 2 -> 0 0 4 2 px 5a5a5a 5a5a5a ------ ------ 5a5a5a 5a5a5a ------ ------");
}

TEST_F(GImgTest, ZoomedIntoOneOrTwoPixelsEachFillsItsShareOfTheWindow)
{
    GImg img;
    ASSERT_EQ(img.Load(MakeStripe()), 1);
    const double s = 1.0 / 1024;
    {
        // Inside the blue pixel: the whole window in blue.
        RecordingView view(View(2.25, 0.875, s));
        img.Draw(view, &view.m_canvas, PixelRect{0, 0, 200, 100});
        EXPECT_EQ(view.m_canvas.Calls(), QStringList{QStringLiteral("Dib 2 0 3 1 -> 0 0 200 100 px 0000ff")});
    }
    {
        // Across the border of red and white: split at the middle of the two pixels' rectangle,
        // which lies at (-895 + 1152) / 2 = 128.
        RecordingView view(View(0.875, 0.875, s));
        img.Draw(view, &view.m_canvas, PixelRect{0, 0, 200, 100});
        EXPECT_EQ(view.m_canvas.Calls(), (QStringList{QStringLiteral("Dib 0 0 1 1 -> 0 0 128 100 px ff0000"),
                                                      QStringLiteral("Dib 1 0 2 1 -> 128 0 200 100 px ------")}));
    }
}

TEST_F(GImgTest, LargeImagesDrawFromTheCoarsestReducedCopyThatStillFills)
{
    EXPECT_EQ(ReducedSizes(2000, 1000), (std::vector<std::pair<int32_t, int32_t>>{{1000, 500}, {500, 250}}));
    EXPECT_EQ(ReducedSizes(20000, 20000).back(), (std::pair<int32_t, int32_t>{313, 313}));
    EXPECT_TRUE(ReducedSizes(512, 300).empty());

    // Red 200 on even columns, 100 on odd ones: every reduced pixel is the mean, 150.
    test::TiffLayout s{.width = 2000, .height = 1000, .bitsPerSample = 8, .samplesPerPixel = 3, .photometric = PHOTOMETRIC_RGB};
    s.pixels.resize(size_t(2000) * 1000 * 3, 0);
    for (size_t i = 0; i < s.pixels.size(); i += 3) s.pixels[i] = (i / 3) % 2 ? 100 : 200;
    ASSERT_TRUE(test::WriteTiff(Path("gross.tif"), s));
    GImg img;
    ASSERT_EQ(img.Load(Path("gross.tif")), 1);
    ASSERT_EQ(img.BitmapCopy()->m_levels.size(), 3u);
    struct Case {
        double scale;
        PixelRect clip;
        const char* call;
    };
    const Case cases[] = {
        {4, {0, 0, 500, 250}, "Dib 0 0 500 250 -> 0 0 500 250"},
        {3, {0, 0, 100, 100}, "Dib 0 0 150 150 -> 0 0 100 100"},
        {1.5, {0, 0, 100, 100}, "Dib 0 0 150 150 -> 0 0 100 100"},
        {1, {0, 0, 100, 100}, "Dib 0 0 100 100 -> 0 0 100 100"},
        {4, {0, 0, 3, 3}, "Dib 0 0 3 3 -> 0 0 3 3 px 960000 960000 960000 960000 960000 960000 960000 960000 960000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        RecordingView view(View(0, 1000, c.scale));
        img.Draw(view, &view.m_canvas, c.clip);
        EXPECT_EQ(test::Join(view.m_canvas.Calls()), c.call);
    }
}

TEST_F(GImgTest, SelectionFrameFollowsThePictureAndSurvivesALostCopy)
{
    GImg img;
    ASSERT_EQ(img.Load(MakeStripe()), 1);
    img.m_wFlags |= GF_SELECTED;
    RecordingView view(View(-10, 11, 1));
    img.Draw(view, &view.m_canvas, PixelRect{0, 0, 100, 100});
    const QStringList calls = view.m_canvas.Calls();
    ASSERT_EQ(calls.size(), 5);
    EXPECT_TRUE(calls[0].startsWith(QLatin1String("Dib 0 0 3 1 -> 10 10 13 11")));
    EXPECT_EQ(calls[1], QStringLiteral("Invert 6 6 10 10"));

    // The copy deleted from outside: no picture, no crash, the frame still there.
    QFile::remove(img.m_strTempFile);
    view.m_canvas.Clear();
    img.Draw(view, &view.m_canvas, PixelRect{0, 0, 100, 100});
    EXPECT_EQ(view.m_canvas.CallsStartingWith(QStringLiteral("Dib")).size(), 0);
    EXPECT_EQ(view.m_canvas.CallsStartingWith(QStringLiteral("Invert")).size(), 4);
}

TEST_F(GImgTest, DocumentKeepsTheImageAndItsPathWhenTheFileHasGone)
{
    const QString image = MakeTiff(QStringLiteral("karte.tif"), 500, 400);
    ASSERT_TRUE(test::WriteText(Path("karte.tfw"), "2\n0\n0\n-2\n1001\n2999\n"));
    const QString kvd = Path("plan.kvd");
    {
        CKorvelDoc doc;
        doc.OnNewDocument(31467);
        ASSERT_TRUE(AddImage(doc, image));
        EXPECT_FALSE(AddImage(doc, Path("fehlt.png")));
        EXPECT_TRUE(doc.IsModified());
        ASSERT_EQ(doc.Save(kvd), KvdStatus::Ok);
    }
    EXPECT_TRUE(TempFiles().isEmpty());
    auto firstImage = [](CKorvelDoc& doc) -> GImg* {
        if (!doc.m_pRoot || doc.m_pRoot->m_list.GetCount() != 1) return nullptr;
        GObList::Position p = doc.m_pRoot->m_list.GetHeadPosition();
        return dynamic_cast<GImg*>(GObList::GetNext(p));
    };
    {
        CKorvelDoc doc;
        ASSERT_EQ(doc.Open(kvd), KvdStatus::Ok);
        GImg* img = firstImage(doc);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->m_bLoaded, 1);
        EXPECT_EQ(img->m_rcBounds, (WorldRect{1000, 2200, 2000, 3000}));
        EXPECT_EQ(TempFiles().size(), 1);
    }
    // Moved away: the image stays, invisible, with what was stored, and is saved as it was.
    ASSERT_TRUE(QFile::rename(image, Path("verschoben.tif")));
    QByteArray before;
    {
        QFile f(kvd);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        before = f.readAll();
    }
    {
        CKorvelDoc doc;
        ASSERT_EQ(doc.Open(kvd), KvdStatus::Ok);
        GImg* img = firstImage(doc);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->m_bLoaded, 0);
        EXPECT_EQ(img->m_strPath, image);
        EXPECT_EQ(img->m_nWidth, 500);
        EXPECT_EQ(img->m_rcBounds, (WorldRect{1000, 2200, 2000, 3000}));
        RecordingView view(View(1000, 3000, 1));
        img->Draw(view, &view.m_canvas, PixelRect{0, 0, 100, 100});
        EXPECT_TRUE(view.m_canvas.Calls().isEmpty());
        ASSERT_EQ(doc.Save(Path("wieder.kvd")), KvdStatus::Ok);
    }
    QFile again(Path("wieder.kvd"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
}

TEST_F(GImgTest, CliDumpShowsWidthHeightAndPath)
{
    const QString image = MakeTiff(QStringLiteral("karte.tif"), 50, 40);
    const QString kvd = Path("plan.kvd");
    {
        CKorvelDoc doc;
        doc.OnNewDocument(0);
        ASSERT_TRUE(AddImage(doc, image));
        ASSERT_EQ(doc.Save(kvd), KvdStatus::Ok);
    }
    // The program's own temporary map folder lies below the data home given here.
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_tmp.path()));
    const test::ProcessResult r = test::RunCli({QStringLiteral("dump"), kvd});
    if (oldHome.isEmpty()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", oldHome);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.contains(QStringLiteral("\"class\":\"GImg\""))) << r.out.constData();
    EXPECT_TRUE(out.contains(QStringLiteral("\"width\":50")));
    EXPECT_TRUE(out.contains(QStringLiteral("\"height\":40")));
    EXPECT_TRUE(out.contains(QStringLiteral("\"path\":\"") + image + QLatin1Char('"')));
    EXPECT_TRUE(QDir(m_tmp.path() + QStringLiteral("/Korvel/tmpmaps")).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace korvel
