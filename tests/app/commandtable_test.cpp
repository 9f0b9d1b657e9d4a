// The command table in the running program: every command complete, menus and tool bars
// built from it, the routing between the view and the table, and when the command states are
// refreshed.
#include "app/commandtable.h"
#include "app/edittools.h"
#include "app/commandids.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "apptestsupport.h"
#include "gps/portmanager.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "view/korvelview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <memory>

namespace korvel {
namespace {

class CommandTableTest : public test::RunningProgramTest {
protected:
    void TearDown() override
    {
        RunningProgramTest::TearDown();
        CSerialComm* port = PortManager().GetGpsPort();
        while (port->IsOpen()) PortManager().StopPort(port);
    }

    bool Enabled(int id) const { return frame->action(id) && frame->action(id)->isEnabled(); }

    static GPolyline* Line(double x)
    {
        auto ring = std::make_unique<GRing>();
        ring->Add(WorldPoint{x, 0});
        ring->Add(WorldPoint{x + 10, 10});
        return new GPolyline(std::move(ring));
    }

    void CloseAllWindows()
    {
        for (CKorvelWnd* w : m_app->DocumentWindows()) {
            w->document()->SetModifiedFlag(false);
            w->close();
        }
        QApplication::processEvents();
    }

};

// A menu or tool bar as text: command ids, "-" for separators, popups as title{...}. Hidden
// commands (the unused recent-file entries) are left out.
QString Dump(const QList<QAction*>& actions)
{
    QStringList parts;
    for (QAction* a : actions) {
        if (a->isSeparator())
            parts << QStringLiteral("-");
        else if (a->menu())
            parts << a->menu()->title() + QLatin1Char('{') + Dump(a->menu()->actions()) + QLatin1Char('}');
        else if (a->isVisible())
            parts << QString::number(a->data().toInt());
    }
    return parts.join(QLatin1Char(' '));
}

TEST_F(CommandTableTest, EveryCommandHasItsTextsAndIsRunOrDisabled)
{
    for (const CommandEntry& e : frame->commands().entries()) {
        SCOPED_TRACE(e.id);
        QAction* a = frame->action(e.id);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->data().toInt(), e.id);
        // The status text comes from the string table under the command's id.
        ASSERT_TRUE(HasString(e.id));
        // Every command but the recent files (whose face names the file) has a menu text; the
        // key written after its tab is the key that runs it.
        if (!e.face) {
            EXPECT_FALSE(a->statusTip().isEmpty());
            EXPECT_EQ(a->statusTip(), LoadString(e.id).section(QLatin1Char('\n'), 0, 0));
            ASSERT_TRUE(e.text);
            EXPECT_EQ(a->text(), QString::fromUtf8(e.text));
            QString written = QString::fromUtf8(e.text).section(QLatin1Char('\t'), 1);
            written.replace(QStringLiteral("Strg"), QStringLiteral("Ctrl"));
            written.replace(QStringLiteral("Entf"), QStringLiteral("Del"));
            EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), written);
        }
        if (e.icon) {
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(e.icon))));
        }
        EXPECT_EQ(a->isCheckable(), e.checkable);
        // A command is enabled only when the view claims it or the entry has a handler.
        const CommandState state = frame->CommandStateOf(e.id);
        const CommandState viewState = wnd->view()->OnUpdateCommand(e.id);
        if (!viewState.handled && !e.handler) {
            EXPECT_FALSE(state.enabled);
        }
        if (viewState.handled) {
            EXPECT_EQ(state.enabled, viewState.enabled);
        }
        EXPECT_TRUE(viewState.handled || e.handler) << "nobody runs this command";
        EXPECT_EQ(a->isEnabled(), state.enabled);
    }
    // The view's commands, without a view, are nobody's.
    CloseAllWindows();
    for (int id : {ID_VIEW_ZOOM_IN, ID_VIEW_FIT_ALL, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW}) {
        EXPECT_FALSE(frame->CommandStateOf(id).enabled) << id;
        EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_FALSE(frame->RunCommand(id)) << id;
    }
}

TEST_F(CommandTableTest, MenusAndBarsHaveTheirPlacesAndOrder)
{
    const QString fileWithDocument = QStringLiteral(
        "&Datei{57600 57601 57602 57603 57604 - &Import{32771 32772 32840} &Export{32778 32777 32841} - 57607 57609 "
        "57606 - - "
        "57665}");
    const QString bars = QStringLiteral("&Symbolleiste{59399 59400 59401 59403 - 32800}");
    const QString common = QStringLiteral(" 59393 - 59402 59404}");
    const QString extras = QStringLiteral(" E&xtras{32779 32787 - 32799}");
    const QString edit = QStringLiteral(
        " &Bearbeiten{57643 57644 - 57632 - &Punkte{32786 32780} &Linien{32801} &Flächen{32802} &Texte{32797 32789} &Bilder{32798}}");
    // Measuring needs a document window.
    const QString measure = QStringLiteral(" &Messen{32791 32792 32793 - 32795 32796}");
    const QString withDocument = fileWithDocument + edit + QStringLiteral(" &Ansicht{32773 32774 32776 32775 - &Online-Karte{32804 32805 32806 32807} - ") +
                                 bars + common + measure + extras +
                                 QStringLiteral(" &Fenster{57650 57651} &Hilfe{57664}");
    const QString withoutDocument = QStringLiteral("&Datei{57600 57601 - 57606 - - 57665} &Ansicht{") + bars +
                                    common + extras + QStringLiteral(" &Hilfe{57664}");
    EXPECT_EQ(Dump(frame->menuBar()->actions()), withDocument);

    // The bars, left to right as docked.
    EXPECT_EQ(Dump(frame->toolBar(ID_VIEW_TOOLBAR_FILE)->actions()),
              QStringLiteral("57600 57601 57603 - 57607 - 57664"));
    EXPECT_EQ(Dump(frame->toolBar(ID_VIEW_TOOLBAR_ZOOM)->actions()),
              QStringLiteral("32782 32786 - 32773 32774 32776 32775"));
    EXPECT_EQ(Dump(frame->toolBar(ID_VIEW_TOOLBAR_IMPEXP)->actions()),
              QStringLiteral("32771 32778 - 32772 32777"));
    EXPECT_EQ(Dump(frame->toolBar(ID_VIEW_TOOLBAR_SURVEY)->actions()).toStdString(),
              "32787 32779 32799 - 59402 59404 - 32808 32791 32792 32793 32795 32796");

    // A recent file shows between the printing and "Beenden".
    m_app->recentFiles().Add(QStringLiteral("/tmp/feld.kvd"));
    frame->UpdateCommandUI();
    EXPECT_EQ(frame->action(ID_FILE_MRU_FILE1)->text(), QStringLiteral("&1 feld.kvd"));
    EXPECT_TRUE(Dump(frame->menuBar()->actions()).contains(QStringLiteral("57606 - 57616 - 57665")));

    // Without a document window the other menu bar.
    CloseAllWindows();
    m_app->recentFiles().Remove(QStringLiteral("/tmp/feld.kvd"));
    frame->UpdateCommandUI();
    EXPECT_EQ(Dump(frame->menuBar()->actions()), withoutDocument);

    // The window list follows the windows when the popup opens.
    m_app->OnFileNew();
    QApplication::processEvents();
    QMenu* windows = nullptr;
    for (QAction* a : frame->menuBar()->actions()) {
        if (a->menu() && a->menu()->title() == QStringLiteral("&Fenster")) windows = a->menu();
    }
    ASSERT_TRUE(windows);
    for (int i = 0; i < 2; ++i) {
        emit windows->aboutToShow();
        const QList<QAction*> items = windows->actions();
        ASSERT_EQ(items.size(), 4);
        EXPECT_TRUE(items[2]->isSeparator());
        EXPECT_EQ(items[3]->text(), QStringLiteral("&1 Korvel2"));
        EXPECT_TRUE(items[3]->isChecked());
    }
}

TEST_F(CommandTableTest, ACommandNobodyRunsIsDisabled)
{
    // A measuring command whose tool does not exist yet: it has an entry, but no handler and
    // no view claims it.
    const int measure = 32791;
    QAction* a = frame->AddCommand(CommandEntry(measure).Text("Punkt messen").Shortcut("F5"));
    frame->UpdateCommandUI();
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(frame->RunCommand(measure));
    EXPECT_EQ(a->shortcut(), QKeySequence(Qt::Key_F5));

    // With a handler it runs, unless its own predicate says no.
    int runs = 0;
    bool allowed = false;
    frame->AddCommand(
        CommandEntry(measure).Text("Punkt messen").EnabledWhen([&] { return allowed; }).Handler([&] {
            ++runs;
        }));
    frame->UpdateCommandUI();
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(frame->RunCommand(measure));
    allowed = true;
    frame->UpdateCommandUI();
    EXPECT_TRUE(a->isEnabled());
    a->trigger();
    EXPECT_EQ(runs, 1);
    // Ids without an entry are not run at all.
    EXPECT_FALSE(frame->RunCommand(32792));
}

TEST_F(CommandTableTest, AViewCommandStaysTheViewsWhenItIsDisabled)
{
    // The frame also offers "recompute bounds" here; the view claims the id whenever it is
    // active, and then the frame's handler must never run, not even while the view has it
    // disabled.
    int frameRuns = 0;
    frame->AddCommand(CommandEntry(ID_VIEW_RECALC_BOUNDS).Text("Grenzen").Handler([&] { ++frameRuns; }));
    doc->SetModifiedFlag(false);
    doc->DeleteContents();  // the view has nothing to recompute: claimed, but disabled
    frame->UpdateCommandUI();
    const CommandState state = frame->CommandStateOf(ID_VIEW_RECALC_BOUNDS);
    EXPECT_TRUE(state.handled);
    EXPECT_FALSE(state.enabled);
    EXPECT_FALSE(Enabled(ID_VIEW_RECALC_BOUNDS));
    EXPECT_FALSE(frame->RunCommand(ID_VIEW_RECALC_BOUNDS));
    EXPECT_EQ(frameRuns, 0);

    // Enabled, the view runs it (recomputing marks the document modified).
    doc->OnNewDocument(900913);
    doc->SetModifiedFlag(false);
    frame->UpdateCommandUI();
    EXPECT_TRUE(Enabled(ID_VIEW_RECALC_BOUNDS));
    EXPECT_TRUE(frame->RunCommand(ID_VIEW_RECALC_BOUNDS));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(frameRuns, 0);

    // Without a view the entry's own handler answers.
    CloseAllWindows();
    EXPECT_TRUE(Enabled(ID_VIEW_RECALC_BOUNDS));
    EXPECT_TRUE(frame->RunCommand(ID_VIEW_RECALC_BOUNDS));
    EXPECT_EQ(frameRuns, 1);
}

TEST_F(CommandTableTest, StatesFollowTheDocumentAndTheReceiverWithoutTheTimer)
{
    frame->commandTimer().stop();
    EXPECT_FALSE(Enabled(ID_EXPORT_SHAPE));
    EXPECT_FALSE(frame->isWindowModified());

    doc->AddObject(Line(0));
    QApplication::processEvents();
    EXPECT_TRUE(Enabled(ID_EXPORT_SHAPE));
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));  // a line alone cannot go to the handheld
    EXPECT_TRUE(frame->isWindowModified());

    // The receiver switched on elsewhere (the settings dialog restarts it this way).
    const QString log = m_settings.folder() + QStringLiteral("/walk.nmea");
    {
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("$GPGGA,120000.00,5000.0000,N,00900.0000,E,1,08,1.0,100.0,M,47.0,M,,*6B\r\n");
    }
    CSerialComm* port = PortManager().GetGpsPort();
    PortManager().SetPortName(port, QStringLiteral("nmea-file://") + log);
    EXPECT_FALSE(frame->action(ID_GPS_ACTIVE)->isChecked());
    ASSERT_TRUE(PortManager().StartPort(port, false));
    QApplication::processEvents();
    EXPECT_TRUE(frame->action(ID_GPS_ACTIVE)->isChecked());
    PortManager().StopPort(port);
    QApplication::processEvents();
    EXPECT_FALSE(frame->action(ID_GPS_ACTIVE)->isChecked());
    EXPECT_FALSE(frame->commandTimer().isActive());
}

TEST_F(CommandTableTest, TheRefreshDoesNotWalkTheDocument)
{
    // Many lines and no point: the walk for the handheld export finds nothing and has to see
    // every object.
    for (int i = 0; i < 2000; ++i) doc->AddObject(Line(i * 20.0));
    frame->UpdateCommandUI();
    EXPECT_TRUE(Enabled(ID_EXPORT_SHAPE));
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));
    const int walks = frame->documentKinds().walks();

    // Refreshes, by hand and by the timer, walk nothing while the document stays as it is.
    for (int i = 0; i < 20; ++i) frame->UpdateCommandUI();
    ASSERT_TRUE(frame->commandTimer().isActive());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 600) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(frame->documentKinds().walks(), walks);

    // Another line changes nothing that needs a walk; the first point does, once.
    doc->AddObject(Line(-100.0));
    QApplication::processEvents();
    EXPECT_EQ(frame->documentKinds().walks(), walks);
    auto* point = new GPoint(WorldPoint{1.0, 1.0});
    doc->AddObject(point);
    for (int i = 0; i < 5; ++i) frame->UpdateCommandUI();
    EXPECT_TRUE(Enabled(ID_EXPORT_ZENTO));
    EXPECT_EQ(frame->documentKinds().walks(), walks + 1);

    // Removing it is noticed as well.
    std::unique_ptr<GObj> removed = doc->RemoveObject(point);
    ASSERT_TRUE(removed);
    QApplication::processEvents();
    EXPECT_FALSE(Enabled(ID_EXPORT_ZENTO));
    EXPECT_EQ(frame->documentKinds().walks(), walks + 2);
}

TEST_F(CommandTableTest, EditingToolsAndUndoRunThroughTheFrame)
{
    // Every view gets the editing tools from the frame.
    for (int tool : {TOOL_SELECT, TOOL_ROTATE_TEXT, TOOL_CREATE_POINT, TOOL_FIND_POINT})
        EXPECT_NE(wnd->view()->Tools().Handler(tool), nullptr) << tool;

    ASSERT_TRUE(frame->RunCommand(ID_EDIT_SELECT));
    EXPECT_EQ(frame->CurrentTool(), TOOL_SELECT);
    EXPECT_TRUE(frame->action(ID_EDIT_SELECT)->isChecked());
    // No receiver: no finding.
    EXPECT_FALSE(Enabled(ID_EDIT_FIND_POINT));

    auto* p = new GPoint(WorldPoint{1, 1});
    ASSERT_TRUE(doc->AddObject(p));
    doc->SetModifiedFlag(false);
    p->m_wFlags |= GF_SELECTED;
    frame->UpdateCommandUI();
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    ASSERT_TRUE(frame->RunCommand(ID_EDIT_CLEAR));
    EXPECT_EQ(doc->ContainsObject(p), nullptr);
    EXPECT_TRUE(wnd->isWindowModified());
    frame->UpdateCommandUI();
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    ASSERT_TRUE(frame->RunCommand(ID_EDIT_UNDO));
    EXPECT_EQ(doc->ContainsObject(p), p);
    EXPECT_FALSE(wnd->isWindowModified());
    frame->UpdateCommandUI();
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    EXPECT_EQ(frame->action(ID_EDIT_UNDO)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(frame->action(ID_EDIT_REDO)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Y")));
    EXPECT_EQ(frame->action(ID_EDIT_CLEAR)->shortcut(), QKeySequence(Qt::Key_Delete));
}

}  // namespace
}  // namespace korvel
