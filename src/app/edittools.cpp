#include "app/edittools.h"

#include "app/docundo.h"
#include "app/labeldlg.h"
#include "app/manualpointdlg.h"
#include "survey/measurepoint.h"
#include "model/cobjenum.h"
#include "model/gfindpt.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
#include "view/selection.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvel {
namespace {

constexpr uint32_t kLabelMaskPoints = GT_POINT;
constexpr uint32_t kLabelMaskLines = GT_POLYLINE;
constexpr uint32_t kLabelMaskAreas = GT_POLYGON | 0x10;

bool NearPress(QPoint a, QPoint b) { return std::abs(a.x() - b.x()) < 2 && std::abs(a.y() - b.y()) < 2; }

PixelRect PixelAt(QPoint p) { return PixelRect{p.x(), p.y(), p.x(), p.y()}; }

bool HasRoot(const CKorvelView* view) { return view && view->GetDocument() && view->GetDocument()->m_pRoot; }

bool DefaultFontDialog(QWidget* parent, LogFont& lf, uint32_t& colour)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, QFontFromLogFont(lf), parent, QObject::tr("Schriftart"),
                                              QFontDialog::ScalableFonts);
    if (!ok) return false;
    // Qt's font dialog has no colour: the colour follows in the colour dialog (cancel keeps
    // the old one).
    const QColor c = QColorDialog::getColor(QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF)),
                                            parent, QObject::tr("Schriftfarbe"));
    const LogFont old = lf;
    lf = LogFontFromQFont(chosen);
    lf.lfEscapement = old.lfEscapement;
    if (c.isValid()) colour = uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- fonts

LogFont LogFontFromQFont(const QFont& font)
{
    LogFont lf;
    int px = font.pixelSize();
    if (px <= 0) px = int(std::lround(font.pointSizeF() * 96.0 / 72.0));
    lf.lfHeight = -px;
    // Qt weights run 100..900 like the font record's.
    lf.lfWeight = int32_t(font.weight());
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
    lf.SetFaceName(font.family());
    return lf;
}

QFont QFontFromLogFont(const LogFont& lf)
{
    QFont font(lf.FaceName());
    if (lf.lfHeight != 0) font.setPixelSize(std::abs(lf.lfHeight));
    if (lf.lfWeight > 0) font.setWeight(QFont::Weight(std::clamp(lf.lfWeight, 1, 1000)));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    return font;
}

// ---------------------------------------------------------------- select tool

void SelectTool::OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods)
{
    PixelRect rect = band;
    if (band.right - band.left < 2 || band.bottom - band.top < 2) rect = PixelAt(pixel);
    SelectObjects(view, rect, (mods & Qt::ShiftModifier) != 0, kSelectAllTypes);
}

// ---------------------------------------------------------------- rotate-text tool

int32_t RotateTextTool::EscapementTowards(const WorldPoint& anchor, const WorldPoint& cursor)
{
    const double degrees = std::atan2(cursor.y - anchor.y, cursor.x - anchor.x) * 180.0 / std::numbers::pi;
    return int32_t(std::trunc(degrees * 10.0));
}

GText* RotateTextTool::Text(CKorvelView& view) const
{
    GObj* o = view.curObj();
    return o && o->GetType() == GT_TEXT ? static_cast<GText*>(o) : nullptr;
}

void RotateTextTool::OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers)
{
    m_before.reset();
    CKorvelDoc* doc = view.GetDocument();
    if (!doc) return;
    SelectObjects(view, PixelAt(pixel), false, GT_TEXT);
    GText* text = Text(view);
    if (!text) {
        view.setCurObj(nullptr);
        return;
    }
    SelectObjects(*doc, 0, kSelectAllTypes);
    text->m_wFlags |= GF_SELECTED;
    m_before = TextLook::Of(*text);
}

void RotateTextTool::OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers)
{
    GText* text = Text(view);
    CKorvelDoc* doc = view.GetDocument();
    if (!text || !doc || !m_before) return;
    // The live turning belongs to the undo step pushed on release.
    CDocUndo::ChangeScope scope(CDocUndo::Of(doc));
    doc->UpdateObject(text, false);
    text->m_lf.lfEscapement = EscapementTowards(text->m_ptPos, view.PixelToWorld(pixel));
    text->Layout(view);
    doc->UpdateObject(text, false);
    doc->SetModifiedFlag(true);
}

void RotateTextTool::Finish(CKorvelView& view, bool keep)
{
    GText* text = Text(view);
    CKorvelDoc* doc = view.GetDocument();
    if (!text || !doc) {
        view.setCurObj(nullptr);
        m_before.reset();
        return;
    }
    if (m_before && !keep) {
        CDocUndo::ChangeScope scope(CDocUndo::Of(doc));
        m_before->ApplyTo(*text);
    }
    PixelRect r;
    text->AddScreenRect(view.GetViewTransform(), r);
    text->m_wFlags &= static_cast<uint16_t>(~GF_SELECTED);
    view.setCurObj(nullptr);
    view.InvalidatePixels(r, !view.TileLayerPaints());
    if (keep && m_before && m_before->escapement != text->m_lf.lfEscapement)
        PushTextChange(*doc, text, *m_before, QObject::tr("Text drehen"));
    m_before.reset();
}

void RotateTextTool::OnRelease(CKorvelView& view, QPoint, const PixelRect&, Qt::KeyboardModifiers) { Finish(view, true); }

void RotateTextTool::OnCancel(CKorvelView& view) { Finish(view, false); }

// ---------------------------------------------------------------- create-point tool

void CreatePointTool::OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers)
{
    if (NearPress(pixel, view.pressPoint())) return;  // the second click of a double click
    view.setPressPoint(pixel);
    if (!HasRoot(&view)) return;
    CKorvelDoc* doc = view.GetDocument();
    ViewHost* host = view.GetHost();
    const WorldPoint pos = view.PixelToWorld(pixel);
    bool autoNumber = host && host->AutoNumbering();
    // The dialog takes the mouse: the drag ends here.
    if (!autoNumber) view.CancelDrag();
    if (!m_tools.pointDialog && (m_tools.surveyHost || !autoNumber)) {
        // The manual form of the point measurement dialog numbers, asks and creates.
        CMeasurePoint::MeasureManually(view, m_tools.surveyHost, pos);
        return;
    }
    QString number = NextPointNumber(doc->m_strLastPointNo);
    if (!autoNumber) {
        if (!m_tools.pointDialog(view, pos, number, autoNumber)) return;
        if (host) host->SetAutoNumbering(autoNumber);
    }
    CreateNumberedPoint(view, pos, number, m_tools.LabelFont(), m_tools.LabelColour());
}

void CreatePointTool::OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers) { view.setPressPoint(pixel); }

// ---------------------------------------------------------------- find-point tool

void FindPointTool::OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers)
{
    if (NearPress(pixel, view.pressPoint())) return;
    view.setPressPoint(pixel);
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return;

    PixelRect area = PixelAt(pixel);
    area.Inflate(3);
    const WorldRect w = view.GetViewport().PixelRectToWorld(area);
    const WorldPoint centre{(w.minX + w.maxX) / 2.0, (w.minY + w.maxY) / 2.0};
    double tolerance = w.maxX - w.minX;
    GObj* best = nullptr;
    CObjEnum walk(doc->m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() != GT_POINT) continue;
        const double d = o->Distance(centre);
        if (d < tolerance) {
            tolerance = d;
            best = o;
        }
    }

    auto marker = std::unique_ptr<GFindPt>(new (std::nothrow) GFindPt);
    if (marker) {
        if (best) {
            const GInfoItem* nr = best->FindInfo(QStringLiteral("PTNR"));
            marker->SetPos(best->m_ptPos, nr ? nr->Value() : QString());
        } else {
            marker->SetPos(view.PixelToWorld(pixel), QString());
        }
    }
    view.SetFindMarker(std::move(marker));
    // The tool has done its work: the previous tool comes back, and the position display
    // leads the user to the marker.
    m_tools.ToggleFindTool(view);
    if (m_tools.startPositionDisplay) m_tools.startPositionDisplay(view);
}

void FindPointTool::OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers) { view.setPressPoint(pixel); }

// ---------------------------------------------------------------- CEditTools

CEditTools::CEditTools(LogFont* labelFont, uint32_t* labelColour) : m_pFont(labelFont), m_pColour(labelColour) {}

CEditTools::~CEditTools() = default;

void CEditTools::Register(ToolRegistry& tools)
{
    tools.Register(TOOL_SELECT, &m_select);
    tools.Register(TOOL_ROTATE_TEXT, &m_rotate);
    tools.Register(TOOL_CREATE_POINT, &m_createPoint);
    tools.Register(TOOL_FIND_POINT, &m_findPoint);
}

CLabelDlg& CEditTools::LabelDialog()
{
    if (!m_pLabelDlg) m_pLabelDlg = std::make_unique<CLabelDlg>();
    return *m_pLabelDlg;
}

size_t CEditTools::DeleteSelection(CKorvelView& view)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return 0;
    // Last selected first, as the selection is taken apart one object at a time; a walk
    // that finds more (a list that now leads its parent) goes round again.
    size_t count = 0;
    for (;;) {
        std::vector<GObj*> selected = SelectedObjects(*doc);
        if (selected.empty()) break;
        std::reverse(selected.begin(), selected.end());
        const size_t n = PushRemoveObjects(*doc, selected, QObject::tr("Löschen"));
        count += n;
        if (n == 0) break;
    }
    return count;
}

size_t CEditTools::DeleteAllTexts(CKorvelView& view)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return 0;
    std::vector<GObj*> texts;
    CObjEnum walk(doc->m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() == GT_TEXT) texts.push_back(o);
    }
    const size_t n = PushRemoveObjects(*doc, texts, QObject::tr("Alle Texte löschen"));
    view.InvalidateAll();
    return n;
}

size_t CEditTools::Label(CKorvelView& view, uint32_t typeMask)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return 0;
    CLabelDlg& dlg = LabelDialog();
    dlg.Prepare(typeMask, CollectAttributeNames(doc->m_pRoot.get(), typeMask));
    if (dlg.exec() != QDialog::Accepted) return 0;
    auto texts = MakeLabels(doc->m_pRoot.get(), dlg.Rows(), typeMask, *m_pFont, *m_pColour, &view);
    const size_t n = PushAddObjects(*doc, std::move(texts), QObject::tr("Beschriften"));
    view.InvalidateAll();
    return n;
}

void CEditTools::ChooseFont(QWidget* parent)
{
    LogFont lf = *m_pFont;
    uint32_t colour = *m_pColour;
    std::function<bool(QWidget*, LogFont&, uint32_t&)> dialog = DefaultFontDialog;
    if (fontDialog) dialog = fontDialog;
    if (!dialog(parent, lf, colour)) return;
    *m_pFont = lf;
    *m_pColour = colour;
}

void CEditTools::ToggleFindTool(CKorvelView& view)
{
    if (view.CurrentTool() == TOOL_FIND_POINT) {
        view.SetCurrentTool(view.savedTool());
    } else {
        view.setSavedTool(view.CurrentTool());
        view.SetCurrentTool(TOOL_FIND_POINT);
    }
}

bool CEditTools::OnCommand(CKorvelView* view, int id)
{
    QUndoStack* stack = nullptr;
    if (HasRoot(view)) stack = CDocUndo::Of(view->GetDocument())->Stack();
    switch (id) {
    case ID_EDIT_LABEL_FONT: ChooseFont(view ? static_cast<QWidget*>(view) : nullptr); return true;
    default: break;
    }
    if (!view) return false;
    switch (id) {
    case ID_EDIT_SELECT: view->ToggleTool(TOOL_SELECT); return true;
    case ID_EDIT_ROTATE_TEXT: view->ToggleTool(TOOL_ROTATE_TEXT); return true;
    case ID_EDIT_CREATE_POINT: {
        const bool off = view->CurrentTool() == TOOL_CREATE_POINT;
        view->SetCurrentTool(off ? TOOL_NONE : TOOL_CREATE_POINT);
        if (off && view->GetHost()) view->GetHost()->SetAutoNumbering(false);
        return true;
    }
    case ID_EDIT_FIND_POINT: ToggleFindTool(*view); return true;
    case ID_EDIT_LABEL_POINTS: Label(*view, kLabelMaskPoints); return true;
    case ID_EDIT_LABEL_LINES: Label(*view, kLabelMaskLines); return true;
    case ID_EDIT_LABEL_AREAS: Label(*view, kLabelMaskAreas); return true;
    case ID_EDIT_DELETE_TEXTS: DeleteAllTexts(*view); return true;
    case ID_EDIT_CLEAR: DeleteSelection(*view); return true;
    case ID_EDIT_UNDO:
        if (stack) stack->undo();
        return true;
    case ID_EDIT_REDO:
        if (stack) stack->redo();
        return true;
    default: return false;
    }
}

CommandState CEditTools::OnUpdateCommand(CKorvelView* view, int id) const
{
    const bool doc = HasRoot(view);
    const int tool = view ? view->CurrentTool() : TOOL_NONE;
    CDocUndo* undo = doc ? CDocUndo::Find(view->GetDocument()) : nullptr;
    switch (id) {
    case ID_EDIT_SELECT: return {true, doc, tool == TOOL_SELECT};
    case ID_EDIT_ROTATE_TEXT: return {true, doc, tool == TOOL_ROTATE_TEXT};
    case ID_EDIT_CREATE_POINT: return {true, doc, tool == TOOL_CREATE_POINT};
    case ID_EDIT_FIND_POINT: return {true, doc && portOpen && portOpen(), tool == TOOL_FIND_POINT};
    case ID_EDIT_LABEL_POINTS:
    case ID_EDIT_LABEL_LINES:
    case ID_EDIT_LABEL_AREAS:
    case ID_EDIT_DELETE_TEXTS:
    case ID_EDIT_CLEAR: return {true, doc, false};
    case ID_EDIT_LABEL_FONT: return {true, true, false};
    case ID_EDIT_UNDO: return {true, undo && undo->Stack()->canUndo(), false};
    case ID_EDIT_REDO: return {true, undo && undo->Stack()->canRedo(), false};
    default: return {};
    }
}

}  // namespace korvel
