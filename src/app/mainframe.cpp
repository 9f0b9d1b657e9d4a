#include "app/mainframe.h"

#include "app/appsettings.h"
#include "app/commandids.h"
#include "app/coordsysdlg.h"
#include "app/custombar.h"
#include "app/docundo.h"
#include "app/exchangecommands.h"
#include "app/gpsoptiondlg.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/printsetupdlg.h"
#include "app/tilecommands.h"
#include "imagery/tilefetch.h"
#include "model/korveldoc.h"
#include "survey/gpsbarsource.h"
#include "survey/measurecontroller.h"
#include "view/korvelview.h"
#include "view/tilelayer.h"
#include "strings/stringtable.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDataStream>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIODevice>
#include <QLabel>
#include <QMdiArea>
#include <QUndoStack>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace korvel {
namespace {

// Version of the stored bar layout (QMainWindow::saveState) and of our wrapper around it.
constexpr int kBarStateVersion = 1;
constexpr quint32 kBarStateMagic = 0x4B42534C;  // "KBSL"

QString StatusText(int id)
{
    return LoadString(id).section(QLatin1Char('\n'), 0, 0);
}

QString ToolTipText(int id)
{
    const QString s = LoadString(id);
    return s.contains(QLatin1Char('\n')) ? s.section(QLatin1Char('\n'), 1) : QString();
}

// Greys an icon the way a disabled button looks, for the pause face outside line measuring.
QIcon GreyedIcon(const QIcon& icon)
{
    QIcon out;
    for (int side : {16, 24, 32}) {
        out.addPixmap(icon.pixmap(QSize(side, side), QIcon::Disabled), QIcon::Normal);
    }
    return out;
}

}  // namespace

CMainFrame::CMainFrame(CKorvelApp* app, QWidget* parent)
    : QMainWindow(parent), m_pApp(app)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvel.svg")));
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    setAcceptDrops(true);
    // The area also reports "no active window" while the program is in the background; the
    // menu, the title and the commands keep following the current window all the same.
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] {
        ShowMenuFor(m_pMdiArea->currentSubWindow());
        UpdateCommandUI();
    });
    ReadFrameSettings();
    m_pEditTools = std::make_unique<CEditTools>(&m_lfLabel, &m_crLabel);
    m_pEditTools->Register(m_toolRegistry);
    m_pEditTools->portOpen = [this] { return isGpsOpen && isGpsOpen(); };
    m_pEditTools->surveyHost = this;
    // The find-point tool leads the user to its marker with the position display.
    m_pEditTools->startPositionDisplay = [](CKorvelView& view) {
        if (auto* measuring = dynamic_cast<CMeasureController*>(view.measuring())) measuring->ShowPosition();
    };
    // The receiver settings live as long as the frame; the GPS commands and the bars go
    // through them.
    m_pGpsOptions = new CGpsOptionDlg(PortManager(), this);
    startGps = [this](bool force) { return m_pGpsOptions->StartGps(force, true); };
    isGpsOpen = [this] {
        const CSerialComm* port = m_pGpsOptions->port();
        return port && port->IsOpen();
    };
    stopGps = [this] {
        m_pGpsOptions->manager().StopPort(m_pGpsOptions->port());
        CGpsSettings::WriteAktiv(0);
    };
    showGpsSettings = [this] { m_pGpsOptions->exec(); };
    runPrintSetup = [](CPrintSetupDlg& dlg) { return dlg.exec() == QDialog::Accepted; };
    chooseCoordSys = [this] {
        if (m_pApp) {
            ChangeCoordinateSystem(*m_pApp, *this, [](CCoordSysDlg& dlg) { return dlg.exec() == QDialog::Accepted; });
        }
    };
    // The enabled and checked states follow state that changes elsewhere: the documents and
    // the receiver say when they change, and a light timer catches the rest (bars moved by the
    // user, the view's tools) the way idle-time updates do.
    m_uiTimer.setInterval(250);
    connect(&m_uiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_uiUpdateSoon.setSingleShot(true);
    m_uiUpdateSoon.setInterval(0);
    connect(&m_uiUpdateSoon, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    connect(&m_kinds, &CDocumentKinds::kindsMayHaveChanged, this, &CMainFrame::ScheduleCommandUpdate);
    connect(&PortManager(), &CPortManager::portStateChanged, this, &CMainFrame::ScheduleCommandUpdate);
    createCommands();
}

CMainFrame::~CMainFrame()
{
    // The document windows go while the frame is still whole: closing them activates other
    // windows, and those signals must not reach a frame that is half destroyed.
    m_uiTimer.stop();
    m_uiUpdateSoon.stop();
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    disconnect(&PortManager(), nullptr, this, nullptr);
    // The bars are hidden while the window part of the frame is destroyed; by then this is no
    // longer a CMainFrame that could answer their signals.
    if (m_pSatBar) disconnect(m_pSatBar, nullptr, this, nullptr);
    if (m_pFindBar) disconnect(m_pFindBar, nullptr, this, nullptr);
    disconnect(statusBar(), nullptr, this, nullptr);
    m_bDestroying = true;
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    for (QMdiSubWindow* w : windows) delete w;
    // Windows closed just before are no longer listed but wait for their deferred deletion;
    // their documents' undo stacks still talk to this frame, so they go now as well.
    const QList<CKorvelWnd*> closed = findChildren<CKorvelWnd*>();
    for (CKorvelWnd* w : closed) delete w;
    WriteFrameSettings();
}

bool CMainFrame::Create()
{
    createActions();
    createToolBars();
    createStatusBar();
    if (!createDocks()) return false;
    // The built-in layout is what the bars look like right after creation.
    m_defaultState = saveState(kBarStateVersion);
    LoadBarState();
    UpdateCommandUI();
    m_uiTimer.start();
    return true;
}

QAction* CMainFrame::AddCommand(CommandEntry entry)
{
    const int id = entry.id;
    m_commands.Add(std::move(entry));
    QAction* a = MakeAction(*m_commands.Find(id));
    RetranslateAction(a, *m_commands.Find(id));
    return a;
}

QAction* CMainFrame::MakeAction(const CommandEntry& e)
{
    QAction* a = action(e.id);
    if (!a) {
        a = new QAction(this);
        a->setData(e.id);
        const int id = e.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        m_actions.insert(id, a);
    }
    a->setCheckable(e.checkable);
    a->setMenuRole(e.role);
    a->setIcon(e.icon ? QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(e.icon))) : QIcon());
    return a;
}

void CMainFrame::createActions()
{
    for (const CommandEntry& e : m_commands.entries()) MakeAction(e);
    m_pauseFaces[0] = QIcon(QStringLiteral(":/icons/pause.svg"));
    m_pauseFaces[1] = QIcon(QStringLiteral(":/icons/resume.svg"));
    m_currentPauseFace = m_pauseFaces[0];
    Retranslate();
}

void CMainFrame::RetranslateAction(QAction* a, const CommandEntry& entry)
{
    if (entry.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut), QKeySequence::PortableText));
    if (!entry.text) return;  // the face sets the text
    const QString menuText = tr(entry.text);
    a->setText(menuText);
    if (HasString(entry.id)) {
        a->setStatusTip(StatusText(entry.id));
        const QString tip = ToolTipText(entry.id);
        a->setToolTip(tip.isEmpty() ? QString(menuText).remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0)
                                    : tip);
    }
}

void CMainFrame::Retranslate()
{
    for (const CommandEntry& e : m_commands.entries()) {
        if (QAction* a = action(e.id)) RetranslateAction(a, e);
    }
    setWindowTitle(LoadString(IDS_MAINFRAME_TITLE) + QStringLiteral("[*]"));
    UpdateTitle();
    if (m_pFileBar) m_pFileBar->setWindowTitle(LoadString(IDS_TOOLBAR_FILE));
    if (m_pZoomBar) m_pZoomBar->setWindowTitle(LoadString(IDS_TOOLBAR_ZOOM));
    if (m_pImpExpBar) m_pImpExpBar->setWindowTitle(LoadString(IDS_TOOLBAR_IMPEXP));
    if (m_pSurveyBar) m_pSurveyBar->setWindowTitle(LoadString(IDS_TOOLBAR_SURVEY));
    if (m_pSatBar) m_pSatBar->Retranslate();
    if (m_pFindBar) m_pFindBar->Retranslate();
    if (statusBar()) statusBar()->showMessage(LoadString(IDS_IDLE_MESSAGE));
    UpdateCommandUI();
}

void CMainFrame::createToolBars()
{
    // Created in the order file, zoom, surveying, import/export; docked at the top in the
    // order file, zoom, import/export, surveying.
    auto make = [this](int id) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(QStringLiteral("Bar%1").arg(id));
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(true);
        bar->setFloatable(true);
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setFixedHeight(24);
        // A bar that is turned to a vertical edge must grow in height again.
        connect(bar, &QToolBar::orientationChanged, bar, [bar](Qt::Orientation o) {
            if (o == Qt::Horizontal) bar->setFixedHeight(24);
            else {
                bar->setMinimumHeight(0);
                bar->setMaximumHeight(QWIDGETSIZE_MAX);
                bar->setFixedWidth(24);
            }
            if (o == Qt::Horizontal) {
                bar->setMinimumWidth(0);
                bar->setMaximumWidth(QWIDGETSIZE_MAX);
            }
        });
        return bar;
    };
    m_pFileBar = make(ID_VIEW_TOOLBAR_FILE);
    m_pZoomBar = make(ID_VIEW_TOOLBAR_ZOOM);
    m_pSurveyBar = make(ID_VIEW_TOOLBAR_SURVEY);
    m_pImpExpBar = make(ID_VIEW_TOOLBAR_IMPEXP);

    for (int id : {ID_VIEW_TOOLBAR_FILE, ID_VIEW_TOOLBAR_ZOOM, ID_VIEW_TOOLBAR_IMPEXP, ID_VIEW_TOOLBAR_SURVEY}) {
        FillBar(toolBar(id), id);
    }

    for (QToolBar* bar : {m_pFileBar, m_pZoomBar, m_pImpExpBar, m_pSurveyBar}) addToolBar(Qt::TopToolBarArea, bar);
    Retranslate();
}

QToolBar* CMainFrame::toolBar(int barId) const
{
    switch (barId) {
    case ID_VIEW_TOOLBAR_FILE: return m_pFileBar;
    case ID_VIEW_TOOLBAR_ZOOM: return m_pZoomBar;
    case ID_VIEW_TOOLBAR_IMPEXP: return m_pImpExpBar;
    case ID_VIEW_TOOLBAR_SURVEY: return m_pSurveyBar;
    default: return nullptr;
    }
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("Bar%1").arg(ID_VIEW_STATUS_BAR));
    const int placeholders[3] = {IDS_PANE_COORDSYS, IDS_PANE_X, IDS_PANE_Y};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QStringLiteral("Pane%1").arg(i + 1));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // The placeholder texts only fix how wide a pane is; the panes start empty.
        const int width = pane->fontMetrics().horizontalAdvance(LoadString(placeholders[i]));
        pane->setFixedWidth(width + 2 * pane->frameWidth() + 8);
        bar->addPermanentWidget(pane);
        m_pPanes[i] = pane;
    }
    bar->showMessage(LoadString(IDS_IDLE_MESSAGE));
    // When a menu or button hint goes away, the idle prompt comes back instead of nothing.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& text) {
        if (text.isEmpty()) bar->showMessage(LoadString(IDS_IDLE_MESSAGE));
    });
}

bool CMainFrame::createDocks()
{
    m_pSatBar = new CSatviewBar(this);
    m_pSatBar->Create(QStringLiteral("SatBar"));
    m_pFindBar = new CGpsFindBar(this);
    m_pFindBar->Create(QStringLiteral("Kompass"));
    for (CCustomBar* bar : {static_cast<CCustomBar*>(m_pSatBar), static_cast<CCustomBar*>(m_pFindBar)}) {
        addDockWidget(Qt::RightDockWidgetArea, bar);
        bar->hide();
        connect(bar, &QDockWidget::visibilityChanged, this, [this] { UpdateCommandUI(); });
    }
    // The bars read the receiver of the GPS settings and the active view's find marker and
    // document system; "active" is decided here, at every timer tick of the bars.
    GpsBarSource source;
    source.gpsPort = [this]() -> CSerialComm* {
        CSerialComm* port = m_pGpsOptions ? m_pGpsOptions->port() : nullptr;
        return port && m_pGpsOptions->manager().IsManaged(port) ? port : nullptr;
    };
    source.findMarker = [this]() -> const GFindPt* {
        CKorvelView* view = ActiveView();
        return view ? view->findMarker() : nullptr;
    };
    source.coordSys = [this]() -> std::int32_t {
        CKorvelView* view = ActiveView();
        return view && view->GetDocument() ? view->GetDocument()->m_nCoordSys : m_nCoordSys;
    };
    m_pSatBar->SetSource(source);
    m_pFindBar->SetSource(source);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Menus

namespace {

// Adds the items in order, with a separator wherever the group changes between two items that
// are there (a command without an action, or an empty popup, leaves no trace).
template <typename AddItem>
void AddGrouped(QWidget* menuOrBar, const std::vector<CommandItem>& items, AddItem addItem)
{
    bool any = false;
    int group = 0;
    for (const CommandItem& item : items) {
        const bool separate = any && item.group != group;
        QAction* before = nullptr;
        if (separate) {
            before = new QAction(menuOrBar);
            before->setSeparator(true);
            menuOrBar->addAction(before);
        }
        if (addItem(item)) {
            any = true;
            group = item.group;
        } else if (before) {
            menuOrBar->removeAction(before);
            delete before;
        }
    }
}

}  // namespace

void CMainFrame::FillBar(QToolBar* bar, int barId)
{
    if (!bar) return;
    AddGrouped(bar, m_commands.BarItems(barId), [&](const CommandItem& item) {
        QAction* a = action(item.command->id);
        if (a) bar->addAction(a);
        return a != nullptr;
    });
}

void CMainFrame::FillPopup(QMenu* menu, MenuBarKind kind, const QString& path, const QStringList& languageNames,
                           int activeLanguage)
{
    AddGrouped(menu, m_commands.MenuItems(kind, path), [&](const CommandItem& item) {
        if (item.command) {
            QAction* a = action(item.command->id);
            if (a) menu->addAction(a);
            return a != nullptr;
        }
        const PopupEntry& p = *item.popup;
        if (p.kind == PopupKind::Languages && languageNames.size() < 2) return false;
        auto* sub = new QMenu(tr(p.title), menu);
        FillPopup(sub, kind, p.path(), languageNames, activeLanguage);
        if (p.kind == PopupKind::Languages) FillLanguagePopup(sub, languageNames, activeLanguage);
        if (p.kind == PopupKind::Windows) {
            connect(sub, &QMenu::aboutToShow, this, [this, sub] { FillWindowList(sub); });
        }
        if (sub->actions().isEmpty()) {
            delete sub;
            return false;
        }
        menu->addMenu(sub);
        return true;
    });
}

void CMainFrame::FillLanguagePopup(QMenu* lang, const QStringList& languageNames, int activeLanguage)
{
    // Its first item is the built-in German (40001), then one per language module.
    lang->setObjectName(QStringLiteral("LanguageMenu"));
    auto* group = new QActionGroup(lang);
    group->setExclusive(true);
    for (int i = 0; i < languageNames.size(); ++i) {
        QAction* a = lang->addAction(languageNames.at(i));
        a->setData(ID_LANGUAGE_FIRST + i);
        a->setCheckable(true);
        a->setChecked(i == activeLanguage);
        group->addAction(a);
        const int id = ID_LANGUAGE_FIRST + i;
        connect(a, &QAction::triggered, this, [this, id] {
            // The menus are rebuilt by the language change; leave the popup first.
            QTimer::singleShot(0, this, [this, id] {
                if (m_pApp) m_pApp->SelectLanguage(id);
            });
        });
    }
}

void CMainFrame::FillWindowList(QMenu* menu)
{
    // The commands of the popup stay; the list of windows after them is made afresh.
    const QList<QAction*> old = menu->actions();
    for (QAction* a : old) {
        if (a->property("windowListItem").toBool()) {
            menu->removeAction(a);
            delete a;
        }
    }
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty()) return;
    QAction* sep = menu->addSeparator();
    sep->setProperty("windowListItem", true);
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows.at(i);
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(w->windowTitle().remove(QStringLiteral("[*]"))));
        a->setProperty("windowListItem", true);
        a->setCheckable(true);
        a->setChecked(w == m_pMdiArea->currentSubWindow());
        connect(a, &QAction::triggered, m_pMdiArea, [this, w] { m_pMdiArea->setActiveSubWindow(w); });
    }
}

QMenu* CMainFrame::createMenu(bool withDocument, const QStringList& languageNames, int activeLanguage)
{
    auto* bar = new QMenu(this);  // holds the popups of one menu bar as its sub-menus
    bar->setObjectName(withDocument ? QStringLiteral("ChildMenu") : QStringLiteral("MainMenu"));
    FillPopup(bar, withDocument ? kMenuDocument : kMenuNoDocument, QString(), languageNames, activeLanguage);
    return bar;
}

void CMainFrame::RebuildMenus(const QStringList& languageNames, int activeLanguage)
{
    menuBar()->clear();
    delete m_pMainMenu;
    delete m_pChildMenu;
    m_pMainMenu = createMenu(false, languageNames, activeLanguage);
    m_pChildMenu = createMenu(true, languageNames, activeLanguage);
    Retranslate();
    ShowMenuFor(m_pMdiArea->currentSubWindow());
}

void CMainFrame::ShowMenuFor(QMdiSubWindow* window)
{
    QMenu* wanted = window ? m_pChildMenu : m_pMainMenu;
    if (!wanted) return;
    const QList<QAction*> current = menuBar()->actions();
    if (!current.isEmpty() && current.first()->menu() && current.first()->menu()->parent() == wanted) return;
    menuBar()->clear();
    for (QAction* a : wanted->actions()) {
        if (a->menu()) menuBar()->addMenu(a->menu());
    }
}

QMenu* CMainFrame::languageMenu() const
{
    for (QAction* a : menuBar()->actions()) {
        QMenu* m = a->menu();
        if (!m || m->actions().isEmpty()) continue;
        if (m->actions().first()->data().toInt() == ID_LANGUAGE_FIRST) return m;
    }
    return nullptr;
}

QMenu* CMainFrame::createPopupMenu()
{
    // The context menu of the bar area offers the same toggles as the menu, so that showing
    // a dockable bar always takes the path that switches the receiver on.
    auto* menu = new QMenu(this);
    for (int id : {ID_VIEW_TOOLBAR_FILE, ID_VIEW_TOOLBAR_ZOOM, ID_VIEW_TOOLBAR_IMPEXP, ID_VIEW_TOOLBAR_SURVEY}) {
        menu->addAction(action(id));
    }
    menu->addSeparator();
    menu->addAction(action(ID_VIEW_SATBAR));
    menu->addAction(action(ID_VIEW_COMPASS));
    menu->addSeparator();
    menu->addAction(action(ID_VIEW_RESTORE_BARS));
    return menu;
}

// ---------------------------------------------------------------------------------------------
// Commands

bool CMainFrame::RunCommand(int id)
{
    if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST) {
        if (!m_pApp || id - ID_LANGUAGE_FIRST >= m_pApp->languages().count()) return false;
        m_pApp->SelectLanguage(id);
        UpdateCommandUI();
        return true;
    }
    const CommandEntry* entry = m_commands.Find(id);
    if (!entry) return false;
    // The view that claims the command runs it, enabled or not it is never passed on.
    if (CKorvelView* view = ActiveView()) {
        const CommandState state = view->OnUpdateCommand(id);
        if (state.handled) {
            if (!state.enabled) return false;
            view->OnCommand(id);
            UpdateCommandUI();
            return true;
        }
    }
    if (!entry->handler || (entry->enabled && !entry->enabled())) return false;
    // The handler may change the table (a command that adds commands); keep our own copy.
    const std::function<void()> handler = entry->handler;
    handler();
    UpdateCommandUI();
    return true;
}

CommandState CMainFrame::CommandStateOf(int id) const
{
    if (CKorvelView* view = ActiveView()) {
        const CommandState state = view->OnUpdateCommand(id);
        if (state.handled) return state;
    }
    const CommandEntry* entry = m_commands.Find(id);
    if (!entry || !entry->handler) return CommandState{};
    return CommandState{true, !entry->enabled || entry->enabled(), entry->checked && entry->checked()};
}

void CMainFrame::OnExchangeCommand(int id)
{
    CKorvelWnd* wnd = m_pApp ? m_pApp->ActiveWnd() : nullptr;
    if (!wnd) return;
    switch (id) {
    case ID_IMPORT_ZENTO: OnImportZento(*this, *wnd, exchangeDialogs); break;
    case ID_IMPORT_SHAPE: OnImportShape(*this, *wnd, exchangeDialogs); break;
    case ID_EXPORT_ZENTO: OnExportZento(*this, *wnd, exchangeDialogs); break;
    case ID_EXPORT_SHAPE: OnExportShape(*this, *wnd, exchangeDialogs); break;
    case ID_IMPORT_GPX: OnImportGpx(*this, *wnd, exchangeDialogs); break;
    case ID_EXPORT_GPX: OnExportGpx(*this, *wnd, exchangeDialogs); break;
    default: break;
    }
}

QPrinter* CMainFrame::Printer()
{
    // Made on first use: finding the installed printers can take a moment.
    if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_pPrinter.get();
}

void CMainFrame::OnFilePrintSetup()
{
    CPrintSetupDlg dlg(Printer(), this);
    if (runPrintSetup) runPrintSetup(dlg);
}

void CMainFrame::ToggleBar(int barId)
{
    CCustomBar* bar = barId == ID_VIEW_SATBAR ? static_cast<CCustomBar*>(m_pSatBar)
                                              : static_cast<CCustomBar*>(m_pFindBar);
    if (!bar) return;
    if (bar->isHidden()) {
        // The bars show the receiver's state, so showing one switches the receiver on, even
        // when it was switched off before.
        if (startGps) startGps(true);
        bar->show();
        bar->raise();
    } else {
        bar->hide();
    }
}

CKorvelWnd* CMainFrame::ActiveWnd() const { return m_pApp ? m_pApp->ActiveWnd() : nullptr; }

CKorvelView* CMainFrame::ActiveView() const
{
    CKorvelWnd* wnd = ActiveWnd();
    return wnd ? wnd->view() : nullptr;
}

void CMainFrame::UpdateCommandUI()
{
    if (m_bDestroying) return;
    m_uiUpdateSoon.stop();
    for (const CommandEntry& e : m_commands.entries()) {
        QAction* a = action(e.id);
        if (!a) continue;
        const CommandState state = CommandStateOf(e.id);
        a->setEnabled(state.enabled);
        if (a->isCheckable()) a->setChecked(state.checked);
        if (e.face) e.face(*a);
    }
    UpdateTitle();
}

void CMainFrame::ScheduleCommandUpdate()
{
    if (!m_bDestroying && !m_uiUpdateSoon.isActive()) m_uiUpdateSoon.start();
}

CTileFetcher* CMainFrame::tileFetcher()
{
    if (!m_pTileFetcher) m_pTileFetcher = std::make_unique<CTileFetcher>(ReadConfiguredTileServers(), ProgramTileCacheRoot());
    return m_pTileFetcher.get();
}

void CMainFrame::AttachDocumentWindow(CKorvelWnd* wnd)
{
    CKorvelDoc* doc = wnd ? wnd->document() : nullptr;
    if (!doc) return;
    // Every view gets the layer; it draws only while its document shows a tile service.
    if (CKorvelView* view = wnd->view()) InstallTileLayer(*view, tileFetcher(), ProgramTileCacheRoot());
    m_kinds.Watch(doc);
    // Save, the title's modified mark and the view's commands follow the document.
    connect(doc, &CKorvelDoc::modifiedChanged, this, &CMainFrame::ScheduleCommandUpdate);
    connect(doc, &CKorvelDoc::objectAdded, this, &CMainFrame::ScheduleCommandUpdate);
    connect(doc, &CKorvelDoc::objectRemoved, this, &CMainFrame::ScheduleCommandUpdate);
    connect(doc, &CKorvelDoc::fitAllRequested, this, &CMainFrame::ScheduleCommandUpdate);
    // Undo and redo become possible or not with every step.
    QUndoStack* undo = CDocUndo::Of(doc)->Stack();
    connect(undo, &QUndoStack::indexChanged, this, &CMainFrame::ScheduleCommandUpdate);
    connect(undo, &QUndoStack::cleanChanged, this, &CMainFrame::ScheduleCommandUpdate);
}

void CMainFrame::UpdateTitle()
{
    // "Korvel - name" with the modified mark of the active document.
    QString title = LoadString(IDS_MAINFRAME_TITLE);
    CKorvelWnd* wnd = ActiveWnd();
    if (wnd) title += QStringLiteral(" - ") + wnd->DocumentTitle();
    title += QStringLiteral("[*]");
    if (windowTitle() != title) setWindowTitle(title);
    setWindowModified(wnd && wnd->document()->IsModified());
}

// ---------------------------------------------------------------------------------------------
// Views' shared state

void CMainFrame::SetCurrentTool(int tool)
{
    m_nTool = tool;
    UpdateCommandUI();
}

void CMainFrame::SetCoordinatePanes(const QString& system, const QString& first, const QString& second)
{
    m_pPanes[0]->setText(system);
    m_pPanes[1]->setText(first);
    m_pPanes[2]->setText(second);
}

QString CMainFrame::paneText(int pane) const
{
    return pane >= 1 && pane <= 3 && m_pPanes[pane - 1] ? m_pPanes[pane - 1]->text() : QString();
}

CGpsSettings* CMainFrame::Gps() { return m_pGpsOptions; }

bool CMainFrame::AddToDocument(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects, const QString& text)
{
    UndoableAdd add(doc, text);
    for (std::unique_ptr<GObj>& obj : objects) {
        if (!obj) continue;
        if (!add.Add(obj.get())) return false;
        obj.release();
    }
    return true;
}

std::unique_ptr<MeasuringController> CMainFrame::CreateMeasuring(CKorvelView& view)
{
    return std::make_unique<CMeasureController>(view, this);
}

CMeasureController* CMainFrame::ActiveMeasuring() const
{
    CKorvelView* view = ActiveView();
    return view ? dynamic_cast<CMeasureController*>(view->measuring()) : nullptr;
}

void CMainFrame::SetPauseFace(bool paused, bool notLineMode)
{
    m_bPauseFacePaused = paused;
    m_bPauseFaceGreyed = notLineMode;
    QIcon face = m_pauseFaces[paused ? 1 : 0];
    if (notLineMode) face = GreyedIcon(face);
    m_currentPauseFace = face;
    if (QAction* a = action(ID_MEASURE_PAUSE)) a->setIcon(face);
}

// ---------------------------------------------------------------------------------------------
// Settings

void CMainFrame::ReadFrameSettings()
{
    QSettings s(kCompanyKey, kApplicationKey);
    m_strZentoImportDir = s.value(key::ZentoImportDir).toString();
    m_strImgImportDir = s.value(key::ImgImportDir).toString();
    m_strZentoExportDir = s.value(key::ZentoExportDir).toString();
    m_strShapeImportDir = s.value(key::ShapeImportDir).toString();
    m_strShapeExportDir = s.value(key::ShapeExportDir).toString();
    m_nCoordSys = ReadCoordSys(s);
}

void CMainFrame::WriteFrameSettings() const
{
    QSettings s(kCompanyKey, kApplicationKey);
    s.setValue(key::ZentoImportDir, m_strZentoImportDir);
    s.setValue(key::ImgImportDir, m_strImgImportDir);
    s.setValue(key::ZentoExportDir, m_strZentoExportDir);
    s.setValue(key::ShapeImportDir, m_strShapeImportDir);
    s.setValue(key::ShapeExportDir, m_strShapeExportDir);
    s.setValue(key::CoordSys, QString::asprintf("%d", m_nCoordSys));
}

void CMainFrame::SaveBarState() const
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    QStringList names;
    for (QToolBar* bar : {m_pFileBar, m_pZoomBar, m_pImpExpBar, m_pSurveyBar}) names << bar->objectName();
    names << m_pSatBar->objectName() << m_pFindBar->objectName();
    out << kBarStateMagic << names << saveState(kBarStateVersion) << !statusBar()->isHidden();
    QSettings s(kCompanyKey, kApplicationKey);
    s.setValue(key::ToolbarsLayout, data);
}

bool CMainFrame::LoadBarState()
{
    QSettings s(kCompanyKey, kApplicationKey);
    const QByteArray data = s.value(key::ToolbarsLayout).toByteArray();
    bool ok = false;
    if (!data.isEmpty()) {
        QDataStream in(data);
        in.setVersion(QDataStream::Qt_6_4);
        quint32 magic = 0;
        QStringList names;
        QByteArray state;
        bool statusVisible = true;
        in >> magic >> names >> state >> statusVisible;
        ok = in.status() == QDataStream::Ok && magic == kBarStateMagic && !state.isEmpty();
        // A layout that names a bar this program does not have was written by something else
        // (or an older program); taking half of it would leave bars in odd places.
        for (const QString& name : std::as_const(names)) {
            ok = ok && findChild<QWidget*>(name, Qt::FindDirectChildrenOnly) != nullptr;
        }
        ok = ok && restoreState(state, kBarStateVersion);
        if (ok) statusBar()->setVisible(statusVisible);
    }
    if (!ok) {
        restoreState(m_defaultState, kBarStateVersion);
        statusBar()->show();
    }
    UpdateCommandUI();
    return ok;
}

void CMainFrame::RestoreDefaultBars()
{
    restoreState(m_defaultState, kBarStateVersion);
    statusBar()->show();
    m_pSatBar->RecalcLayout();
    m_pFindBar->RecalcLayout();
    UpdateCommandUI();
}

void CMainFrame::RestorePlacement(int requested)
{
    QSettings s(kCompanyKey, kApplicationKey);
    const QRect current = normalGeometry().isValid() ? normalGeometry() : geometry();
    // posRight and posBottom are exclusive, like the window rectangles they come from.
    const int left = ReadInt(s, key::PosLeft, current.left());
    const int top = ReadInt(s, key::PosTop, current.top());
    const int right = ReadInt(s, key::PosRight, current.left() + current.width());
    const int bottom = ReadInt(s, key::PosBottom, current.top() + current.height());
    QRect rect(left, top, right - left, bottom - top);
    if (rect.width() < 200 || rect.height() < 150) rect = current;
    // A rectangle left on a screen that is gone would open the window out of reach.
    bool onScreen = false;
    for (QScreen* screen : QGuiApplication::screens()) onScreen = onScreen || screen->availableGeometry().intersects(rect);
    if (!onScreen && !QGuiApplication::screens().isEmpty()) {
        rect.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
    }
    setGeometry(rect);

    int show = requested;
    if (show == 0) show = ReadInt(s, key::PosMax, kShowNormal);
    if (show == kShowMaximized) setWindowState(windowState() | Qt::WindowMaximized);
    else if (show == kShowMinimized && requested == kShowMinimized) setWindowState(windowState() | Qt::WindowMinimized);
    else setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    m_bFramePlacementRestored = true;
}

void CMainFrame::SavePlacement() const
{
    if (!m_bFramePlacementRestored) return;
    QSettings s(kCompanyKey, kApplicationKey);
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (r.isValid()) {
        s.setValue(key::PosLeft, r.left());
        s.setValue(key::PosTop, r.top());
        s.setValue(key::PosRight, r.left() + r.width());
        s.setValue(key::PosBottom, r.top() + r.height());
    }
    s.setValue(key::PosMax, isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal);
}

// ---------------------------------------------------------------------------------------------
// Window events

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_pApp && !m_pApp->CanCloseAll()) {
        event->ignore();
        return;
    }
    SaveBarState();
    SavePlacement();
    m_uiTimer.stop();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    // Every dropped file is opened as a document; one that is not a map says so itself. The
    // files are opened once the drop has returned: a message box inside the drop would hold
    // the program the files were dragged from until it is answered.
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    activateWindow();
    if (paths.isEmpty()) return;
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            for (const QString& path : paths) {
                if (m_pApp) m_pApp->OpenDocumentFile(path);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace korvel
