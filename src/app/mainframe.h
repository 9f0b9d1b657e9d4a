#pragma once
// The main window: an MDI frame with four tool bars, the status bar with the coordinate
// panes, the satellite and compass bars, and the state every map view shares (current tool,
// label font, default coordinate system, last-used folders). It keeps its placement, bar
// layout and folders in the settings store.

#include "app/commandtable.h"
#include "app/documentkinds.h"
#include "app/edittools.h"
#include "app/exchangecommands.h"
#include "app/imagecommands.h"
#include "app/labelfont.h"
#include "survey/surveyhost.h"
#include "view/viewhost.h"
#include "view/viewtool.h"

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QToolBar;

namespace korvel {

class CKorvelApp;
class CKorvelView;
class CKorvelWnd;
class CMeasureController;
class CGpsOptionDlg;
class CCustomBar;
class CSatviewBar;
class CGpsFindBar;
class CPrintSetupDlg;
class CTileFetcher;

class CMainFrame : public QMainWindow, public ViewHost, public SurveyHost {
    Q_OBJECT
public:
    explicit CMainFrame(CKorvelApp* app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates bars, status bar and dockable bars and applies the saved or the built-in bar
    // layout. False when a part could not be created.
    bool Create();

    // The command's action, or null when the program does not offer the command (yet).
    QAction* action(int id) const { return m_actions.value(id, nullptr); }
    // Runs a command as if chosen from the menu. False when it is unknown or disabled.
    bool RunCommand(int id);
    // Refreshes the enabled and checked state of every action.
    void UpdateCommandUI();
    // Asks for UpdateCommandUI once control is back in the event loop; many calls in a row
    // (a file import adding thousands of objects) give one refresh.
    void ScheduleCommandUpdate();
    // Where a command stands now: the active view answers for the ids it claims (handled),
    // the table entry for the rest; a command nobody handles is disabled.
    CommandState CommandStateOf(int id) const;

    // The command table the menus and bars are built from.
    const CCommandTable& commands() const { return m_commands; }
    // Adds (or replaces) a command and makes its action. Menus take its places at the next
    // RebuildMenus; tool bar places count only for commands added before Create.
    QAction* AddCommand(CommandEntry entry);

    // Follows the document of a new window, so that its changes refresh the commands, and
    // gives its view the background tile layer.
    void AttachDocumentWindow(CKorvelWnd* wnd);
    // The one tile downloader of all views: the servers of the settings store, the program's
    // tile cache. Made when the first view needs it.
    CTileFetcher* tileFetcher();
    // Which kinds of objects the open documents hold (kept between refreshes).
    CDocumentKinds& documentKinds() { return m_kinds; }
    // The light timer that refreshes the command states (tests stop it to see the signals).
    QTimer& commandTimer() { return m_uiTimer; }

    // Rebuilds both menus (without and with a document) for the active language and shows
    // the one that fits the active window; `languageNames` holds string 102 of every
    // language module (entry 0 the built-in German), `activeLanguage` the active index.
    void RebuildMenus(const QStringList& languageNames, int activeLanguage);
    // Takes every text from the active language again.
    void Retranslate();
    // The popup with the language choice in the current menu bar, or null.
    QMenu* languageMenu() const;

    // Window placement: RestorePlacement puts the stored normal rectangle and show state on
    // the window; `requested` is the show state asked for on the command line (0 = normal
    // start, then the stored posMax applies).
    void RestorePlacement(int requested);
    void SavePlacement() const;

    // Bar layout under "Toolbars": SaveBarState writes it; LoadBarState applies the stored
    // one, or the built-in default when none is stored or it names unknown bars.
    void SaveBarState() const;
    bool LoadBarState();
    // "&Wiederherstellen": the built-in layout.
    void RestoreDefaultBars();
    QByteArray DefaultBarState() const { return m_defaultState; }

    // The pause button's face: the resume picture while paused, else the pause picture;
    // drawn greyed when the measuring is not a line measurement.
    void SetPauseFace(bool paused, bool notLineMode);
    QIcon pauseFace() const { return m_currentPauseFace; }

    // SurveyHost: the receiver settings, the label look and the pause button of all views.
    CGpsSettings* Gps() override;
    LogFont LabelFont() const override { return m_lfLabel; }
    COLORREF LabelColor() const override { return m_crLabel; }
    void ShowPauseFace(bool paused, bool notLineMode) override { SetPauseFace(paused, notLineMode); }
    // Measured points, lines and areas go into the document as steps the user can undo.
    bool AddToDocument(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects, const QString& text) override;

    // ViewHost.
    int CurrentTool() const override { return m_nTool; }
    void SetCurrentTool(int tool) override;
    bool AutoNumbering() const override { return m_bAutoNumber; }
    void SetAutoNumbering(bool on) override { m_bAutoNumber = on; }
    void SetCoordinatePanes(const QString& system, const QString& first, const QString& second) override;
    // The one printer of the program: what "Druckereinrichtung" chose, used by every view.
    QPrinter* Printer() override;
    // Each view's measuring state: recording lines, showing the position.
    std::unique_ptr<MeasuringController> CreateMeasuring(CKorvelView& view) override;
    // The measuring state of the active view, or null.
    CMeasureController* ActiveMeasuring() const;
    QString paneText(int pane) const;
    // The mouse tools of every view: zoom and pan, and the editing tools.
    ToolRegistry* Tools() override { return &m_toolRegistry; }
    // The editing tools and commands (selection, labelling, undo).
    CEditTools& editTools() { return *m_pEditTools; }

    QMdiArea* mdiArea() const { return m_pMdiArea; }
    // The receiver settings object (also the settings dialog).
    CGpsOptionDlg* gpsOptions() const { return m_pGpsOptions; }
    QToolBar* toolBar(int barId) const;
    CSatviewBar* satviewBar() const { return m_pSatBar; }
    CGpsFindBar* gpsFindBar() const { return m_pFindBar; }

    // Shows or hides a dockable bar the way its command does (showing switches the receiver
    // on first).
    void ToggleBar(int barId);

    // The receiver switch: called before a bar is shown, at start-up and by "GPS &aktiv".
    // They go to the GPS settings object; tests may put their own in.
    std::function<bool(bool force)> startGps;
    std::function<bool()> isGpsOpen;
    std::function<void()> stopGps;
    std::function<void()> showGpsSettings;
    // The coordinate system command: runs the dialog; set when the dialog exists.
    std::function<void()> chooseCoordSys;
    // The windows of the import and export commands (tests answer in the user's place).
    ExchangeDialogs exchangeDialogs = DefaultExchangeDialogs();
    // The file dialog of "Hintergrundkarte laden" (tests answer in the user's place).
    ImageFileDialog imageFileDialog = DefaultImageFileDialog();
    // Runs the printer set-up dialog; true when it ended with OK.
    std::function<bool(CPrintSetupDlg&)> runPrintSetup;

    // Shared state of the views and the import and export commands.
    QString m_strZentoImportDir;
    QString m_strImgImportDir;
    QString m_strZentoExportDir;
    QString m_strShapeImportDir;
    QString m_strShapeExportDir;
    int m_nCoordSys = 900913;  // default system of new documents, read from the settings
    LogFont m_lfLabel = DefaultLabelFont();
    uint32_t m_crLabel = 0;  // 0x00BBGGRR

protected:
    void closeEvent(QCloseEvent* event) override;
    QMenu* createPopupMenu() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createCommands();  // the table itself, in maincommands.cpp
    void createActions();
    QAction* MakeAction(const CommandEntry& entry);
    void createToolBars();
    void createStatusBar();
    bool createDocks();
    QMenu* createMenu(bool withDocument, const QStringList& languageNames, int activeLanguage);
    void FillPopup(QMenu* menu, MenuBarKind kind, const QString& path, const QStringList& languageNames,
                   int activeLanguage);
    void FillLanguagePopup(QMenu* menu, const QStringList& languageNames, int activeLanguage);
    void FillWindowList(QMenu* menu);
    void FillBar(QToolBar* bar, int barId);
    void ShowMenuFor(QMdiSubWindow* window);
    void OnExchangeCommand(int id);
    void OnFilePrintSetup();
    void UpdateTitle();
    CKorvelWnd* ActiveWnd() const;
    CKorvelView* ActiveView() const;
    void RetranslateAction(QAction* a, const CommandEntry& entry);
    void ReadFrameSettings();
    void WriteFrameSettings() const;

    CKorvelApp* m_pApp;
    CGpsOptionDlg* m_pGpsOptions = nullptr;
    QMdiArea* m_pMdiArea = nullptr;
    CCommandTable m_commands;
    QHash<int, QAction*> m_actions;
    CDocumentKinds m_kinds;
    QToolBar* m_pFileBar = nullptr;
    QToolBar* m_pZoomBar = nullptr;
    QToolBar* m_pImpExpBar = nullptr;
    QToolBar* m_pSurveyBar = nullptr;
    QLabel* m_pPanes[3] = {nullptr, nullptr, nullptr};
    CSatviewBar* m_pSatBar = nullptr;
    CGpsFindBar* m_pFindBar = nullptr;
    QMenu* m_pMainMenu = nullptr;   // menu without a document
    QMenu* m_pChildMenu = nullptr;  // menu with a document window
    QByteArray m_defaultState;
    QIcon m_pauseFaces[2];     // pause, resume
    QIcon m_currentPauseFace;
    bool m_bPauseFacePaused = false;  // what the pause face shows
    bool m_bPauseFaceGreyed = false;
    QTimer m_uiTimer;
    QTimer m_uiUpdateSoon;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<CTileFetcher> m_pTileFetcher;
    ToolRegistry m_toolRegistry;
    std::unique_ptr<CEditTools> m_pEditTools;
    int m_nTool = TOOL_NONE;
    bool m_bAutoNumber = false;
    bool m_bFramePlacementRestored = false;
    bool m_bDestroying = false;
};

}  // namespace korvel
