// The surveying commands in the running program: keys, states, the pause face, and that a
// recording is stored before the save question when a window closes or the program quits.
#include "app/commandids.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "apptestsupport.h"
#include "gps/portmanager.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "support/documentcontent.h"
#include "survey/measurecontroller.h"
#include "view/korvelview.h"

#include "../survey/surveytestsupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPointer>

#include <memory>

namespace korvel {
namespace {

using test::NmeaLine;
using test::ObjectsOfType;

class MeasureCommandsTest : public test::RunningProgramTest {
protected:
    void SetUp() override
    {
        RunningProgramTest::SetUp();
        if (HasFatalFailure()) return;
        doc->OnNewDocument(31467);
        CSerialComm* port = PortManager().GetGpsPort();
        PortManager().SetPortName(port, pty.name());
        ASSERT_TRUE(PortManager().StartPort(port, false));
        frame->UpdateCommandUI();
    }
    void TearDown() override
    {
        test::MessageRecorder quiet(IDNO);
        for (CKorvelWnd* w : m_app->DocumentWindows()) {
            w->view()->measuring()->EndMeasuring();
            w->document()->SetModifiedFlag(false);
        }
        m_app.reset();
        CSerialComm* port = PortManager().GetGpsPort();
        while (port->IsOpen()) PortManager().StopPort(port);
    }
    CMeasureController& measuring() const
    {
        return *dynamic_cast<CMeasureController*>(wnd->view()->measuring());
    }
    bool Enabled(int id) const { return frame->action(id) && frame->action(id)->isEnabled(); }
    // Two recorded points, ten metres apart.
    void RecordTwoPoints()
    {
        ASSERT_TRUE(frame->RunCommand(ID_MEASURE_TRACK));
        for (int i = 0; i < 2; ++i) {
            WorldPoint p{3500000.0 + 10.0 * i, 5500000.0};
            CoordTransform toWgs{1, 31467, CRS_WGS84};
            TransformPoint(&p, &toWgs);
            char body[160];
            std::snprintf(body, sizeof body, "GPGGA,10000%d,%s,%s,1,08,0.9,100.0,M,47.0,M,,", i,
                          test::NmeaAngle(p.y, false).c_str(), test::NmeaAngle(p.x, true).c_str());
            ASSERT_TRUE(pty.Write(NmeaLine(body)));
            const GpsFix& fix = PortManager().GetGpsPort()->fix();
            ASSERT_TRUE(test::WaitUntil([&] { return std::fabs(fix.longitude - p.x) < 1e-9; }, 3000));
            measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
        }
    }

    test::Pty pty;
};

TEST_F(MeasureCommandsTest, KeysAndStatesFollowTheMeasuringMode)
{
    const std::pair<int, const char*> keys[] = {{ID_MEASURE_POINT, "F5"},
                                                {ID_MEASURE_TRACK, "F6"},
                                                {ID_SHOW_POSITION, "F7"},
                                                {ID_MEASURE_PAUSE, "F9"},
                                                {ID_MEASURE_STOP, "F11"}};
    for (const auto& [id, key] : keys) {
        ASSERT_NE(frame->action(id), nullptr) << id;
        EXPECT_EQ(frame->action(id)->shortcut(), QKeySequence(QString::fromLatin1(key))) << id;
    }
    EXPECT_TRUE(Enabled(ID_MEASURE_POINT));
    EXPECT_TRUE(Enabled(ID_MEASURE_TRACK));
    EXPECT_TRUE(Enabled(ID_SHOW_POSITION));
    EXPECT_FALSE(Enabled(ID_MEASURE_PAUSE));
    EXPECT_FALSE(Enabled(ID_MEASURE_STOP));

    ASSERT_TRUE(frame->RunCommand(ID_MEASURE_TRACK));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->action(ID_MEASURE_TRACK)->isChecked());
    EXPECT_TRUE(Enabled(ID_MEASURE_PAUSE));
    EXPECT_TRUE(Enabled(ID_MEASURE_STOP));
    const QIcon running = frame->pauseFace();
    ASSERT_TRUE(frame->RunCommand(ID_MEASURE_PAUSE));
    EXPECT_TRUE(measuring().paused());
    frame->UpdateCommandUI();
    EXPECT_NE(frame->pauseFace().cacheKey(), running.cacheKey()) << "the resume picture shows";

    test::MessageRecorder rec(IDNO);
    ASSERT_TRUE(frame->RunCommand(ID_SHOW_POSITION));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->action(ID_SHOW_POSITION)->isChecked());
    EXPECT_FALSE(frame->action(ID_MEASURE_TRACK)->isChecked());
    EXPECT_FALSE(Enabled(ID_MEASURE_PAUSE));
    EXPECT_FALSE(measuring().paused());

    // Without a receiver nothing can be started, but a running display can still be stopped.
    PortManager().StopPort(PortManager().GetGpsPort());
    frame->UpdateCommandUI();
    EXPECT_FALSE(Enabled(ID_MEASURE_TRACK));
    EXPECT_FALSE(Enabled(ID_MEASURE_POINT));
    EXPECT_TRUE(Enabled(ID_MEASURE_STOP));
    ASSERT_TRUE(frame->RunCommand(ID_MEASURE_STOP));
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModeNone);
}

TEST_F(MeasureCommandsTest, QuittingStoresTheRecordingBeforeTheSaveQuestion)
{
    RecordTwoPoints();
    std::vector<int> asked;
    size_t linesAtSaveQuestion = 99;
    MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) {
        asked.push_back(r.textId);
        if (r.textId == IDS_CLOSE_LINE_QUESTION) return int(IDNO);
        linesAtSaveQuestion = ObjectsOfType(*doc, GT_POLYLINE).size();
        return int(IDCANCEL);  // keep the program open
    });
    EXPECT_FALSE(m_app->CanCloseAll());
    SetMessageHandler(previous);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], IDS_CLOSE_LINE_QUESTION);
    EXPECT_EQ(linesAtSaveQuestion, 1u) << "the line is in the document when the save question comes";
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModeNone);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(MeasureCommandsTest, ClosingTheWindowStoresTheRecordingFirst)
{
    RecordTwoPoints();
    test::MessageRecorder rec(IDNO);
    QPointer<CKorvelWnd> window = wnd;
    window->close();
    QApplication::processEvents();
    ASSERT_GE(rec.messages().size(), 2u);
    EXPECT_EQ(rec.messages()[0].textId, IDS_CLOSE_LINE_QUESTION);
    EXPECT_EQ(rec.messages()[1].captionId, 128) << "then the save question";
    wnd = nullptr;
}

}  // namespace
}  // namespace korvel
