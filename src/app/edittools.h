#pragma once
// The editing tools and commands of the map views: selecting (tool 4) and deleting objects,
// rotating a text (tool 5), creating a point (tool 6), picking a point to find in the field
// (tool 8), labelling points, lines and areas, choosing the label font and deleting all
// texts, and undo/redo. One instance for the whole program, kept by the main window, which
// registers the tools in its ToolRegistry and routes the command ids here. Every change to a
// document is one undo step of that document (app/docundo.h).

#include "app/docundo.h"
#include "crs/worldpoint.h"
#include "model/canvas.h"
#include "model/pixel.h"
#include "view/viewhost.h"
#include "view/viewtool.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFont;
class QWidget;

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class CLabelDlg;
class GText;
class ToolRegistry;

// Command ids of the editing commands. The string table holds, under the same id, the
// status-bar text, a newline and the tool-tip.
inline constexpr int ID_EDIT_SELECT = 32782;         // toggle tool 4 (checkable)
inline constexpr int ID_EDIT_ROTATE_TEXT = 32783;    // toggle tool 5 (checkable)
inline constexpr int ID_EDIT_CREATE_POINT = 32786;   // toggle tool 6 (checkable)
inline constexpr int ID_EDIT_FIND_POINT = 32808;     // tool 8 on / the saved tool back (checkable)
inline constexpr int ID_EDIT_LABEL_POINTS = 32780;   // label points (type mask 1)
inline constexpr int ID_EDIT_LABEL_LINES = 32801;    // label lines (type mask 4)
inline constexpr int ID_EDIT_LABEL_AREAS = 32802;    // label areas (type mask 0x18)
inline constexpr int ID_EDIT_DELETE_TEXTS = 32797;   // delete all texts
inline constexpr int ID_EDIT_LABEL_FONT = 32789;     // choose the label font and colour
inline constexpr int ID_EDIT_CLEAR = 57632;          // delete the selected objects (Delete key)
inline constexpr int ID_EDIT_UNDO = 57643;           // undo (Ctrl+Z)
inline constexpr int ID_EDIT_REDO = 57644;           // redo (Ctrl+Y)

// Select tool: a rubber band or a click; Shift toggles.
class SelectTool : public ViewToolHandler {
public:
    bool UsesRubberBand() const override { return true; }
    void OnPress(CKorvelView&, QPoint, Qt::KeyboardModifiers) override {}
    void OnMove(CKorvelView&, QPoint, Qt::KeyboardModifiers) override {}
    void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) override;
};

// Rotate-text tool: press on a text, drag: the text's baseline points from its anchor towards
// the cursor. The whole drag is one undo step.
class RotateTextTool : public ViewToolHandler {
public:
    void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnRelease(CKorvelView& view, QPoint pixel, const PixelRect& band, Qt::KeyboardModifiers mods) override;
    void OnCancel(CKorvelView& view) override;

    // Escapement in tenths of a degree for a baseline from `anchor` towards `cursor` (world).
    static int32_t EscapementTowards(const WorldPoint& anchor, const WorldPoint& cursor);

private:
    GText* Text(CKorvelView& view) const;
    void Finish(CKorvelView& view, bool keep);

    std::optional<TextLook> m_before;  // the text's look when the drag started
};

class CEditTools;
class SurveyHost;

// Create-point tool: a press creates a numbered point there (with the dialog, or at once with
// automatic numbering); a second press on the same pixel does nothing.
class CreatePointTool : public ViewToolHandler {
public:
    explicit CreatePointTool(CEditTools& tools) : m_tools(tools) {}
    bool KeepsPressPoint() const override { return true; }
    void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnRelease(CKorvelView&, QPoint, const PixelRect&, Qt::KeyboardModifiers) override {}

private:
    CEditTools& m_tools;
};

// Find-point tool: marks the point nearest to the press (within 6 pixels), or the press
// position itself, then gives the previous tool back and starts the position display.
class FindPointTool : public ViewToolHandler {
public:
    explicit FindPointTool(CEditTools& tools) : m_tools(tools) {}
    bool KeepsPressPoint() const override { return true; }
    void OnPress(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnMove(CKorvelView& view, QPoint pixel, Qt::KeyboardModifiers mods) override;
    void OnRelease(CKorvelView&, QPoint, const PixelRect&, Qt::KeyboardModifiers) override {}

private:
    CEditTools& m_tools;
};

class CEditTools {
public:
    // `labelFont` and `labelColour` are the program's label settings (kept by the main
    // window); the tools read and the font command writes them.
    CEditTools(LogFont* labelFont, uint32_t* labelColour);
    ~CEditTools();
    CEditTools(const CEditTools&) = delete;
    CEditTools& operator=(const CEditTools&) = delete;

    // Installs tools 4, 5, 6 and 8.
    void Register(ToolRegistry& tools);

    // Whether the GPS receiver's port is open (the find command needs it). Unset: never.
    std::function<bool()> portOpen;
    // Starts the position display in a view, as its own command does. Unset: nothing.
    std::function<void(CKorvelView&)> startPositionDisplay;
    // A replacement for the create-point dialog (tests); answers false on cancel. `number` and
    // `autoNumber` come in with the proposal and go out with the choice. Unset: the manual form
    // of the point measurement dialog, with `surveyHost` for the label font and undo.
    std::function<bool(CKorvelView&, const WorldPoint&, QString& number, bool& autoNumber)> pointDialog;
    SurveyHost* surveyHost = nullptr;
    // The platform font dialog; answers false on cancel. Replaceable for tests.
    std::function<bool(QWidget*, LogFont&, uint32_t&)> fontDialog;

    // Executes an editing command in `view` (null: no document window); false when the id is
    // not one of these commands.
    bool OnCommand(CKorvelView* view, int id);
    CommandState OnUpdateCommand(CKorvelView* view, int id) const;

    // The actions behind the commands.
    static size_t DeleteSelection(CKorvelView& view);
    static size_t DeleteAllTexts(CKorvelView& view);
    // Asks with the labelling dialog; answers the number of texts added (0 on cancel).
    size_t Label(CKorvelView& view, uint32_t typeMask);
    void ChooseFont(QWidget* parent);
    void ToggleFindTool(CKorvelView& view);

    CLabelDlg& LabelDialog();
    const LogFont& LabelFont() const { return *m_pFont; }
    uint32_t LabelColour() const { return *m_pColour; }

    SelectTool m_select;
    RotateTextTool m_rotate;
    CreatePointTool m_createPoint{*this};
    FindPointTool m_findPoint{*this};

private:
    LogFont* m_pFont;
    uint32_t* m_pColour;
    std::unique_ptr<CLabelDlg> m_pLabelDlg;
};

// The font record of a QFont (pixel height given negative, as character height) and back.
LogFont LogFontFromQFont(const QFont& font);
QFont QFontFromLogFont(const LogFont& lf);

}  // namespace korvel
