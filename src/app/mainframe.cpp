#include "app/mainframe.h"

#include "app/appsettings.h"
#include "app/commandids.h"
#include "app/coordsysdlg.h"
#include "app/custombar.h"
#include "app/exchangecommands.h"
#include "app/gpsoptiondlg.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/printsetupdlg.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
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

// The accelerator written after the tab of a menu text, as a key sequence.
QKeySequence ShortcutOf(const QString& menuText)
{
    const int tab = menuText.indexOf(QLatin1Char('\t'));
    if (tab < 0) return QKeySequence();
    QString keys = menuText.mid(tab + 1);
    keys.replace(QStringLiteral("Strg"), QStringLiteral("Ctrl"));
    keys.replace(QStringLiteral("Umschalt"), QStringLiteral("Shift"));
    return QKeySequence(keys, QKeySequence::PortableText);
}

struct MenuText {
    int id;
    const char* text;
};

// Menu texts of the commands; the part after the tab names the accelerator.
constexpr MenuText kMenuTexts[] = {
    {ID_FILE_NEW, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Neu\tStrg+N")},
    {ID_FILE_OPEN, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ö&ffnen...\tStrg+O")},
    {ID_FILE_CLOSE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Schl&ießen")},
    {ID_FILE_SAVE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Speichern\tStrg+S")},
    {ID_FILE_SAVE_AS, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Speichern &unter...")},
    {ID_FILE_PRINT, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Drucken...\tStrg+P")},
    {ID_FILE_PRINT_PREVIEW, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Seitenans&icht")},
    {ID_FILE_PRINT_SETUP, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Drucker&einrichtung...")},
    {ID_IMPORT_ZENTO, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Handheld (ZENTO)...")},
    {ID_IMPORT_SHAPE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GIS (Shape-Format)...")},
    {ID_EXPORT_ZENTO, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Handheld (ZENTO)...")},
    {ID_EXPORT_SHAPE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GIS (Shape-Format)...")},
    {ID_APP_EXIT, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Beenden")},
    {ID_VIEW_ZOOM_IN, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&größern")},
    {ID_VIEW_ZOOM_OUT, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&kleinern")},
    {ID_VIEW_PAN, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&schieben")},
    {ID_VIEW_FIT_ALL, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Alles anzeigen")},
    {ID_VIEW_TOOLBAR_FILE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Datei")},
    {ID_VIEW_TOOLBAR_ZOOM, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Zoom")},
    {ID_VIEW_TOOLBAR_IMPEXP, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Import/Export")},
    {ID_VIEW_TOOLBAR_SURVEY, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Vermessung")},
    {ID_VIEW_RESTORE_BARS, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Wiederherstellen")},
    {ID_VIEW_STATUS_BAR, QT_TRANSLATE_NOOP("korvel::CMainFrame", "S&tatusleiste")},
    {ID_VIEW_SATBAR, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Satellitenansicht")},
    {ID_VIEW_COMPASS, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Kompass")},
    {ID_GPS_SETTINGS, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GPS-Einstellungen")},
    {ID_GPS_ACTIVE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "GPS &aktiv")},
    {ID_COORDSYS, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Koordinatensystem")},
    {ID_WINDOW_CASCADE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ü&berlappend")},
    {ID_WINDOW_TILE_HORZ, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Nebeneinander")},
    {ID_APP_ABOUT, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Inf&o über Korvel...")},
};

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
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        ShowMenuFor(w);
        UpdateCommandUI();
    });
    ReadFrameSettings();
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
    // The enabled and checked states follow state that changes elsewhere (the receiver, the
    // documents); a short timer keeps them current the way idle-time updates do.
    m_uiTimer.setInterval(250);
    connect(&m_uiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
}

CMainFrame::~CMainFrame()
{
    // The document windows go while the frame is still whole: closing them activates other
    // windows, and those signals must not reach a frame that is half destroyed.
    m_uiTimer.stop();
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    // The bars are hidden while the window part of the frame is destroyed; by then this is no
    // longer a CMainFrame that could answer their signals.
    if (m_pSatBar) disconnect(m_pSatBar, nullptr, this, nullptr);
    if (m_pFindBar) disconnect(m_pFindBar, nullptr, this, nullptr);
    disconnect(statusBar(), nullptr, this, nullptr);
    m_bDestroying = true;
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    for (QMdiSubWindow* w : windows) delete w;
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

QAction* CMainFrame::AddAction(int id, const QString& iconName, bool checkable)
{
    auto* a = new QAction(this);
    a->setData(id);
    a->setCheckable(checkable);
    if (!iconName.isEmpty()) a->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(iconName)));
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
    return a;
}

void CMainFrame::createActions()
{
    AddAction(ID_FILE_NEW, QStringLiteral("new"));
    AddAction(ID_FILE_OPEN, QStringLiteral("open"));
    AddAction(ID_FILE_CLOSE);
    AddAction(ID_FILE_SAVE, QStringLiteral("save"));
    AddAction(ID_FILE_SAVE_AS);
    AddAction(ID_FILE_PRINT, QStringLiteral("print"));
    AddAction(ID_FILE_PRINT_PREVIEW, QStringLiteral("preview"));
    AddAction(ID_FILE_PRINT_SETUP, QStringLiteral("print-setup"));
    AddAction(ID_IMPORT_ZENTO, QStringLiteral("import-zento"));
    AddAction(ID_IMPORT_SHAPE, QStringLiteral("import-shape"));
    AddAction(ID_EXPORT_ZENTO, QStringLiteral("export-zento"));
    AddAction(ID_EXPORT_SHAPE, QStringLiteral("export-shape"));
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i) {
        m_recentActions << AddAction(ID_FILE_MRU_FILE1 + i);
    }
    AddAction(ID_APP_EXIT)->setMenuRole(QAction::QuitRole);
    AddAction(ID_VIEW_ZOOM_IN, QStringLiteral("zoom-in"), true);
    AddAction(ID_VIEW_ZOOM_OUT, QStringLiteral("zoom-out"), true);
    AddAction(ID_VIEW_PAN, QStringLiteral("pan"), true);
    AddAction(ID_VIEW_FIT_ALL, QStringLiteral("fit-all"));
    AddAction(ID_APP_ABOUT, QStringLiteral("about"))->setMenuRole(QAction::AboutRole);
    for (int id : {ID_VIEW_TOOLBAR_FILE, ID_VIEW_TOOLBAR_ZOOM, ID_VIEW_TOOLBAR_IMPEXP, ID_VIEW_TOOLBAR_SURVEY,
                   ID_VIEW_STATUS_BAR}) {
        AddAction(id, QString(), true);
    }
    AddAction(ID_VIEW_RESTORE_BARS);
    AddAction(ID_COORDSYS, QStringLiteral("coordsys"));
    AddAction(ID_GPS_SETTINGS, QStringLiteral("gps-settings"));
    AddAction(ID_GPS_ACTIVE, QStringLiteral("gps-active"), true);
    AddAction(ID_VIEW_SATBAR, QStringLiteral("satview"), true);
    AddAction(ID_VIEW_COMPASS, QStringLiteral("compass"), true);
    AddAction(ID_WINDOW_CASCADE);
    AddAction(ID_WINDOW_TILE_HORZ);

    m_pauseFaces[0] = QIcon(QStringLiteral(":/icons/pause.svg"));
    m_pauseFaces[1] = QIcon(QStringLiteral(":/icons/resume.svg"));
    m_currentPauseFace = m_pauseFaces[0];
    Retranslate();
}

void CMainFrame::RetranslateAction(QAction* a, const QString& menuText)
{
    const int id = a->data().toInt();
    a->setText(menuText);
    const QKeySequence keys = ShortcutOf(menuText);
    if (!keys.isEmpty()) a->setShortcut(keys);
    if (HasString(id)) {
        a->setStatusTip(StatusText(id));
        const QString tip = ToolTipText(id);
        a->setToolTip(tip.isEmpty() ? QString(menuText).remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0)
                                    : tip);
    }
}

void CMainFrame::Retranslate()
{
    for (const MenuText& m : kMenuTexts) {
        if (QAction* a = action(m.id)) RetranslateAction(a, tr(m.text));
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

    AddTo(m_pFileBar, {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_FILE_PRINT, 0, ID_APP_ABOUT});
    AddTo(m_pZoomBar, {ID_VIEW_SELECT_OBJECTS, ID_VIEW_CREATE_POINT, 0, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, ID_VIEW_PAN,
                       ID_VIEW_FIT_ALL});

    AddTo(m_pImpExpBar, {ID_IMPORT_ZENTO, ID_EXPORT_ZENTO, 0, ID_IMPORT_SHAPE, ID_EXPORT_SHAPE});
    AddTo(m_pSurveyBar, {ID_GPS_ACTIVE, ID_GPS_SETTINGS, ID_COORDSYS, 0, ID_VIEW_SATBAR, ID_VIEW_COMPASS});

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
    return true;
}

// ---------------------------------------------------------------------------------------------
// Menus

void CMainFrame::AddTo(QWidget* menuOrBar, std::initializer_list<int> ids)
{
    // Commands the program does not offer (yet) have no action and simply do not appear; a
    // separator (0) is only placed between two commands that are there.
    bool pendingSeparator = false;
    bool any = !menuOrBar->actions().isEmpty();
    for (int id : ids) {
        if (id == 0) {
            pendingSeparator = any;
            continue;
        }
        QAction* a = action(id);
        if (!a) continue;
        if (pendingSeparator) {
            auto* sep = new QAction(menuOrBar);
            sep->setSeparator(true);
            menuOrBar->addAction(sep);
            pendingSeparator = false;
        }
        menuOrBar->addAction(a);
        any = true;
    }
}

QMenu* CMainFrame::createMenu(bool withDocument, const QStringList& languageNames, int activeLanguage)
{
    auto* bar = new QMenu(this);  // holds the popups of one menu bar as its sub-menus
    bar->setObjectName(withDocument ? QStringLiteral("ChildMenu") : QStringLiteral("MainMenu"));

    QMenu* file = bar->addMenu(tr("&Datei"));
    AddTo(file, {ID_FILE_NEW, ID_FILE_OPEN});
    if (withDocument) {
        AddTo(file, {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS});
        file->addSeparator();
        QMenu* import = file->addMenu(tr("&Import"));
        AddTo(import, {ID_IMPORT_ZENTO, ID_IMPORT_SHAPE});
        QMenu* exportMenu = file->addMenu(tr("&Export"));
        AddTo(exportMenu, {ID_EXPORT_ZENTO, ID_EXPORT_SHAPE});
        AddTo(file, {0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP});
    } else {
        AddTo(file, {0, ID_FILE_PRINT_SETUP});
    }
    QAction* recentSeparator = file->addSeparator();
    for (QAction* a : m_recentActions) file->addAction(a);
    file->addSeparator();
    file->addAction(action(ID_APP_EXIT));
    connect(file, &QMenu::aboutToShow, this, [this, recentSeparator] {
        recentSeparator->setVisible(!m_recentActions.isEmpty() && m_pApp && !m_pApp->recentFiles().entries().isEmpty());
    });

    QMenu* view = bar->addMenu(tr("&Ansicht"));
    if (withDocument) {
        AddTo(view, {ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, ID_VIEW_PAN, ID_VIEW_FIT_ALL});
        view->addSeparator();
    }
    QMenu* bars = view->addMenu(tr("&Symbolleiste"));
    for (int id : {ID_VIEW_TOOLBAR_FILE, ID_VIEW_TOOLBAR_ZOOM, ID_VIEW_TOOLBAR_IMPEXP, ID_VIEW_TOOLBAR_SURVEY}) {
        bars->addAction(action(id));
    }
    bars->addSeparator();
    bars->addAction(action(ID_VIEW_RESTORE_BARS));
    view->addAction(action(ID_VIEW_STATUS_BAR));
    view->addSeparator();
    view->addAction(action(ID_VIEW_SATBAR));
    view->addAction(action(ID_VIEW_COMPASS));

    QMenu* extras = bar->addMenu(tr("E&xtras"));
    AddTo(extras, {ID_GPS_SETTINGS, ID_GPS_ACTIVE, 0, ID_COORDSYS});

    if (withDocument) {
        QMenu* window = bar->addMenu(tr("&Fenster"));
        connect(window, &QMenu::aboutToShow, this, [this, window] {
            window->clear();
            window->addAction(action(ID_WINDOW_CASCADE));
            window->addAction(action(ID_WINDOW_TILE_HORZ));
            const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
            if (!windows.isEmpty()) window->addSeparator();
            for (int i = 0; i < windows.size(); ++i) {
                QMdiSubWindow* w = windows.at(i);
                QAction* a = window->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
                    w->windowTitle().remove(QStringLiteral("[*]"))));
                a->setCheckable(true);
                a->setChecked(w == m_pMdiArea->activeSubWindow());
                connect(a, &QAction::triggered, m_pMdiArea, [this, w] { m_pMdiArea->setActiveSubWindow(w); });
            }
        });
        window->addAction(action(ID_WINDOW_CASCADE));  // so the popup is never empty
    }

    // The language popup: its first item is the built-in German (40001); it exists only when
    // there is more than one language module.
    if (languageNames.size() > 1) {
        QMenu* lang = bar->addMenu(tr("&Sprache"));
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

    QMenu* help = bar->addMenu(tr("&Hilfe"));
    AddTo(help, {ID_APP_ABOUT});
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
    ShowMenuFor(m_pMdiArea->activeSubWindow());
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
    if (!action(id) && !(id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST)) return false;
    if (!IsEnabled(id)) return false;
    OnCommand(id);
    return true;
}

void CMainFrame::OnCommand(int id)
{
    switch (id) {
    case ID_VIEW_TOOLBAR_FILE:
    case ID_VIEW_TOOLBAR_ZOOM:
    case ID_VIEW_TOOLBAR_IMPEXP:
    case ID_VIEW_TOOLBAR_SURVEY:
        if (QToolBar* bar = toolBar(id)) bar->setVisible(bar->isHidden());
        break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(statusBar()->isHidden()); break;
    case ID_VIEW_SATBAR:
    case ID_VIEW_COMPASS: ToggleBar(id); break;
    case ID_VIEW_RESTORE_BARS: RestoreDefaultBars(); break;
    case ID_GPS_SETTINGS:
        if (showGpsSettings) showGpsSettings();
        break;
    case ID_GPS_ACTIVE:
        if (isGpsOpen && isGpsOpen()) {
            if (stopGps) stopGps();
        } else if (startGps) {
            startGps(true);
        }
        break;
    case ID_COORDSYS:
        if (chooseCoordSys) chooseCoordSys();
        break;
    case ID_FILE_PRINT_SETUP: OnFilePrintSetup(); break;
    case ID_IMPORT_ZENTO:
    case ID_IMPORT_SHAPE:
    case ID_EXPORT_ZENTO:
    case ID_EXPORT_SHAPE: OnExchangeCommand(id); break;
    case ID_WINDOW_CASCADE: m_pMdiArea->cascadeSubWindows(); break;
    case ID_WINDOW_TILE_HORZ: m_pMdiArea->tileSubWindows(); break;
    case ID_APP_EXIT: close(); break;
    default:
        if (m_pApp && m_pApp->OnCommand(id)) break;
        if (CKorvelView* view = ActiveView()) view->OnCommand(id);
        break;
    }
    UpdateCommandUI();
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

bool CMainFrame::IsEnabled(int id) const
{
    switch (id) {
    case ID_GPS_SETTINGS: return bool(showGpsSettings);
    case ID_GPS_ACTIVE: return bool(startGps) && bool(isGpsOpen);
    case ID_COORDSYS: return bool(chooseCoordSys);
    case ID_FILE_PRINT_SETUP: return true;
    case ID_IMPORT_ZENTO:
    case ID_IMPORT_SHAPE: return m_pApp && m_pApp->ActiveWnd();
    case ID_EXPORT_ZENTO:
    case ID_EXPORT_SHAPE: {
        CKorvelWnd* wnd = m_pApp ? m_pApp->ActiveWnd() : nullptr;
        if (!wnd || !wnd->document()) return false;
        return id == ID_EXPORT_SHAPE ? CanExportShape(*wnd->document()) : CanExportZento(*wnd->document());
    }
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ: return !m_pMdiArea->subWindowList().isEmpty();
    default: break;
    }
    if (m_pApp && (id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_FILE_CLOSE || id == ID_FILE_SAVE ||
                   id == ID_FILE_SAVE_AS || id == ID_APP_ABOUT ||
                   (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kMaxEntries) ||
                   (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST))) {
        return m_pApp->IsCommandEnabled(id);
    }
    if (IsViewCommand(id)) {
        CKorvelView* view = ActiveView();
        return view && view->OnUpdateCommand(id).enabled;
    }
    return true;
}

bool CMainFrame::IsViewCommand(int id)
{
    switch (id) {
    case ID_VIEW_ZOOM_IN:
    case ID_VIEW_ZOOM_OUT:
    case ID_VIEW_PAN:
    case ID_VIEW_FIT_ALL:
    case ID_VIEW_RECALC_BOUNDS:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW: return true;
    default: return false;
    }
}

CKorvelView* CMainFrame::ActiveView() const
{
    CKorvelWnd* wnd = m_pApp ? m_pApp->ActiveWnd() : nullptr;
    return wnd ? wnd->view() : nullptr;
}

bool CMainFrame::IsChecked(int id) const
{
    switch (id) {
    case ID_VIEW_TOOLBAR_FILE:
    case ID_VIEW_TOOLBAR_ZOOM:
    case ID_VIEW_TOOLBAR_IMPEXP:
    case ID_VIEW_TOOLBAR_SURVEY: return toolBar(id) && !toolBar(id)->isHidden();
    case ID_VIEW_STATUS_BAR: return !statusBar()->isHidden();
    case ID_VIEW_SATBAR: return m_pSatBar && !m_pSatBar->isHidden();
    case ID_VIEW_COMPASS: return m_pFindBar && !m_pFindBar->isHidden();
    case ID_GPS_ACTIVE: return isGpsOpen && isGpsOpen();
    default: break;
    }
    if (IsViewCommand(id)) {
        CKorvelView* view = ActiveView();
        return view && view->OnUpdateCommand(id).checked;
    }
    return false;
}

void CMainFrame::UpdateCommandUI()
{
    if (m_bDestroying) return;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        QAction* a = it.value();
        const int id = it.key();
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + CRecentFileList::kMaxEntries) {
            const QStringList& files = m_pApp ? m_pApp->recentFiles().entries() : QStringList();
            const int i = id - ID_FILE_MRU_FILE1;
            a->setVisible(i < files.size());
            if (i < files.size()) {
                a->setText(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(files.at(i)).fileName()));
                a->setStatusTip(files.at(i));
            }
            continue;
        }
        a->setEnabled(IsEnabled(id));
        if (a->isCheckable()) a->setChecked(IsChecked(id));
    }
    UpdateTitle();
}

void CMainFrame::UpdateTitle()
{
    // "Korvel - name" with the modified mark of the active document.
    QString title = LoadString(IDS_MAINFRAME_TITLE);
    CKorvelWnd* wnd = m_pApp ? m_pApp->ActiveWnd() : nullptr;
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

void CMainFrame::SetPauseFace(bool paused, bool notLineMode)
{
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
    // Every dropped file is opened as a document; one that is not a map says so itself.
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && m_pApp) m_pApp->OpenDocumentFile(url.toLocalFile());
    }
}

}  // namespace korvel
