// The desktop program with documents and the receiver: command-line documents, new documents,
// the save question, dropped files, the recent-file list and the GPS switch.
#include "app/commandids.h"
#include "app/custombar.h"
#include "app/docundo.h"
#include "app/gpsoptiondlg.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "apptestsupport.h"
#include "app/demodocument.h"
#include "crs/transform.h"
#include "model/cobjenum.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"
#include "support/documentcontent.h"
#include "support/testsupport.h"
#include "survey/measurecontroller.h"
#include "view/korvelview.h"
#include "view/viewtool.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QUndoStack>
#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QDropEvent>

#include <memory>

namespace korvel {
namespace {

// A small replay log, so that the receiver can really be opened.
QString WriteNmeaLog(const QString& folder)
{
    const QString path = folder + QStringLiteral("/walk.nmea");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    auto line = [&](const QByteArray& body) {
        quint8 sum = 0;
        for (char c : body) sum ^= quint8(c);
        f.write("$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n");
    };
    line("GPGGA,120000.00,5000.0000,N,00900.0000,E,1,08,1.0,100.0,M,47.0,M,,");
    line("GPGGA,120001.00,5000.0010,N,00900.0010,E,1,08,1.0,100.0,M,47.0,M,,");
    return path;
}

class DocumentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(QStringLiteral("GPS/Port"), QStringLiteral("nmea-file://") + WriteNmeaLog(m_settings.folder()));
    }
    void TearDown() override
    {
        // The port manager outlives the program objects; leave its port closed for the next test.
        CSerialComm* port = PortManager().GetGpsPort();
        while (port->IsOpen()) PortManager().StopPort(port);
    }

    std::unique_ptr<CKorvelApp> Start(StartupOptions options = {}, bool expectOk = true)
    {
        options.languageFoldersSet = true;
        auto app = std::make_unique<CKorvelApp>();
        EXPECT_EQ(app->InitInstance(options), expectOk);
        QApplication::processEvents();
        return app;
    }

    // A document in UTM 32N with two points 1000 m apart, saved to `name`.
    QString WriteDocument(const QString& name)
    {
        CKorvelDoc doc;
        doc.OnNewDocument(25832);
        doc.AddObject(new GPoint(WorldPoint{32500000.0, 5540000.0}));
        doc.AddObject(new GPoint(WorldPoint{32501000.0, 5540500.0}));
        const QString path = m_settings.folder() + QLatin1Char('/') + name;
        EXPECT_EQ(doc.Save(path), KvdStatus::Ok);
        return path;
    }

    test::IsolatedSettings m_settings;
};

TEST_F(DocumentsTest, CommandLineDocumentOpensMaximisedAndFitted)
{
    const QString path = WriteDocument(QStringLiteral("feld.kvd"));
    StartupOptions options;
    options.files = {path};
    auto app = Start(options);
    CKorvelWnd* wnd = app->ActiveWnd();
    ASSERT_TRUE(wnd);
    EXPECT_EQ(app->DocumentWindows().size(), 1);
    EXPECT_TRUE(wnd->isMaximized());
    EXPECT_EQ(wnd->document()->GetPathName(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(wnd->windowTitle(), QStringLiteral("feld.kvd[*]"));
    EXPECT_TRUE(app->mainFrame()->windowTitle().contains(QStringLiteral("feld.kvd")));

    // Fitted: both points inside, with only the small margin (1/20 of the smaller side, then
    // widened to the window's shape) around them, not the ±500 of an empty view.
    const WorldRect r = wnd->view()->GetWorldRect();
    EXPECT_LE(r.minX, 32500000.0);
    EXPECT_GE(r.maxX, 32501000.0);
    EXPECT_LE(r.minY, 5540000.0);
    EXPECT_GE(r.maxY, 5540500.0);
    EXPECT_LT(std::min(r.maxX - r.minX - 1000.0, r.maxY - r.minY - 500.0), 200.0);
    EXPECT_EQ(app->recentFiles().entries().value(0), QFileInfo(path).absoluteFilePath());
}

TEST_F(DocumentsTest, UnreadableCommandLineDocumentEndsTheStart)
{
    const QString path = m_settings.folder() + QStringLiteral("/kaputt.kvd");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a map");
    }
    test::MessageRecorder recorder;
    StartupOptions options;
    options.files = {path};
    auto app = Start(options, false);
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].textId, 1500);  // "Ungültiges Dateiformat!"
    EXPECT_EQ(recorder.messages()[0].caption, QStringLiteral("Fehler"));
}

TEST_F(DocumentsTest, NewDocumentsTakeTheDefaultSystemAndANumberedName)
{
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(key::CoordSys, QStringLiteral("31467"));
    }
    auto app = Start();
    CKorvelWnd* first = app->ActiveWnd();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isMaximized());
    EXPECT_EQ(first->document()->m_nCoordSys, 31467);
    EXPECT_EQ(first->DocumentTitle(), QStringLiteral("Korvel1"));
    EXPECT_TRUE(app->mainFrame()->RunCommand(ID_FILE_NEW));
    EXPECT_EQ(app->DocumentWindows().size(), 2);
    EXPECT_EQ(app->ActiveWnd()->DocumentTitle(), QStringLiteral("Korvel2"));
    EXPECT_TRUE(app->ActiveWnd()->isMaximized());
    // The document menu (with "Schließen") is shown while a document window is active.
    EXPECT_TRUE(app->mainFrame()->action(ID_FILE_CLOSE)->isEnabled());
    EXPECT_TRUE(app->mainFrame()->action(ID_VIEW_FIT_ALL)->isEnabled());
}

TEST_F(DocumentsTest, ClosingAModifiedDocumentAsksFirst)
{
    auto app = Start();
    CKorvelWnd* wnd = app->ActiveWnd();
    ASSERT_TRUE(wnd);
    wnd->document()->AddObject(new GPoint(WorldPoint{1.0, 2.0}));
    ASSERT_TRUE(wnd->document()->IsModified());
    EXPECT_TRUE(app->mainFrame()->isWindowModified());

    test::MessageRecorder recorder(IDCANCEL);
    EXPECT_FALSE(wnd->close());
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].textId, 1060);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("Änderungen an Korvel1 speichern?"));
    EXPECT_EQ(app->DocumentWindows().size(), 1);

    // Quitting asks as well, and "Abbrechen" keeps the program open.
    EXPECT_FALSE(app->mainFrame()->close());
    EXPECT_TRUE(app->mainFrame()->isVisible());

    recorder.setAnswer(IDNO);
    EXPECT_TRUE(app->mainFrame()->RunCommand(ID_FILE_CLOSE));
    QApplication::processEvents();
    EXPECT_TRUE(app->DocumentWindows().isEmpty());
    EXPECT_FALSE(app->mainFrame()->action(ID_FILE_SAVE)->isEnabled());
}

TEST_F(DocumentsTest, EveryViewGetsTheFramesToolsAndItsOwnMeasuring)
{
    auto app = Start();
    ASSERT_TRUE(app->mainFrame()->RunCommand(ID_FILE_NEW));
    const QList<CKorvelWnd*> windows = app->DocumentWindows();
    ASSERT_EQ(windows.size(), 2);
    // One registry for all views: a tool registered once works in every window.
    EXPECT_EQ(&windows[0]->view()->Tools(), app->mainFrame()->Tools());
    EXPECT_EQ(&windows[1]->view()->Tools(), app->mainFrame()->Tools());
    auto* first = dynamic_cast<CMeasureController*>(windows[0]->view()->measuring());
    auto* second = dynamic_cast<CMeasureController*>(windows[1]->view()->measuring());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    // The save question ends a running measurement first, whatever the answer.
    windows[0]->document()->AddObject(new GPoint(WorldPoint{1.0, 2.0}));
    first->SetMeasureMode(CMeasureController::kModeTrack);
    test::MessageRecorder recorder(IDCANCEL);
    EXPECT_FALSE(windows[0]->MaybeSave());
    EXPECT_EQ(first->measureMode(), CMeasureController::kModeNone);
}

TEST_F(DocumentsTest, MeasuredObjectsAreOneUndoStepEach)
{
    auto app = Start();
    CKorvelWnd* wnd = app->ActiveWnd();
    ASSERT_TRUE(wnd);
    CKorvelDoc& doc = *wnd->document();
    std::vector<std::unique_ptr<GObj>> objects;
    objects.push_back(std::make_unique<GPoint>(WorldPoint{10.0, 20.0}));
    objects.push_back(std::make_unique<GPoint>(WorldPoint{30.0, 40.0}));
    SurveyHost& host = *app->mainFrame();
    ASSERT_TRUE(host.AddToDocument(doc, objects, QStringLiteral("Punkt messen")));
    EXPECT_EQ(objects[0], nullptr);  // the document owns them now
    EXPECT_EQ(test::ObjectsOfType(doc, GT_POINT).size(), 2u);
    QUndoStack* stack = CDocUndo::Of(&doc)->Stack();
    ASSERT_EQ(stack->count(), 1);
    EXPECT_EQ(stack->undoText(), QStringLiteral("Punkt messen"));
    stack->undo();
    EXPECT_TRUE(test::ObjectsOfType(doc, GT_POINT).empty());
    stack->redo();
    EXPECT_EQ(test::ObjectsOfType(doc, GT_POINT).size(), 2u);
}

TEST_F(DocumentsTest, DroppedFilesOpenAndEnterTheRecentList)
{
    const QString a = WriteDocument(QStringLiteral("a.kvd"));
    const QString b = WriteDocument(QStringLiteral("b.kvd"));
    auto app = Start();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app->mainFrame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app->mainFrame(), &drop);
    // The files open once the drop has returned.
    EXPECT_EQ(app->DocumentWindows().size(), 1);
    QApplication::processEvents();
    EXPECT_EQ(app->DocumentWindows().size(), 3);  // the new one of the start, a and b
    EXPECT_EQ(app->recentFiles().entries(), QStringList({QFileInfo(b).absoluteFilePath(), QFileInfo(a).absoluteFilePath()}));

    // Opening a document that is open already only brings its window forward.
    EXPECT_TRUE(app->OpenDocumentFile(a));
    EXPECT_EQ(app->DocumentWindows().size(), 3);
    EXPECT_EQ(app->ActiveWnd()->document()->GetPathName(), QFileInfo(a).absoluteFilePath());

    // A recent entry that has gone leaves the list when chosen.
    QFile::remove(b);
    app->ActiveWnd()->close();
    for (CKorvelWnd* w : app->DocumentWindows()) {
        if (w->document()->GetPathName() == QFileInfo(b).absoluteFilePath()) w->close();
    }
    QApplication::processEvents();
    test::MessageRecorder recorder;
    QAction* first = app->mainFrame()->action(ID_FILE_MRU_FILE1);
    ASSERT_TRUE(first->isVisible());
    first->trigger();
    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(app->recentFiles().entries(), QStringList{QFileInfo(a).absoluteFilePath()});
}

TEST_F(DocumentsTest, QuittingAsksAboutEveryDocumentBeforeClosingAny)
{
    auto app = Start();
    ASSERT_TRUE(app->OnFileNew());
    ASSERT_EQ(app->DocumentWindows().size(), 2);
    for (CKorvelWnd* w : app->DocumentWindows()) w->document()->AddObject(new GPoint(WorldPoint{1.0, 2.0}));

    // "Nein" for Korvel1, "Abbrechen" for Korvel2, whichever is asked first.
    QStringList asked;
    int answerForKorvel2 = IDCANCEL;
    const MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) {
        asked << r.text;
        return r.text.contains(QStringLiteral("Korvel2")) ? answerForKorvel2 : IDNO;
    });
    EXPECT_FALSE(app->mainFrame()->close());
    EXPECT_EQ(asked.size(), 2) << asked.join(QLatin1Char('|')).toStdString();
    QApplication::processEvents();
    ASSERT_EQ(app->DocumentWindows().size(), 2);
    for (CKorvelWnd* w : app->DocumentWindows()) EXPECT_TRUE(w->document()->IsModified()) << w->DocumentTitle().toStdString();
    EXPECT_TRUE(app->mainFrame()->isVisible());

    // A window that stayed open asks again when it is closed on its own.
    asked.clear();
    CKorvelWnd* first = app->DocumentWindows().first();
    answerForKorvel2 = IDCANCEL;
    const bool firstIsKorvel2 = first->DocumentTitle() == QStringLiteral("Korvel2");
    EXPECT_EQ(first->close(), !firstIsKorvel2);
    EXPECT_EQ(asked.size(), 1);
    QApplication::processEvents();

    // With "Nein" everywhere the program closes, asking once per document.
    asked.clear();
    answerForKorvel2 = IDNO;
    const int left = int(app->DocumentWindows().size());
    EXPECT_TRUE(app->mainFrame()->close());
    EXPECT_EQ(asked.size(), left);
    QApplication::processEvents();
    EXPECT_TRUE(app->DocumentWindows().isEmpty());
    SetMessageHandler(previous);
}

TEST_F(DocumentsTest, TheActiveDocumentStaysWhileTheProgramIsInTheBackground)
{
    const QString path = WriteDocument(QStringLiteral("feld.kvd"));
    StartupOptions options;
    options.files = {path};
    auto app = Start(options);
    CMainFrame* frame = app->mainFrame();
    QApplication::setActiveWindow(frame);
    QApplication::processEvents();
    CKorvelWnd* wnd = app->ActiveWnd();
    ASSERT_TRUE(wnd);
    ASSERT_EQ(frame->mdiArea()->activeSubWindow(), wnd);

    // Another window of the program takes the focus, then the program goes to the background;
    // the MDI area then reports that no window is active.
    QList<QMdiSubWindow*> reported;
    QObject::connect(frame->mdiArea(), &QMdiArea::subWindowActivated, frame, [&](QMdiSubWindow* w) { reported << w; });
    QWidget other;
    other.resize(200, 100);
    other.show();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    ASSERT_FALSE(frame->isActiveWindow());
    EXPECT_EQ(app->ActiveWnd(), wnd);
    QApplication::setActiveWindow(nullptr);
    QEvent background(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &background);
    QApplication::processEvents();
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), nullptr);
    EXPECT_TRUE(reported.contains(nullptr));

    // The program still works on the same document.
    EXPECT_EQ(app->ActiveWnd(), wnd);
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->windowTitle().contains(QStringLiteral("feld.kvd")));
    EXPECT_TRUE(frame->action(ID_FILE_SAVE)->isEnabled());
    EXPECT_TRUE(frame->action(ID_EXPORT_SHAPE)->isEnabled());
    EXPECT_TRUE(frame->action(ID_VIEW_FIT_ALL)->isEnabled());
    bool documentMenu = false;
    for (QAction* a : frame->menuBar()->actions()) documentMenu = documentMenu || a->text() == QStringLiteral("&Fenster");
    EXPECT_TRUE(documentMenu);
    // A change made now (the receiver's timers record into it) shows in the title.
    wnd->document()->AddObject(new GPoint(WorldPoint{32500500.0, 5540200.0}));
    QApplication::processEvents();
    EXPECT_TRUE(frame->isWindowModified());
    wnd->document()->SetModifiedFlag(false);

    QApplication::setActiveWindow(frame);
    QApplication::processEvents();
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), wnd);
}

TEST_F(DocumentsTest, ADroppedFileThatIsNoMapIsReportedAfterTheDropReturned)
{
    const QString path = m_settings.folder() + QStringLiteral("/kaputt.kvd");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a map");
    }
    auto app = Start();
    test::MessageRecorder recorder;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app->mainFrame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app->mainFrame(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(recorder.messages().empty());
    QApplication::processEvents();
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].textId, 1500);
    EXPECT_EQ(app->DocumentWindows().size(), 1);
}

TEST_F(DocumentsTest, ReceiverStartsUnlessItWasSwitchedOff)
{
    {
        auto app = Start();
        EXPECT_TRUE(PortManager().GetGpsPort()->IsOpen());
        EXPECT_TRUE(app->mainFrame()->action(ID_GPS_ACTIVE)->isChecked());
        EXPECT_EQ(CGpsSettings::ReadAktiv(), 1);

        // "GPS aktiv" switches it off and remembers that.
        EXPECT_TRUE(app->mainFrame()->RunCommand(ID_GPS_ACTIVE));
        EXPECT_FALSE(PortManager().GetGpsPort()->IsOpen());
        EXPECT_FALSE(app->mainFrame()->action(ID_GPS_ACTIVE)->isChecked());
        EXPECT_EQ(CGpsSettings::ReadAktiv(), 0);
    }
    auto app = Start();
    EXPECT_FALSE(PortManager().GetGpsPort()->IsOpen());
    EXPECT_FALSE(app->mainFrame()->action(ID_GPS_ACTIVE)->isChecked());

    // Showing the compass switches it on all the same.
    EXPECT_TRUE(app->mainFrame()->RunCommand(ID_VIEW_COMPASS));
    EXPECT_TRUE(PortManager().GetGpsPort()->IsOpen());
    EXPECT_FALSE(app->mainFrame()->gpsFindBar()->isHidden());
    EXPECT_EQ(CGpsSettings::ReadAktiv(), 1);
}

TEST(DemoDocumentTest, TheCommittedDemoMapLiesOnTheRecordedWalk)
{
    const QString path = QStringLiteral(KORVEL_SOURCE_DIR "/resources/demo/demo.kvd");
    CKorvelDoc doc;
    ASSERT_EQ(doc.Open(path), KvdStatus::Ok);
    EXPECT_EQ(doc.m_nCoordSys, 900913);
    int counts[16] = {};
    QStringList numbers;
    CObjEnum e(doc.m_pRoot.get());
    for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) {
        const uint32_t type = o->GetType();
        if (type < 16) ++counts[type];
        if (type == GT_POINT) {
            const GInfoItem* nr = o->FindInfo(QStringLiteral("PTNR"));
            ASSERT_TRUE(nr);
            numbers << nr->Value();
            // Every point within 200 m of 9° E, 50° N, where the demo receiver walks.
            WorldPoint p = o->m_ptPos;
            CoordTransform back{1, 900913, 4326};
            ASSERT_TRUE(TransformPoint(&p, &back));
            EXPECT_NEAR(p.x, 9.001, 0.003);
            EXPECT_NEAR(p.y, 50.0005, 0.0015);
        }
    }
    EXPECT_EQ(counts[1], 4);  // points
    EXPECT_EQ(counts[2], 6);  // texts: four numbers and two labels
    EXPECT_EQ(counts[4], 1);  // the hedge
    EXPECT_EQ(counts[8], 1);  // the field
    EXPECT_EQ(numbers, QStringList({"1", "2", "3", "4"}));

    // The builder makes the same objects as the committed file.
    CKorvelDoc fresh;
    ASSERT_TRUE(BuildDemoDocument(fresh));
    CObjEnum a(doc.m_pRoot.get());
    CObjEnum b(fresh.m_pRoot.get());
    GObj* oa = a.FirstDeep();
    GObj* ob = b.FirstDeep();
    for (; oa && ob; oa = a.NextDeep(), ob = b.NextDeep()) {
        EXPECT_EQ(oa->GetType(), ob->GetType());
        EXPECT_EQ(oa->m_ptPos, ob->m_ptPos);
    }
    EXPECT_FALSE(oa || ob);
}

}  // namespace
}  // namespace korvel
