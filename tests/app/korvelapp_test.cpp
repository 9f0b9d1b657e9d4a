#include "app/korvelapp.h"

#include "app/aboutdlg.h"
#include "app/commandids.h"
#include "app/custombar.h"
#include "app/mainframe.h"
#include "apptestsupport.h"
#include "strings/stringtable.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>

#include <memory>

namespace korvel {
namespace {

class StartupTest : public ::testing::Test {
protected:
    // Starts the program with the language modules of `moduleFolder` only (none when empty).
    void SetUp() override
    {
        // These tests are about the frame; the receiver stays off.
        test::IsolatedSettings::Open().setValue(key::GpsAktiv, 0);
    }

    std::unique_ptr<CKorvelApp> Start(StartupOptions options = {}, const QString& moduleFolder = QString())
    {
        options.languageFoldersSet = true;
        if (!moduleFolder.isEmpty()) options.languageFolders = {moduleFolder};
        auto app = std::make_unique<CKorvelApp>();
        EXPECT_TRUE(app->InitInstance(options));
        QApplication::processEvents();
        return app;
    }

    // The titles of the menu bar's popups.
    static QStringList MenuTitles(CMainFrame* frame)
    {
        QStringList titles;
        for (QAction* a : frame->menuBar()->actions()) titles << a->text();
        return titles;
    }

    test::IsolatedSettings m_settings;
};

TEST_F(StartupTest, FreshSettingsGiveTheBuiltInLayout)
{
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible());

    // Tool bars docked at the top, left to right in the order file, zoom, import/export,
    // surveying.
    int lastX = -1;
    for (int id : {ID_VIEW_TOOLBAR_FILE, ID_VIEW_TOOLBAR_ZOOM, ID_VIEW_TOOLBAR_IMPEXP, ID_VIEW_TOOLBAR_SURVEY}) {
        QToolBar* bar = frame->toolBar(id);
        ASSERT_TRUE(bar) << id;
        EXPECT_EQ(frame->toolBarArea(bar), Qt::TopToolBarArea) << id;
        EXPECT_FALSE(bar->isHidden()) << id;
        EXPECT_GT(bar->x(), lastX) << id;
        lastX = bar->x();
        EXPECT_TRUE(frame->action(id)->isChecked()) << id;
    }
    EXPECT_EQ(frame->toolBar(ID_VIEW_TOOLBAR_FILE)->windowTitle(), QStringLiteral("Datei"));
    EXPECT_EQ(frame->toolBar(ID_VIEW_TOOLBAR_SURVEY)->windowTitle(), QStringLiteral("Vermessung"));

    // Both dockable bars hidden, at the right edge, with their titles.
    for (CCustomBar* bar : {static_cast<CCustomBar*>(frame->satviewBar()), static_cast<CCustomBar*>(frame->gpsFindBar())}) {
        EXPECT_TRUE(bar->isHidden());
        EXPECT_EQ(frame->dockWidgetArea(bar), Qt::RightDockWidgetArea);
    }
    EXPECT_EQ(frame->satviewBar()->windowTitle(), QStringLiteral("Satellitenansicht"));
    EXPECT_EQ(frame->gpsFindBar()->windowTitle(), QStringLiteral("Kompass"));
    EXPECT_FALSE(frame->action(ID_VIEW_SATBAR)->isChecked());

    // Defaults of the shared state.
    EXPECT_EQ(frame->m_nCoordSys, 900913);
    for (const QString* dir : {&frame->m_strZentoImportDir, &frame->m_strZentoExportDir, &frame->m_strImgImportDir,
                               &frame->m_strShapeImportDir, &frame->m_strShapeExportDir}) {
        EXPECT_TRUE(dir->isEmpty());
    }
    EXPECT_EQ(frame->CurrentTool(), 0);
    EXPECT_FALSE(frame->AutoNumbering());
    EXPECT_EQ(frame->m_lfLabel.FaceName(), QStringLiteral("Arial"));
    EXPECT_EQ(frame->m_lfLabel.lfHeight, -16);
    EXPECT_EQ(frame->m_crLabel, 0u);

    // Title and idle prompt.
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("Korvel")));
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Wählen Sie einen Menüpunkt."));
}

TEST_F(StartupTest, StatusPanesAreSizedByTheirPlaceholdersAndStartEmpty)
{
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    const auto panes = frame->statusBar()->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Pane[123]$")));
    ASSERT_EQ(panes.size(), 3);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(frame->paneText(i).isEmpty());
    const QLabel* sys = frame->statusBar()->findChild<QLabel*>(QStringLiteral("Pane1"));
    const QLabel* x = frame->statusBar()->findChild<QLabel*>(QStringLiteral("Pane2"));
    EXPECT_GE(sys->width(), sys->fontMetrics().horizontalAdvance(QStringLiteral("EPSG:000000")));
    EXPECT_GE(x->width(), x->fontMetrics().horizontalAdvance(QStringLiteral("E 000.000000°")));

    frame->SetCoordinatePanes(QStringLiteral("WGS84"), QStringLiteral("W 0.500000°"), QStringLiteral("N 50.000000°"));
    EXPECT_EQ(frame->paneText(1), QStringLiteral("WGS84"));
    EXPECT_EQ(frame->paneText(2), QStringLiteral("W 0.500000°"));
    EXPECT_EQ(frame->paneText(3), QStringLiteral("N 50.000000°"));
}

TEST_F(StartupTest, CoordSysFallsBackToTheWebMapSystem)
{
    struct Row {
        const char* stored;  // null: not stored at all
        int expected;
    };
    const Row rows[] = {{nullptr, 900913}, {"31467", 31467}, {"25832", 25832}, {"0", 0},
                        {"abc", 900913},   {"", 900913},     {"12x", 900913}};
    for (const Row& r : rows) {
        {
            QSettings s = test::IsolatedSettings::Open();
            s.remove(key::CoordSys);
            if (r.stored) s.setValue(key::CoordSys, QString::fromLatin1(r.stored));
        }
        auto app = Start();
        EXPECT_EQ(app->mainFrame()->m_nCoordSys, r.expected) << (r.stored ? r.stored : "(missing)");
    }
}

TEST_F(StartupTest, FrameWritesFoldersAndCoordSysWhenDestroyed)
{
    {
        auto app = Start();
        app->mainFrame()->m_nCoordSys = 31467;
        app->mainFrame()->m_strShapeExportDir = QStringLiteral("/tmp/export");
    }
    QSettings s = test::IsolatedSettings::Open();
    EXPECT_EQ(s.value(key::CoordSys).toString(), QStringLiteral("31467"));
    EXPECT_EQ(s.value(key::ShapeExportDir).toString(), QStringLiteral("/tmp/export"));
    EXPECT_TRUE(s.contains(key::ZentoImportDir));
    EXPECT_EQ(s.value(key::ZentoImportDir).toString(), QString());
}

TEST_F(StartupTest, LanguagePopupExistsOnlyWithMoreThanOneModule)
{
    {
        auto app = Start();
        EXPECT_EQ(app->languages().count(), 1);
        EXPECT_EQ(app->mainFrame()->languageMenu(), nullptr);
        EXPECT_FALSE(MenuTitles(app->mainFrame()).contains(QStringLiteral("&Sprache")));
    }
    test::ModuleFolder folder({"korvel_en.qm"});
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::Language, 1031);
    }
    auto app = Start({}, folder.path());
    ASSERT_EQ(app->languages().count(), 2);
    QMenu* popup = app->mainFrame()->languageMenu();
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->title(), QStringLiteral("&Sprache"));
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->data().toInt(), 40001);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Deutsch"));
    EXPECT_EQ(items[1]->data().toInt(), 40002);
    EXPECT_EQ(items[1]->text(), QStringLiteral("English"));
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());
}

TEST_F(StartupTest, StoredLanguageIsRestoredAndChoosingOneRebuildsTheMenus)
{
    test::ModuleFolder folder({"korvel_en.qm"});
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::Language, 1033);
    }
    auto app = Start({}, folder.path());
    EXPECT_EQ(app->languages().activeIndex(), 1);
    EXPECT_EQ(app->languageId(), 1033);
    CMainFrame* frame = app->mainFrame();
    EXPECT_EQ(frame->toolBar(ID_VIEW_TOOLBAR_SURVEY)->windowTitle(), QStringLiteral("Surveying"));
    EXPECT_TRUE(MenuTitles(frame).contains(QStringLiteral("&File")));
    ASSERT_TRUE(frame->languageMenu());
    EXPECT_TRUE(frame->languageMenu()->actions().at(1)->isChecked());
    // The commands speak the language too.
    EXPECT_EQ(frame->action(ID_FILE_NEW)->text(), QStringLiteral("&New\tCtrl+N"));
    EXPECT_EQ(frame->action(ID_FILE_NEW)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));

    // Back to German through the menu command.
    app->SelectLanguage(40001);
    EXPECT_EQ(app->languages().activeIndex(), 0);
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::Language).toInt(), 1031);
    EXPECT_TRUE(MenuTitles(frame).contains(QStringLiteral("&Datei")));
    EXPECT_EQ(frame->action(ID_FILE_NEW)->text(), QStringLiteral("&Neu\tStrg+N"));
    EXPECT_EQ(frame->toolBar(ID_VIEW_TOOLBAR_SURVEY)->windowTitle(), QStringLiteral("Vermessung"));
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Wählen Sie einen Menüpunkt."));
    ASSERT_TRUE(frame->languageMenu());
    EXPECT_TRUE(frame->languageMenu()->actions().at(0)->isChecked());
}

TEST_F(StartupTest, StoredLanguageMatchingNoModuleKeepsGerman)
{
    test::ModuleFolder folder({"korvel_en.qm"});
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::Language, 1036);  // French: no module
    }
    auto app = Start({}, folder.path());
    EXPECT_EQ(app->languages().activeIndex(), 0);
    EXPECT_EQ(LoadString(1004), QStringLiteral("Vermessung"));
    // The menus are built all the same, with the language choice.
    EXPECT_TRUE(MenuTitles(app->mainFrame()).contains(QStringLiteral("&Datei")));
    ASSERT_TRUE(app->mainFrame()->languageMenu());
    EXPECT_TRUE(app->mainFrame()->languageMenu()->actions().at(0)->isChecked());
    EXPECT_FALSE(app->SetLanguage(1036));
    // The stored value is left for a later start that may have the module.
    EXPECT_EQ(test::IsolatedSettings::Open().value(key::Language).toInt(), 1036);
}

TEST_F(StartupTest, BarLayoutIsKeptAcrossRuns)
{
    {
        auto app = Start();
        CMainFrame* frame = app->mainFrame();
        frame->RunCommand(ID_VIEW_TOOLBAR_ZOOM);
        frame->RunCommand(ID_VIEW_STATUS_BAR);
        EXPECT_TRUE(frame->toolBar(ID_VIEW_TOOLBAR_ZOOM)->isHidden());
        EXPECT_FALSE(frame->action(ID_VIEW_TOOLBAR_ZOOM)->isChecked());
        EXPECT_FALSE(frame->action(ID_VIEW_STATUS_BAR)->isChecked());
        frame->close();
    }
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    EXPECT_TRUE(frame->toolBar(ID_VIEW_TOOLBAR_ZOOM)->isHidden());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(frame->toolBar(ID_VIEW_TOOLBAR_FILE)->isHidden());

    // "&Wiederherstellen" brings the built-in layout back.
    frame->RunCommand(ID_VIEW_RESTORE_BARS);
    EXPECT_FALSE(frame->toolBar(ID_VIEW_TOOLBAR_ZOOM)->isHidden());
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(frame->action(ID_VIEW_TOOLBAR_ZOOM)->isChecked());
}

TEST_F(StartupTest, UnusableBarLayoutsGiveTheDefault)
{
    // A layout from the same program, but naming a bar it does not have.
    QByteArray foreign;
    {
        auto app = Start();
        CMainFrame* frame = app->mainFrame();
        frame->RunCommand(ID_VIEW_TOOLBAR_FILE);
        frame->toolBar(ID_VIEW_TOOLBAR_ZOOM)->setObjectName(QStringLiteral("Bar59499"));
        frame->SaveBarState();
        QSettings s = test::IsolatedSettings::Open();
        foreign = s.value(key::ToolbarsLayout).toByteArray();
    }
    const QByteArray layouts[] = {QByteArray("garbage"), QByteArray(), foreign};
    for (const QByteArray& layout : layouts) {
        {
            QSettings s = test::IsolatedSettings::Open();
            s.setValue(key::ToolbarsLayout, layout);
        }
        auto app = Start();
        EXPECT_FALSE(app->mainFrame()->toolBar(ID_VIEW_TOOLBAR_FILE)->isHidden());
        EXPECT_FALSE(app->mainFrame()->LoadBarState());
    }
}

TEST_F(StartupTest, PlacementIsRestoredAndARequestedShowStateWins)
{
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::PosLeft, 40);
        s.setValue(key::PosTop, 30);
        s.setValue(key::PosRight, 840);
        s.setValue(key::PosBottom, 630);
        s.setValue(key::PosMax, kShowMaximized);
    }
    {
        auto app = Start();
        EXPECT_TRUE(app->mainFrame()->windowState() & Qt::WindowMaximized);
        EXPECT_EQ(app->mainFrame()->normalGeometry().size(), QSize(800, 600));
    }
    {
        StartupOptions options;
        options.showState = kShowMinimized;
        auto app = Start(options);
        EXPECT_TRUE(app->mainFrame()->windowState() & Qt::WindowMinimized);
        EXPECT_FALSE(app->mainFrame()->windowState() & Qt::WindowMaximized);
    }
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::PosMax, kShowNormal);
    }
    StartupOptions options;
    options.showState = kShowMaximized;
    auto app = Start(options);
    EXPECT_TRUE(app->mainFrame()->windowState() & Qt::WindowMaximized);
}

TEST_F(StartupTest, ClosingWritesThePlacement)
{
    {
        auto app = Start();
        app->mainFrame()->setGeometry(QRect(50, 60, 700, 500));
        app->mainFrame()->close();
    }
    QSettings s = test::IsolatedSettings::Open();
    EXPECT_EQ(s.value(key::PosLeft).toInt(), 50);
    EXPECT_EQ(s.value(key::PosTop).toInt(), 60);
    EXPECT_EQ(s.value(key::PosRight).toInt(), 750);
    EXPECT_EQ(s.value(key::PosBottom).toInt(), 560);
    EXPECT_EQ(s.value(key::PosMax).toInt(), kShowNormal);
}

TEST_F(StartupTest, ShowingABarSwitchesTheReceiverOn)
{
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    int starts = 0;
    bool open = false;
    frame->startGps = [&](bool force) {
        EXPECT_TRUE(force);
        ++starts;
        open = true;
        return true;
    };
    frame->isGpsOpen = [&] { return open; };
    frame->stopGps = [&] { open = false; };

    for (int id : {ID_VIEW_SATBAR, ID_VIEW_COMPASS}) {
        open = false;  // "GPS aktiv" was switched off
        const int before = starts;
        EXPECT_TRUE(frame->RunCommand(id));
        EXPECT_EQ(starts, before + 1) << id;
        EXPECT_TRUE(open);
        EXPECT_TRUE(frame->action(id)->isChecked());
        // Hiding the bar leaves the receiver alone.
        EXPECT_TRUE(frame->RunCommand(id));
        EXPECT_EQ(starts, before + 1) << id;
        EXPECT_TRUE(open);
        EXPECT_FALSE(frame->action(id)->isChecked());
    }
}

TEST_F(StartupTest, PauseFaceFollowsPausedAndLineMode)
{
    auto app = Start();
    CMainFrame* frame = app->mainFrame();
    auto image = [](const QIcon& icon) { return icon.pixmap(QSize(16, 16)).toImage(); };
    const QImage pause = image(QIcon(QStringLiteral(":/icons/pause.svg")));
    const QImage resume = image(QIcon(QStringLiteral(":/icons/resume.svg")));
    ASSERT_NE(pause, resume);
    frame->SetPauseFace(true, false);
    EXPECT_EQ(image(frame->pauseFace()), resume);
    frame->SetPauseFace(false, false);
    EXPECT_EQ(image(frame->pauseFace()), pause);
    // Outside line measuring the button is drawn greyed.
    frame->SetPauseFace(false, true);
    EXPECT_NE(image(frame->pauseFace()), pause);
    EXPECT_NE(image(frame->pauseFace()), resume);
}

TEST_F(StartupTest, DockableBarsRememberTheirSize)
{
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(QStringLiteral("SatBar/Width"), 300);
        s.setValue(QStringLiteral("SatBar/Height"), 280);
        s.setValue(QStringLiteral("Kompass/Width"), QStringLiteral("nonsense"));
    }
    {
        auto app = Start();
        EXPECT_EQ(app->mainFrame()->satviewBar()->barSize(), QSize(300, 280));
        EXPECT_EQ(app->mainFrame()->gpsFindBar()->barSize(), QSize(160, 210));  // the template size
        EXPECT_EQ(app->mainFrame()->gpsFindBar()->timer().interval(), 100);
        EXPECT_TRUE(app->mainFrame()->gpsFindBar()->timer().isActive());
    }
    QSettings s = test::IsolatedSettings::Open();
    EXPECT_EQ(s.value(QStringLiteral("SatBar/Width")).toInt(), 300);
    EXPECT_EQ(s.value(QStringLiteral("Kompass/Width")).toInt(), 160);
    EXPECT_EQ(s.value(QStringLiteral("Kompass/Height")).toInt(), 210);
}

TEST_F(StartupTest, TemporaryMapsAreEmptiedButHiddenFilesStay)
{
    const QString folder = CKorvelApp::TempMapFolder();
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"img00001.bmp", "img00002.bmp", ".keep"}) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir().mkpath(folder + QStringLiteral("/sub"));
    auto app = Start();
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList({QStringLiteral(".keep"), QStringLiteral("sub")}));
    QDir(folder).removeRecursively();
}

TEST(AboutTest, VersionLineNamesProductVersionAndWordSize)
{
    const CVersionsInfo info;
    EXPECT_EQ(info.Value(QStringLiteral("productname")), QStringLiteral("Korvel"));
    EXPECT_TRUE(info.Value(QStringLiteral("NoSuchKey")).isEmpty());
    const QString expected = QStringLiteral("Korvel Version %1.%2.%3.%4 64bit")
                                 .arg(info.fileVersionMS() >> 16)
                                 .arg(info.fileVersionMS() & 0xFFFF)
                                 .arg(info.fileVersionLS() >> 16)
                                 .arg(info.fileVersionLS() & 0xFFFF);
    EXPECT_EQ(info.VersionLine(), expected);
    CAboutDlg dlg;
    EXPECT_EQ(dlg.versionLine(), expected);
}

TEST(CommandLineTest, ParsesOptionsAndFiles)
{
    StartupOptions o;
    QString error;
    ASSERT_TRUE(ParseCommandLine({"--screenshot", "out.png", "--size", "1280x800", "--demo", "a.kvd"}, &o, &error));
    EXPECT_EQ(o.screenshotPath, QStringLiteral("out.png"));
    EXPECT_EQ(o.screenshotSize, QSize(1280, 800));
    EXPECT_TRUE(o.demo);
    EXPECT_EQ(o.files, QStringList{QStringLiteral("a.kvd")});
    EXPECT_EQ(o.showState, 0);

    StartupOptions m;
    ASSERT_TRUE(ParseCommandLine({"--maximized", "--languages", "/x", "--languages", "/y"}, &m, &error));
    EXPECT_EQ(m.showState, kShowMaximized);
    EXPECT_EQ(m.languageFolders, QStringList({QStringLiteral("/x"), QStringLiteral("/y")}));

    const QStringList bad[] = {{"--size", "big"}, {"--size", "10x10"}, {"--screenshot"}, {"--frobnicate"}, {"--offline", "a.kvd"}};
    for (const QStringList& args : bad) {
        StartupOptions b;
        QString e;
        EXPECT_FALSE(ParseCommandLine(args, &b, &e)) << args.join(' ').toStdString();
        EXPECT_FALSE(e.isEmpty());
    }
}

}  // namespace
}  // namespace korvel
