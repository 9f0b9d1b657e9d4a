// The editing tools and commands of the map view, driven with real mouse events on the
// offscreen platform, and the undo and redo of every change they make.

#include "app/docundo.h"
#include "app/edittools.h"
#include "app/labeldlg.h"
#include "app/labelfont.h"
#include "app/manualpointdlg.h"
#include "survey/measurepoint.h"
#include "model/gfindpt.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "support/documentcontent.h"
#include "view/selection.h"
#include "view/viewtestsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>

namespace korvel {
namespace {

using test::InfoText;
using test::ObjectsOfType;

void MouseMods(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButtons held, Qt::KeyboardModifiers mods)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), w.mapToGlobal(QPointF(p)), button, held, mods);
    QCoreApplication::sendEvent(&w, &e);
}

void Drag(QWidget& w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    MouseMods(w, QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
    if (to != from) MouseMods(w, QEvent::MouseMove, to, Qt::LeftButton, mods);
    MouseMods(w, QEvent::MouseButtonRelease, to, Qt::NoButton, mods);
}

std::unique_ptr<GPolygon> Square(double x0, double y0, double x1, double y1)
{
    auto ring = std::make_unique<GRing>(5);
    for (WorldPoint p : {WorldPoint{x0, y0}, WorldPoint{x1, y0}, WorldPoint{x1, y1}, WorldPoint{x0, y1}, WorldPoint{x0, y0}})
        ring->Add(p);
    auto poly = std::make_unique<GPolygon>(std::move(ring));
    poly->CalcBounds();
    return poly;
}

// The objects of the document in walk order.
std::vector<GObj*> Walk(CKorvelDoc& doc)
{
    std::vector<GObj*> out;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) out.push_back(o);
    return out;
}

class EditToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tools.Register(registry);
        host.tools = &registry;
        host.autoNumbering = false;
        doc.OnNewDocument(31467);
        view = std::make_unique<CKorvelView>(&doc, &host);
        view->resize(400, 300);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->SetWorldRect(WorldRect{0, 0, 400, 300});
        ASSERT_NEAR(view->GetScale(), 1.0, 1e-9);
    }

    QPoint Px(double x, double y) const { return view->GetViewport().WorldToScreen(WorldPoint{x, y}); }

    template <class T>
    T* Add(std::unique_ptr<T> obj)
    {
        T* raw = obj.get();
        EXPECT_TRUE(doc.AddObject(obj.release()));
        return raw;
    }
    GPoint* AddPoint(double x, double y, const QString& nr = QString())
    {
        auto p = std::make_unique<GPoint>(WorldPoint{x, y});
        if (!nr.isEmpty()) p->SetInfo(QStringLiteral("PTNR"), nr);
        return Add(std::move(p));
    }
    GText* AddText(double x, double y, const QString& s)
    {
        auto t = std::make_unique<GText>(s);
        t->m_ptPos = WorldPoint{x, y};
        t->m_nAnchor = 1;
        t->SetFont(DefaultLabelFont(), view.get());
        return Add(std::move(t));
    }
    QUndoStack& Stack() { return *CDocUndo::Of(&doc)->Stack(); }
    std::vector<const GObj*> Selected()
    {
        std::vector<const GObj*> out;
        for (GObj* o : SelectedObjects(doc)) out.push_back(o);
        return out;
    }

    LogFont font = DefaultLabelFont();
    uint32_t colour = 0x0000FF;
    CEditTools tools{&font, &colour};
    ToolRegistry registry;
    FakeHost host;
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
};

// ---------------------------------------------------------------- selection

TEST_F(EditToolsTest, ClickOnAPointInsideAPolygonSelectsOnlyThePoint)
{
    GPolygon* area = Add(Square(100, 100, 200, 200));
    GPoint* point = AddPoint(150, 150);
    host.tool = TOOL_SELECT;
    Click(*view, Px(150, 150));
    EXPECT_EQ(Selected(), (std::vector<const GObj*>{point}));
    EXPECT_EQ(view->curObj(), point);
    // Inside the polygon away from the point: the polygon alone.
    Click(*view, Px(120, 180));
    EXPECT_EQ(Selected(), (std::vector<const GObj*>{area}));
}

TEST_F(EditToolsTest, DragSelectsOnlyWhatLiesCompletelyInside)
{
    GPolygon* area = Add(Square(100, 100, 200, 200));
    GPoint* point = AddPoint(150, 150);
    host.tool = TOOL_SELECT;
    Drag(*view, Px(90, 210), Px(160, 90));  // cuts the polygon
    EXPECT_EQ(Selected(), (std::vector<const GObj*>{point}));
    Drag(*view, Px(90, 210), Px(210, 90));  // holds it
    EXPECT_EQ(Selected(), (std::vector<const GObj*>{area, point}));
    EXPECT_EQ(view->curObj(), point);
}

TEST_F(EditToolsTest, ShiftClickUnselectsOnlyThatObject)
{
    GPoint* a = AddPoint(50, 50);
    GPoint* b = AddPoint(100, 100);
    GPoint* c = AddPoint(150, 150);
    host.tool = TOOL_SELECT;
    Drag(*view, Px(10, 290), Px(390, 10));
    ASSERT_EQ(Selected().size(), 3u);
    Drag(*view, Px(100, 100), Px(100, 100), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<const GObj*>{a, c}));
    // And a second Shift-click selects it again.
    Drag(*view, Px(100, 100), Px(100, 100), Qt::ShiftModifier);
    EXPECT_TRUE(b->IsSelected());
    // A click on nothing clears all.
    Click(*view, Px(300, 40));
    EXPECT_TRUE(Selected().empty());
}

TEST_F(EditToolsTest, SelectionWithoutRectangleFollowsToggleAndMask)
{
    GPoint* p = AddPoint(50, 50);
    GText* t = AddText(60, 60, QStringLiteral("x"));
    EXPECT_EQ(SelectObjects(doc, 1, GT_POINT), 1);
    EXPECT_TRUE(p->IsSelected());
    EXPECT_FALSE(t->IsSelected());
    SelectObjects(doc, 2, GT_POINT | GT_TEXT);
    EXPECT_FALSE(p->IsSelected());
    EXPECT_TRUE(t->IsSelected());
    EXPECT_EQ(LastSelected(doc), t);
    SelectObjects(doc, 0, kSelectAllTypes);
    EXPECT_EQ(LastSelected(doc), nullptr);
}

// ---------------------------------------------------------------- delete and its undo

TEST_F(EditToolsTest, DeleteRemovesTheSelectionAndUndoPutsItBackInPlace)
{
    GPolygon* area = Add(Square(100, 100, 200, 200));
    GPoint* a = AddPoint(50, 50, QStringLiteral("7"));
    GPoint* b = AddPoint(60, 60);
    GPoint* c = AddPoint(70, 70);
    const std::vector<GObj*> before = Walk(doc);
    doc.SetModifiedFlag(false);
    a->m_wFlags |= GF_SELECTED;
    c->m_wFlags |= GF_SELECTED;
    area->m_wFlags |= GF_SELECTED;

    EXPECT_TRUE(tools.OnCommand(view.get(), ID_EDIT_CLEAR));
    EXPECT_EQ(Walk(doc), (std::vector<GObj*>{b}));
    EXPECT_TRUE(doc.IsModified());

    Stack().undo();
    EXPECT_EQ(Walk(doc), before);
    EXPECT_EQ(InfoText(*a, "PTNR"), QStringLiteral("7"));
    EXPECT_FALSE(doc.IsModified());  // back at the saved state
    Stack().redo();
    EXPECT_EQ(Walk(doc), (std::vector<GObj*>{b}));
    EXPECT_TRUE(doc.IsModified());
    Stack().undo();
    EXPECT_EQ(Walk(doc), before);
}

TEST_F(EditToolsTest, DeleteKeyInTheViewDeletes)
{
    AddPoint(50, 50)->m_wFlags |= GF_SELECTED;
    QObject::connect(view.get(), &CKorvelView::deleteRequested, [this] { tools.OnCommand(view.get(), ID_EDIT_CLEAR); });
    Key(*view, Qt::Key_Delete);
    EXPECT_TRUE(Walk(doc).empty());
}

TEST_F(EditToolsTest, DeleteAllTextsSparesEverythingElseAndUndoes)
{
    Add(Square(100, 100, 200, 200));
    GPoint* p = AddPoint(50, 50);
    AddText(60, 60, QStringLiteral("Hand"));
    AddText(70, 70, QStringLiteral("Label"));
    auto list = std::make_unique<GList>();
    auto* inner = new GText(QStringLiteral("innen"));
    list->AddTail(inner);
    list->AddTail(new GPoint(WorldPoint{5, 5}));
    Add(std::move(list));  // leads the root: its members are walked too
    const size_t all = Walk(doc).size();

    EXPECT_TRUE(tools.OnCommand(view.get(), ID_EDIT_DELETE_TEXTS));
    EXPECT_TRUE(ObjectsOfType(doc, GT_TEXT).empty());
    EXPECT_EQ(ObjectsOfType(doc, GT_POLYGON).size(), 1u);
    EXPECT_EQ(ObjectsOfType(doc, GT_POINT).size(), 2u);
    EXPECT_TRUE(p->m_pParent);
    Stack().undo();
    EXPECT_EQ(Walk(doc).size(), all);
    EXPECT_EQ(inner->m_pParent->m_pParent, doc.m_pRoot.get());
}

// ---------------------------------------------------------------- labelling

TEST_F(EditToolsTest, LabelCompositionRules)
{
    GPoint with(WorldPoint{1, 2});
    with.SetInfo(QStringLiteral("PTNR"), QStringLiteral("17"));
    const GPoint without(WorldPoint{1, 2});
    struct Case {
        LabelRows rows;
        QString withNr, withoutNr;
    } cases[] = {
        {{LabelRow{QStringLiteral("Nr."), QStringLiteral("PTNR"), {}}, {}, {}}, QStringLiteral("Nr. 17"), QStringLiteral("Nr.")},
        {{LabelRow{{}, QStringLiteral("ptnr"), QStringLiteral("m")}, {}, {}}, QStringLiteral("17 m"), QStringLiteral("m")},
        {{LabelRow{}, LabelRow{QStringLiteral("a"), {}, {}}, LabelRow{{}, QStringLiteral("PTNR"), {}}},
         QStringLiteral("a\n17"), QStringLiteral("a")},
        {{}, QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComposeLabel(with, c.rows), c.withNr);
        EXPECT_EQ(ComposeLabel(without, c.rows), c.withoutNr);
    }
}

TEST_F(EditToolsTest, AttributeNamesAreCollectedOnceWhateverTheirCase)
{
    GPoint* a = AddPoint(1, 1);
    a->SetInfo(QStringLiteral("PTNR"), QStringLiteral("1"));
    GPoint* b = AddPoint(2, 2);
    b->SetInfo(QStringLiteral("ptnr"), QStringLiteral("2"));
    b->SetInfo(QStringLiteral("Code"), QStringLiteral("x"));
    Add(Square(100, 100, 200, 200));  // not a point: its names stay out
    EXPECT_EQ(CollectAttributeNames(doc.m_pRoot.get(), GT_POINT),
              (QStringList{QStringLiteral("RECHTS"), QStringLiteral("HOCH"), QStringLiteral("PTNR"), QStringLiteral("Code")}));
}

TEST_F(EditToolsTest, LabellingPointsThroughTheDialogAndUndo)
{
    GPoint* p17 = AddPoint(50, 50, QStringLiteral("17"));
    AddPoint(80, 80);
    Add(Square(100, 100, 200, 200));
    QTimer::singleShot(0, [this] {
        CLabelDlg& dlg = tools.LabelDialog();
        dlg.BeforeEdit(0)->setText(QStringLiteral("Nr."));
        dlg.AttributeBox(0)->setCurrentText(QStringLiteral("PTNR"));
        dlg.accept();
    });
    // Accepting through the button box keeps the rows; here the rows are taken from the
    // widgets on OK as well.
    EXPECT_TRUE(tools.OnCommand(view.get(), ID_EDIT_LABEL_POINTS));
    EXPECT_EQ(tools.LabelDialog().windowTitle(), QStringLiteral("Punkte beschriften"));
    const auto texts = ObjectsOfType(doc, GT_TEXT);
    ASSERT_EQ(texts.size(), 2u);
    QStringList labels;
    for (const GObj* t : texts) labels << static_cast<const GText*>(t)->m_strText;
    labels.sort();
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Nr."), QStringLiteral("Nr. 17")}));
    for (const GObj* t : texts) EXPECT_EQ(t->m_crColor, colour);
    bool atPoint = false;
    for (const GObj* t : texts) atPoint = atPoint || (t->m_ptPos.x == p17->m_ptPos.x && t->m_ptPos.y == p17->m_ptPos.y);
    EXPECT_TRUE(atPoint);

    Stack().undo();
    EXPECT_TRUE(ObjectsOfType(doc, GT_TEXT).empty());
    Stack().redo();
    EXPECT_EQ(ObjectsOfType(doc, GT_TEXT).size(), 2u);
}

TEST_F(EditToolsTest, EmptyRowsGiveNoTexts)
{
    AddPoint(50, 50, QStringLiteral("17"));
    EXPECT_TRUE(MakeLabels(doc.m_pRoot.get(), LabelRows{}, GT_POINT, font, colour, view.get()).empty());
    QTimer::singleShot(0, [this] { tools.LabelDialog().reject(); });
    tools.OnCommand(view.get(), ID_EDIT_LABEL_POINTS);
    EXPECT_TRUE(ObjectsOfType(doc, GT_TEXT).empty());
    EXPECT_EQ(Stack().count(), 0);
}

TEST_F(EditToolsTest, DialogRowsPersistAndCaptionsFollowTheMask)
{
    CLabelDlg& dlg = tools.LabelDialog();
    dlg.Prepare(4, {QStringLiteral("LAENGE")});
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Linien beschriften"));
    dlg.SetRows({LabelRow{QStringLiteral("L ="), QStringLiteral("laenge"), QStringLiteral("m")}, {}, {}});
    dlg.Prepare(0x18, {QStringLiteral("FLAECHE"), QStringLiteral("LAENGE")});
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Flächen beschriften"));
    EXPECT_EQ(dlg.BeforeEdit(0)->text(), QStringLiteral("L ="));
    EXPECT_EQ(dlg.AttributeBox(0)->currentText(), QStringLiteral("LAENGE"));
    EXPECT_EQ(dlg.AttributeBox(0)->count(), 3);
    EXPECT_EQ(dlg.AfterEdit(0)->text(), QStringLiteral("m"));
}

// ---------------------------------------------------------------- rotate text

TEST_F(EditToolsTest, RotatingByDragSetsTheEscapementTowardsTheCursor)
{
    // The anchor at a pixel centre, so that straight moves give exact angles.
    const WorldPoint anchorPos = view->PixelToWorld(QPoint(100, 150));
    GText* text = AddText(anchorPos.x, anchorPos.y, QStringLiteral("Text"));
    host.tool = TOOL_ROTATE_TEXT;
    struct Case {
        QPoint offset;
        int32_t escapement;
    } cases[] = {{{0, -60}, 900}, {{-60, 0}, 1800}, {{0, 60}, -900}, {{60, 0}, 0}};
    for (const Case& c : cases) {
        const QPoint inside = view->GetViewport().WorldToScreen(
            WorldPoint{(text->m_rcBounds.minX + text->m_rcBounds.maxX) / 2, (text->m_rcBounds.minY + text->m_rcBounds.maxY) / 2});
        const QPoint anchor(100, 150);
        MouseMods(*view, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::NoModifier);
        ASSERT_EQ(view->curObj(), text);
        MouseMods(*view, QEvent::MouseMove, anchor + c.offset, Qt::LeftButton, Qt::NoModifier);
        MouseMods(*view, QEvent::MouseButtonRelease, anchor + c.offset, Qt::NoButton, Qt::NoModifier);
        EXPECT_EQ(text->m_lf.lfEscapement, c.escapement) << c.offset.x() << "," << c.offset.y();
        EXPECT_FALSE(text->IsSelected());
        EXPECT_EQ(view->curObj(), nullptr);
    }
    // Each drag that turned the text is one step; undo goes back through the angles.
    EXPECT_EQ(Stack().count(), 4);
    Stack().undo();
    EXPECT_EQ(text->m_lf.lfEscapement, -900);
    Stack().undo();
    Stack().undo();
    Stack().undo();
    EXPECT_EQ(text->m_lf.lfEscapement, 0);
    EXPECT_FALSE(doc.IsModified() && Stack().isClean());
}

TEST_F(EditToolsTest, EscapementFormula)
{
    EXPECT_EQ(RotateTextTool::EscapementTowards({0, 0}, {1, 1}), 450);
    EXPECT_EQ(RotateTextTool::EscapementTowards({0, 0}, {-1, -1}), -1350);
    EXPECT_EQ(RotateTextTool::EscapementTowards({0, 0}, {1, -0.001}), -0);
}

// ---------------------------------------------------------------- create point

TEST_F(EditToolsTest, CreatePointNumbersAutomaticallyAndIgnoresTheSamePixel)
{
    host.tool = TOOL_CREATE_POINT;
    host.autoNumbering = true;
    doc.m_strLastPointNo = QStringLiteral("P09");
    Click(*view, QPoint(100, 100));
    Click(*view, QPoint(100, 100));  // the second click of a double click
    Click(*view, QPoint(101, 101));  // still within 2 pixels
    ASSERT_EQ(ObjectsOfType(doc, GT_POINT).size(), 1u);
    Click(*view, QPoint(150, 100));
    const auto points = ObjectsOfType(doc, GT_POINT);
    ASSERT_EQ(points.size(), 2u);
    QStringList numbers{InfoText(*points[0], "PTNR"), InfoText(*points[1], "PTNR")};
    numbers.sort();
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("P10"), QStringLiteral("P11")}));
    EXPECT_EQ(ObjectsOfType(doc, GT_TEXT).size(), 2u);
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral("P11"));

    // One step per point: its point and its number.
    Stack().undo();
    EXPECT_EQ(ObjectsOfType(doc, GT_POINT).size(), 1u);
    EXPECT_EQ(ObjectsOfType(doc, GT_TEXT).size(), 1u);
    Stack().redo();
    EXPECT_EQ(ObjectsOfType(doc, GT_POINT).size(), 2u);
}

TEST_F(EditToolsTest, CreatePointDialogSetsTheAutoNumberingFlag)
{
    host.tool = TOOL_CREATE_POINT;
    int shown = 0;
    tools.pointDialog = [&](CKorvelView&, const WorldPoint&, QString& number, bool& autoNumber) {
        ++shown;
        EXPECT_EQ(number, QStringLiteral("1"));
        number = QStringLiteral("A7");
        autoNumber = true;
        return true;
    };
    Click(*view, QPoint(100, 100));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(host.autoNumbering);
    Click(*view, QPoint(200, 100));  // numbered at once now
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(doc.m_strLastPointNo, QStringLiteral("A8"));
    // Switching the tool off clears the flag; switching it on does not.
    tools.OnCommand(view.get(), ID_EDIT_CREATE_POINT);
    EXPECT_EQ(host.tool, TOOL_NONE);
    EXPECT_FALSE(host.autoNumbering);
}

TEST_F(EditToolsTest, NextPointNumbers)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "1"}, {"P09", "P10"}, {"7", "8"}, {"Schacht", "Schacht1"}, {"P007", "P8"}, {"B-9", "B-10"}, {"99", "100"}};
    for (auto [last, next] : cases) EXPECT_EQ(NextPointNumber(QString::fromUtf8(last)), QString::fromUtf8(next)) << last;
}

// ---------------------------------------------------------------- find point

TEST_F(EditToolsTest, FindMarksTheNearestPointWithItsNumber)
{
    AddPoint(100, 100, QStringLiteral("17"));
    AddPoint(103, 100, QStringLiteral("18"));
    int started = 0;
    tools.startPositionDisplay = [&](CKorvelView&) { ++started; };
    host.tool = TOOL_PAN;
    tools.OnCommand(view.get(), ID_EDIT_FIND_POINT);
    EXPECT_EQ(host.tool, TOOL_FIND_POINT);
    Click(*view, Px(104, 100));
    ASSERT_NE(view->findMarker(), nullptr);
    EXPECT_EQ(view->findMarker()->m_strText, QStringLiteral("18"));
    EXPECT_EQ(view->findMarker()->m_ptPos.x, 103.0);
    EXPECT_EQ(host.tool, TOOL_PAN);  // the tool before comes back
    EXPECT_EQ(started, 1);
}

TEST_F(EditToolsTest, FindTenPixelsAwayMarksTheClickedPositionWithoutText)
{
    AddPoint(100, 100, QStringLiteral("17"));
    host.tool = TOOL_FIND_POINT;
    const QPoint click = Px(100, 100) + QPoint(10, 0);
    Click(*view, click);
    ASSERT_NE(view->findMarker(), nullptr);
    EXPECT_TRUE(view->findMarker()->m_strText.isEmpty());
    const WorldPoint w = view->PixelToWorld(click);
    EXPECT_EQ(view->findMarker()->m_ptPos.x, w.x);
    EXPECT_EQ(view->findMarker()->m_ptPos.y, w.y);
}

TEST_F(EditToolsTest, CommandStatesAndCheckMarks)
{
    bool open = false;
    tools.portOpen = [&] { return open; };
    EXPECT_FALSE(tools.OnUpdateCommand(view.get(), ID_EDIT_FIND_POINT).enabled);
    open = true;
    EXPECT_TRUE(tools.OnUpdateCommand(view.get(), ID_EDIT_FIND_POINT).enabled);
    for (auto [id, tool] : {std::pair{ID_EDIT_SELECT, TOOL_SELECT}, std::pair{ID_EDIT_ROTATE_TEXT, TOOL_ROTATE_TEXT},
                            std::pair{ID_EDIT_CREATE_POINT, TOOL_CREATE_POINT}}) {
        host.autoNumbering = true;
        tools.OnCommand(view.get(), id);
        EXPECT_EQ(host.tool, tool);
        EXPECT_TRUE(tools.OnUpdateCommand(view.get(), id).checked);
        // Tools 4 and 5 clear the auto-numbering flag when switched on, tool 6 only when off.
        EXPECT_EQ(host.autoNumbering, tool == TOOL_CREATE_POINT);
        tools.OnCommand(view.get(), id);
        EXPECT_EQ(host.tool, TOOL_NONE);
    }
    EXPECT_FALSE(tools.OnUpdateCommand(view.get(), ID_EDIT_UNDO).enabled);
    EXPECT_FALSE(tools.OnUpdateCommand(nullptr, ID_EDIT_CLEAR).enabled);
    EXPECT_TRUE(tools.OnUpdateCommand(nullptr, ID_EDIT_LABEL_FONT).enabled);
}

TEST_F(EditToolsTest, FontChoiceKeepsTheRecordAndColour)
{
    tools.fontDialog = [](QWidget*, LogFont& lf, uint32_t& c) {
        lf.lfHeight = -20;
        lf.lfItalic = 1;
        lf.SetFaceName(QStringLiteral("DejaVu Serif"));
        c = 0x00112233;
        return true;
    };
    GText* old = AddText(10, 10, QStringLiteral("alt"));
    const LogFont oldFont = old->m_lf;
    tools.OnCommand(view.get(), ID_EDIT_LABEL_FONT);
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(font.FaceName(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(colour, 0x00112233u);
    EXPECT_TRUE(old->m_lf == oldFont);  // existing texts keep theirs
    const LogFont round = LogFontFromQFont(QFontFromLogFont(font));
    EXPECT_EQ(round.lfHeight, -20);
    EXPECT_EQ(round.lfItalic, 1);
}

// ---------------------------------------------------------------- undo and the document

TEST_F(EditToolsTest, AddedObjectsUndoAsOneStep)
{
    std::vector<std::unique_ptr<GObj>> objs;
    objs.push_back(std::make_unique<GPoint>(WorldPoint{10, 10}));
    objs.push_back(std::make_unique<GText>(QStringLiteral("10")));
    EXPECT_EQ(PushAddObjects(doc, std::move(objs), QStringLiteral("Punkt messen")), 2u);
    EXPECT_EQ(Stack().undoText(), QStringLiteral("Punkt messen"));
    Stack().undo();
    EXPECT_TRUE(Walk(doc).empty());
    EXPECT_FALSE(doc.IsModified());
    Stack().redo();
    EXPECT_EQ(Walk(doc).size(), 2u);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(EditToolsTest, ModifiedFlagFollowsTheSavedState)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.kvd"));
    AddPoint(10, 10)->m_wFlags |= GF_SELECTED;
    tools.OnCommand(view.get(), ID_EDIT_CLEAR);
    ASSERT_EQ(doc.Save(path), KvdStatus::Ok);
    EXPECT_FALSE(doc.IsModified());
    Stack().undo();  // the point is back: unsaved
    EXPECT_TRUE(doc.IsModified());
    Stack().redo();  // the saved state again
    EXPECT_FALSE(doc.IsModified());

    // A change that is not on the stack: no undo may claim the saved state afterwards.
    AddPoint(20, 20);
    Stack().undo();
    Stack().redo();
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(EditToolsTest, UndoAfterCloseAndReopenFindsNoStack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.kvd"));
    AddPoint(10, 10)->m_wFlags |= GF_SELECTED;
    AddPoint(20, 20);
    tools.OnCommand(view.get(), ID_EDIT_CLEAR);
    ASSERT_EQ(doc.Save(path), KvdStatus::Ok);
    view.reset();

    auto reopened = std::make_unique<CKorvelDoc>();
    ASSERT_EQ(reopened->Open(path), KvdStatus::Ok);
    CKorvelView second(reopened.get(), &host);
    EXPECT_EQ(CDocUndo::Find(reopened.get()), nullptr);
    EXPECT_FALSE(tools.OnUpdateCommand(&second, ID_EDIT_UNDO).enabled);
    EXPECT_TRUE(tools.OnCommand(&second, ID_EDIT_UNDO));  // nothing to undo, nothing breaks
    EXPECT_EQ(ObjectsOfType(*reopened, GT_POINT).size(), 1u);

    // Opening into a document that has steps drops them with the old tree.
    EXPECT_EQ(CDocUndo::Of(&doc)->Stack()->count(), 1);
    ASSERT_EQ(doc.Open(path), KvdStatus::Ok);
    EXPECT_EQ(CDocUndo::Of(&doc)->Stack()->count(), 0);
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace
}  // namespace korvel
