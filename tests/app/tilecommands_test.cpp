// The background map commands in the running program: the notice outside the web-mercator
// system, the disclaimers and their answers, switching off, the check marks and the repaint.
#include "app/tilecommands.h"

#include "app/mainframe.h"
#include "apptestsupport.h"
#include "support/testsupport.h"
#include "view/korvelview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

namespace korvel {
namespace {

class TileCommandsTest : public test::RunningProgramTest {};

TEST_F(TileCommandsTest, SwitchesAsTheUserAnswersAndRepaintsTheWholeView)
{
    constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;
    const struct {
        const char* name;
        int crs;
        int before;
        int command;
        int answer;
        int message;  // 0: none shown
        int caption;
        unsigned type;
        int after;
        bool modified;  // the stored background flag changed
    } cases[] = {
        {"outside web mercator only the notice", 31467, 2, ID_TILES_GOOGLE, IDYES, 2101, 1402,
         MB_OK | MB_ICONINFORMATION, 2, false},
        {"switching off outside web mercator too", 31467, 2, ID_TILES_OSM, IDYES, 2101, 1402,
         MB_OK | MB_ICONINFORMATION, 2, false},
        {"no keeps the previous service", 900913, 2, ID_TILES_GOOGLE, IDNO, 2103, 2102, kQuestion, 2, false},
        {"no keeps another service", 900913, 4, ID_TILES_VE_AERIAL, IDNO, 2104, 2102, kQuestion, 4, false},
        {"yes switches", 900913, 2, ID_TILES_VE_AERIAL, IDYES, 2104, 2102, kQuestion, 3, false},
        {"every switch on asks", 900913, 3, ID_TILES_VE_ROAD, IDYES, 2104, 2102, kQuestion, 4, false},
        {"google from off", 900913, 0, ID_TILES_GOOGLE, IDYES, 2103, 2102, kQuestion, 1, true},
        {"the active service again switches off", 900913, 3, ID_TILES_VE_AERIAL, IDNO, 0, 0, 0, 0, true},
        {"openstreetmap without a question", 900913, 0, ID_TILES_OSM, IDNO, 0, 0, 0, 2, true},
        {"openstreetmap instead of another", 900913, 1, ID_TILES_OSM, IDNO, 0, 0, 0, 2, false},
    };
    CKorvelView* view = wnd->view();
    int fullPaints = 0;
    int paints = 0;
    view->SetTileLayerHook([&](const TilePaintRequest& req) {
        ++paints;
        fullPaints += req.clip == req.client;
        return false;
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        doc->m_nCoordSys = c.crs;
        doc->m_nTileService = c.before;
        doc->SetModifiedFlag(false);
        view->InvalidateAll();
        QApplication::processEvents();
        paints = fullPaints = 0;

        test::MessageRecorder messages(c.answer);
        EXPECT_TRUE(frame->RunCommand(c.command));
        QApplication::processEvents();
        EXPECT_EQ(doc->m_nTileService, c.after);
        EXPECT_EQ(doc->IsModified(), c.modified);
        if (c.message) {
            ASSERT_EQ(messages.messages().size(), 1u);
            EXPECT_EQ(messages.messages()[0].textId, c.message);
            EXPECT_EQ(messages.messages()[0].captionId, c.caption);
            EXPECT_EQ(messages.messages()[0].type, c.type);
        } else {
            EXPECT_TRUE(messages.messages().empty());
        }
        // A change repaints the whole view (through the tile layer while tiles show); an
        // unchanged service repaints nothing.
        const bool changed = c.after != c.before;
        EXPECT_EQ(paints > 0, changed && c.after != 0);
        EXPECT_EQ(fullPaints > 0, changed && c.after != 0);

        // The check marks: exactly the shown service's entry, and only in web mercator.
        for (int id = ID_TILES_GOOGLE; id <= ID_TILES_VE_ROAD; ++id) {
            QAction* a = frame->action(id);
            ASSERT_TRUE(a);
            EXPECT_TRUE(a->isEnabled());
            EXPECT_EQ(a->isChecked(), c.crs == 900913 && TileServiceOfCommand(id) == c.after) << id;
        }
    }
}

}  // namespace
}  // namespace korvel
