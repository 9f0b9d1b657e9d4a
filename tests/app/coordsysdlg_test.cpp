// The coordinate system command: the dialog's preselection and the three ways a choice is
// applied (default for new documents, relabel, convert in place or as a copy).
#include "app/coordsysdlg.h"

#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "apptestsupport.h"
#include "crs/transform.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"
#include "support/testsupport.h"
#include "view/korvelview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>

#include <cmath>
#include <limits>

namespace korvel {
namespace {

TEST(CoordSysDlgTest, PreselectsTheSystemOrLocal)
{
    struct Row {
        int32_t current;
        QString shown;
    };
    const Row rows[] = {{900913, "WGS84"},
                        {31467, "DHDN / Gauss-Krüger-Bessel 3° Zone 3"},
                        {325833, "ETRS89 / UTM Zone 33N (7-stellig)"},
                        {4326, "Unbekannt(Lokal)"},
                        {0, "Unbekannt(Lokal)"}};
    for (const Row& r : rows) {
        CCoordSysDlg dlg;
        dlg.m_nCurrent = r.current;
        dlg.InitControls();
        EXPECT_EQ(dlg.list()->count(), 10);
        EXPECT_EQ(dlg.list()->currentText(), r.shown) << r.current;
        EXPECT_TRUE(dlg.copyBox()->isEnabled());
        EXPECT_FALSE(dlg.copyBox()->isChecked());
    }
    CCoordSysDlg dlg;
    dlg.m_nNoDocument = 1;
    dlg.InitControls();
    EXPECT_FALSE(dlg.copyBox()->isEnabled());
}

class CoordSysCommandTest : public ::testing::Test {
protected:
    void SetUp() override { test::IsolatedSettings::Open().setValue(key::GpsAktiv, 0); }

    std::unique_ptr<CKorvelApp> Start()
    {
        StartupOptions options;
        options.languageFoldersSet = true;
        auto app = std::make_unique<CKorvelApp>();
        EXPECT_TRUE(app->InitInstance(options));
        QApplication::processEvents();
        return app;
    }

    // Answers the dialog with the catalogue entry `id` and the copy option.
    static std::function<bool(CCoordSysDlg&)> Choose(int32_t id, bool copy = false)
    {
        return [id, copy](CCoordSysDlg& dlg) {
            dlg.list()->setCurrentIndex(dlg.list()->findData(int(id)));
            dlg.copyBox()->setChecked(copy);
            dlg.accept();
            return dlg.result() == QDialog::Accepted;
        };
    }

    // Puts one point at 9° E, 50° N into the active (web-mercator) document.
    static GPoint* AddPointAt9E50N(CKorvelDoc* doc)
    {
        WorldPoint p{9.0, 50.0};
        CoordTransform params{1, 4326, 900913};
        TransformPoint(&p, &params);
        auto* point = new GPoint(p);
        doc->AddObject(point);
        doc->SetModifiedFlag(false);
        return point;
    }

    test::IsolatedSettings m_settings;
};

TEST_F(CoordSysCommandTest, WithoutADocumentTheDefaultChanges)
{
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    app->ActiveWnd()->close();
    QApplication::processEvents();
    ASSERT_EQ(app->ActiveWnd(), nullptr);
    bool copyEnabled = true;
    ChangeCoordinateSystem(*app, *frame, [&](CCoordSysDlg& dlg) {
        copyEnabled = dlg.copyBox()->isEnabled();
        return Choose(31467)(dlg);
    });
    EXPECT_FALSE(copyEnabled);
    EXPECT_EQ(frame->m_nCoordSys, 31467);
    app->OnFileNew();
    EXPECT_EQ(app->ActiveWnd()->document()->m_nCoordSys, 31467);
    app.reset();
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::CoordSys).toString(), QStringLiteral("31467"));
}

TEST_F(CoordSysCommandTest, ChangingTheLocalSystemOnlyRelabels)
{
    test::IsolatedSettings::Open().setValue(key::CoordSys, QStringLiteral("0"));
    auto app = Start();
    CKorvelDoc* doc = app->ActiveWnd()->document();
    ASSERT_EQ(doc->m_nCoordSys, 0);
    auto* point = new GPoint(WorldPoint{12.0, 34.0});
    doc->AddObject(point);
    ChangeCoordinateSystem(*app, *app->mainFrame(), Choose(25832));
    EXPECT_EQ(doc->m_nCoordSys, 25832);
    EXPECT_EQ(point->m_ptPos, (WorldPoint{12.0, 34.0}));
    EXPECT_EQ(app->DocumentWindows().size(), 1);

    // Cancelling changes nothing.
    ChangeCoordinateSystem(*app, *app->mainFrame(), [](CCoordSysDlg&) { return false; });
    EXPECT_EQ(doc->m_nCoordSys, 25832);
}

TEST_F(CoordSysCommandTest, ConvertsInPlaceOrAsACopy)
{
    auto app = Start();
    CKorvelWnd* source = app->ActiveWnd();
    CKorvelDoc* doc = source->document();
    ASSERT_EQ(doc->m_nCoordSys, 900913);
    GPoint* point = AddPointAt9E50N(doc);
    const WorldPoint mercator = point->m_ptPos;

    // As a copy: the source stays as it was, a new window holds the converted objects.
    ChangeCoordinateSystem(*app, *app->mainFrame(), Choose(25832, true));
    ASSERT_EQ(app->DocumentWindows().size(), 2);
    EXPECT_EQ(doc->m_nCoordSys, 900913);
    EXPECT_EQ(point->m_ptPos, mercator);
    EXPECT_FALSE(doc->IsModified());
    CKorvelWnd* copy = app->ActiveWnd();
    ASSERT_NE(copy, source);
    EXPECT_EQ(copy->document()->m_nCoordSys, 25832);
    EXPECT_TRUE(copy->document()->IsModified());
    ASSERT_TRUE(copy->document()->m_pRoot);
    // Easting of 9° E in zone 32 with the zone in front: 32 500 000.
    const WorldRect copied = copy->document()->m_pRoot->m_rcBounds;
    EXPECT_NEAR(copied.minX, 32500000.0, 0.01);
    EXPECT_NEAR(copied.minY, 5538630.70, 0.01);
    // The copy's view looks at the same place, now in UTM metres.
    const WorldRect window = copy->view()->GetWorldRect();
    EXPECT_LT(window.minX, 32500000.0);
    EXPECT_GT(window.maxX, 32500000.0);

    // In place.
    app->mainFrame()->mdiArea()->setActiveSubWindow(source);
    ChangeCoordinateSystem(*app, *app->mainFrame(), Choose(25832));
    EXPECT_EQ(doc->m_nCoordSys, 25832);
    EXPECT_NEAR(point->m_ptPos.x, 32500000.0, 0.01);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(app->DocumentWindows().size(), 2);
}

TEST_F(CoordSysCommandTest, ObjectsThatCannotBeConvertedAreReported)
{
    auto app = Start();
    CKorvelDoc* doc = app->ActiveWnd()->document();
    GPoint* good = AddPointAt9E50N(doc);
    auto* bad = new GPoint(WorldPoint{std::numeric_limits<double>::quiet_NaN(), 1.0});
    doc->AddObject(bad);
    test::MessageRecorder messages;
    ChangeCoordinateSystem(*app, *app->mainFrame(), Choose(25832));
    EXPECT_EQ(doc->m_nCoordSys, 25832);
    EXPECT_NEAR(good->m_ptPos.x, 32500000.0, 0.01);
    EXPECT_TRUE(std::isnan(bad->m_ptPos.x));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("1 Objekte konnten nicht umgerechnet werden und behalten ihre bisherigen Koordinaten."));
    EXPECT_EQ(messages.messages()[0].caption, QStringLiteral("Hinweis"));
}

}  // namespace
}  // namespace korvel
