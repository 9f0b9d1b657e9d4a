// The commands of the desktop program: one entry per command (see app/commandtable.h for how
// to add one) and the popups of both menu bars.
#include "app/commandids.h"
#include "app/custombar.h"
#include "app/exchangecommands.h"
#include "app/imagecommands.h"
#include "app/gpsoptiondlg.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "app/recentfilelist.h"
#include "app/tilecommands.h"
#include "model/korveldoc.h"
#include "survey/measurecontroller.h"
#include "survey/measurepoint.h"
#include "view/korvelview.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QStatusBar>
#include <QToolBar>

namespace korvel {
namespace {

// Popup paths used by the entries below.
constexpr const char* kFile = "&Datei";
constexpr const char* kImport = "&Datei/&Import";
constexpr const char* kExport = "&Datei/&Export";
constexpr const char* kEdit = "&Bearbeiten";
constexpr const char* kEditPoints = "&Bearbeiten/&Punkte";
constexpr const char* kEditLines = "&Bearbeiten/&Linien";
constexpr const char* kEditAreas = "&Bearbeiten/&Flächen";
constexpr const char* kEditTexts = "&Bearbeiten/&Texte";
constexpr const char* kEditImages = "&Bearbeiten/&Bilder";
constexpr const char* kView = "&Ansicht";
constexpr const char* kBars = "&Ansicht/&Symbolleiste";
constexpr const char* kTiles = "&Ansicht/&Online-Karte";
constexpr const char* kMeasure = "&Messen";
constexpr const char* kExtras = "E&xtras";
constexpr const char* kWindow = "&Fenster";
constexpr const char* kHelp = "&Hilfe";

}  // namespace

void CMainFrame::createCommands()
{
    CCommandTable& t = m_commands;
    CKorvelApp* app = m_pApp;
    auto hasApp = [app] { return app != nullptr; };
    auto hasWindow = [this] { return ActiveWnd() != nullptr; };

    // The popups of the menu bars, left to right, and the popups inside them.
    t.AddPopup({kMenuBoth, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Datei"), 0, 10});
    t.AddPopup({kMenuDocument, kFile, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Import"), 2, 10});
    t.AddPopup({kMenuDocument, kFile, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Export"), 2, 20});
    t.AddPopup({kMenuDocument, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Bearbeiten"), 0, 15});
    t.AddPopup({kMenuDocument, kEdit, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Punkte"), 3, 10});
    t.AddPopup({kMenuDocument, kEdit, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Linien"), 3, 20});
    t.AddPopup({kMenuDocument, kEdit, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Flächen"), 3, 30});
    t.AddPopup({kMenuDocument, kEdit, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Texte"), 3, 40});
    t.AddPopup({kMenuDocument, kEdit, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Bilder"), 3, 50});
    t.AddPopup({kMenuBoth, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Ansicht"), 0, 20});
    t.AddPopup({kMenuDocument, kView, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Online-Karte"), 2, 10});
    t.AddPopup({kMenuBoth, kView, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Symbolleiste"), 3, 10});
    t.AddPopup({kMenuDocument, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Messen"), 0, 25});
    t.AddPopup({kMenuBoth, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "E&xtras"), 0, 30});
    t.AddPopup(
        {kMenuDocument, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Fenster"), 0, 40, PopupKind::Windows});
    t.AddPopup(
        {kMenuBoth, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Sprache"), 0, 50, PopupKind::Languages});
    t.AddPopup({kMenuBoth, "", QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Hilfe"), 0, 60});

    // Documents.
    t.Add(CommandEntry(ID_FILE_NEW)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Neu\tStrg+N"))
              .Icon("new")
              .Shortcut("Ctrl+N")
              .InMenu(kMenuBoth, kFile, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_FILE, 1, 10)
              .EnabledWhen(hasApp)
              .Handler([app] { app->OnFileNew(); }));
    t.Add(CommandEntry(ID_FILE_OPEN)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ö&ffnen...\tStrg+O"))
              .Icon("open")
              .Shortcut("Ctrl+O")
              .InMenu(kMenuBoth, kFile, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_FILE, 1, 20)
              .EnabledWhen(hasApp)
              .Handler([app] { app->OnFileOpen(); }));
    t.Add(CommandEntry(ID_FILE_CLOSE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Schl&ießen"))
              .InMenu(kMenuDocument, kFile, 1, 30)
              .EnabledWhen(hasWindow)
              .Handler([this] { ActiveWnd()->close(); }));
    t.Add(CommandEntry(ID_FILE_SAVE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Speichern\tStrg+S"))
              .Icon("save")
              .Shortcut("Ctrl+S")
              .InMenu(kMenuDocument, kFile, 1, 40)
              .OnBar(ID_VIEW_TOOLBAR_FILE, 1, 30)
              .EnabledWhen(hasWindow)
              .Handler([this] { ActiveWnd()->Save(); }));
    t.Add(CommandEntry(ID_FILE_SAVE_AS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Speichern &unter..."))
              .InMenu(kMenuDocument, kFile, 1, 50)
              .EnabledWhen(hasWindow)
              .Handler([this] { ActiveWnd()->SaveAs(); }));

    // Import and export.
    auto exchange = [this](int id) { return [this, id] { OnExchangeCommand(id); }; };
    t.Add(CommandEntry(ID_IMPORT_ZENTO)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Handheld (ZENTO)..."))
              .Icon("import-zento")
              .InMenu(kMenuDocument, kImport, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_IMPEXP, 1, 10)
              .EnabledWhen(hasWindow)
              .Handler(exchange(ID_IMPORT_ZENTO)));
    t.Add(CommandEntry(ID_IMPORT_SHAPE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GIS (Shape-Format)..."))
              .Icon("import-shape")
              .InMenu(kMenuDocument, kImport, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_IMPEXP, 2, 10)
              .EnabledWhen(hasWindow)
              .Handler(exchange(ID_IMPORT_SHAPE)));
    // The exports ask the kinds of objects kept per document, never the document itself.
    t.Add(CommandEntry(ID_EXPORT_ZENTO)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Handheld (ZENTO)..."))
              .Icon("export-zento")
              .InMenu(kMenuDocument, kExport, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_IMPEXP, 1, 20)
              .EnabledWhen([this] {
                  CKorvelWnd* wnd = ActiveWnd();
                  CKorvelDoc* doc = wnd ? wnd->document() : nullptr;
                  return doc && CanExportZento(*doc, m_kinds.Kinds(*doc));
              })
              .Handler(exchange(ID_EXPORT_ZENTO)));
    t.Add(CommandEntry(ID_EXPORT_SHAPE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GIS (Shape-Format)..."))
              .Icon("export-shape")
              .InMenu(kMenuDocument, kExport, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_IMPEXP, 2, 20)
              .EnabledWhen([this] {
                  CKorvelWnd* wnd = ActiveWnd();
                  CKorvelDoc* doc = wnd ? wnd->document() : nullptr;
                  return doc && CanExportShape(m_kinds.Kinds(*doc));
              })
              .Handler(exchange(ID_EXPORT_SHAPE)));
    t.Add(CommandEntry(ID_IMPORT_GPX)
              .Text(kGpxMenuText)
              .InMenu(kMenuDocument, kImport, 1, 30)
              .EnabledWhen(hasWindow)
              .Handler(exchange(ID_IMPORT_GPX)));
    t.Add(CommandEntry(ID_EXPORT_GPX)
              .Text(kGpxMenuText)
              .InMenu(kMenuDocument, kExport, 1, 30)
              .EnabledWhen([this] {
                  CKorvelWnd* wnd = ActiveWnd();
                  CKorvelDoc* doc = wnd ? wnd->document() : nullptr;
                  return doc && CanExportGpx(*doc, m_kinds.Kinds(*doc));
              })
              .Handler(exchange(ID_EXPORT_GPX)));

    // Printing: the view prints; the printer set-up belongs to the frame.
    t.Add(CommandEntry(ID_FILE_PRINT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Drucken...\tStrg+P"))
              .Icon("print")
              .Shortcut("Ctrl+P")
              .InMenu(kMenuDocument, kFile, 3, 10)
              .OnBar(ID_VIEW_TOOLBAR_FILE, 2, 10));
    t.Add(CommandEntry(ID_FILE_PRINT_PREVIEW)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Seitenans&icht"))
              .Icon("preview")
              .InMenu(kMenuDocument, kFile, 3, 20));
    t.Add(CommandEntry(ID_FILE_PRINT_SETUP)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Drucker&einrichtung..."))
              .Icon("print-setup")
              .InMenu(kMenuBoth, kFile, 3, 30)
              .Handler([this] { OnFilePrintSetup(); }));

    // The recent files: hidden while the list has no entry for them.
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i) {
        t.Add(CommandEntry(ID_FILE_MRU_FILE1 + i)
                  .InMenu(kMenuBoth, kFile, 4, i)
                  .EnabledWhen([app, i] { return app && i < app->recentFiles().entries().size(); })
                  .Handler([app, i] { app->OpenRecentFile(i); })
                  .Face([app, i](QAction& a) {
                      const QStringList files = app ? app->recentFiles().entries() : QStringList();
                      a.setVisible(i < files.size());
                      if (i >= files.size()) return;
                      a.setText(
                          QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(files.at(i)).fileName()));
                      a.setStatusTip(files.at(i));
                  }));
    }
    t.Add(CommandEntry(ID_APP_EXIT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Beenden"))
              .Role(QAction::QuitRole)
              .InMenu(kMenuBoth, kFile, 5, 10)
              .Handler([this] { close(); }));

    // The map view's tools and "Alles anzeigen" (the view answers for them).
    t.Add(CommandEntry(ID_VIEW_ZOOM_IN)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&größern"))
              .Icon("zoom-in")
              .Checkable()
              .InMenu(kMenuDocument, kView, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 2, 10));
    t.Add(CommandEntry(ID_VIEW_ZOOM_OUT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&kleinern"))
              .Icon("zoom-out")
              .Checkable()
              .InMenu(kMenuDocument, kView, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 2, 20));
    t.Add(CommandEntry(ID_VIEW_PAN)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ausschnitt ver&schieben"))
              .Icon("pan")
              .Checkable()
              .InMenu(kMenuDocument, kView, 1, 30)
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 2, 30));
    t.Add(CommandEntry(ID_VIEW_FIT_ALL)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Alles anzeigen"))
              .Icon("fit-all")
              .InMenu(kMenuDocument, kView, 1, 40)
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 2, 40));

    // The online background maps of the active document.
    const struct {
        int id;
        const char* text;
    } tileServices[] = {{ID_TILES_GOOGLE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Google Maps")},
                        {ID_TILES_OSM, QT_TRANSLATE_NOOP("korvel::CMainFrame", "OpenStreetMap")},
                        {ID_TILES_VE_AERIAL, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Virtual Earth (Satellit)")},
                        {ID_TILES_VE_ROAD, QT_TRANSLATE_NOOP("korvel::CMainFrame", "Virtual Earth (Karten)")}};
    for (const auto& service : tileServices) {
        const int code = TileServiceOfCommand(service.id);
        t.Add(CommandEntry(service.id)
                  .Text(service.text)
                  .Checkable()
                  .InMenu(kMenuDocument, kTiles, 1, code * 10)
                  .EnabledWhen(hasWindow)
                  .CheckedWhen([this, code] {
                      CKorvelWnd* wnd = ActiveWnd();
                      return TileServiceChecked(wnd ? wnd->document() : nullptr, code);
                  })
                  .Handler([this, code] {
                      if (CKorvelWnd* wnd = ActiveWnd()) SwitchTileService(*wnd->document(), code);
                  }));
    }

    // Editing: the tools, labelling, texts, delete and undo. The editing tools answer for
    // their enabled state and check marks.
    CEditTools* edit = m_pEditTools.get();
    auto editEntry = [this, edit](int id) {
        return CommandEntry(id)
            .EnabledWhen([this, edit, id] { return edit->OnUpdateCommand(ActiveView(), id).enabled; })
            .CheckedWhen([this, edit, id] { return edit->OnUpdateCommand(ActiveView(), id).checked; })
            .Handler([this, edit, id] { edit->OnCommand(ActiveView(), id); });
    };
    t.Add(editEntry(ID_EDIT_UNDO)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Rückgängig\tStrg+Z"))
              .Shortcut("Ctrl+Z")
              .InMenu(kMenuDocument, kEdit, 1, 10));
    t.Add(editEntry(ID_EDIT_REDO)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Wiederherstellen\tStrg+Y"))
              .Shortcut("Ctrl+Y")
              .InMenu(kMenuDocument, kEdit, 1, 20));
    t.Add(editEntry(ID_EDIT_CLEAR)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Löschen\tEntf"))
              .Shortcut("Del")
              .InMenu(kMenuDocument, kEdit, 2, 10));
    t.Add(editEntry(ID_EDIT_SELECT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Objekt &auswählen"))
              .Icon("select")
              .Checkable()
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 1, 10));
    // No menu or bar shows the rotate tool; the command is there for keys and scripts.
    t.Add(editEntry(ID_EDIT_ROTATE_TEXT).Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Text &drehen")).Checkable());
    t.Add(editEntry(ID_EDIT_CREATE_POINT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Erzeugen"))
              .Icon("create-point")
              .Checkable()
              .InMenu(kMenuDocument, kEditPoints, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_ZOOM, 1, 20));
    t.Add(editEntry(ID_EDIT_LABEL_POINTS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Beschriften"))
              .InMenu(kMenuDocument, kEditPoints, 1, 20));
    t.Add(editEntry(ID_EDIT_LABEL_LINES)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Beschriften"))
              .InMenu(kMenuDocument, kEditLines, 1, 10));
    t.Add(editEntry(ID_EDIT_LABEL_AREAS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Beschriften"))
              .InMenu(kMenuDocument, kEditAreas, 1, 10));
    t.Add(editEntry(ID_EDIT_DELETE_TEXTS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Alle &löschen"))
              .InMenu(kMenuDocument, kEditTexts, 1, 10));
    t.Add(editEntry(ID_EDIT_LABEL_FONT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Schriftart"))
              .InMenu(kMenuDocument, kEditTexts, 1, 20));
    // Scanned maps and aerial photographs under the map.
    t.Add(CommandEntry(ID_IMG_LOAD)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Laden"))
              .InMenu(kMenuDocument, kEditImages, 1, 10)
              .EnabledWhen(hasWindow)
              .Handler([this] {
                  if (CKorvelWnd* wnd = ActiveWnd()) OnImgLoad(*this, *wnd, imageFileDialog);
              }));
    t.Add(editEntry(ID_EDIT_FIND_POINT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Punkt &suchen"))
              .Icon("find-point")
              .Checkable()
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 10));

    // Bars.
    const struct {
        int id;
        const char* text;
    } toolBars[] = {{ID_VIEW_TOOLBAR_FILE, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Datei")},
                    {ID_VIEW_TOOLBAR_ZOOM, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Zoom")},
                    {ID_VIEW_TOOLBAR_IMPEXP, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Import/Export")},
                    {ID_VIEW_TOOLBAR_SURVEY, QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Vermessung")}};
    int pos = 0;
    for (const auto& bar : toolBars) {
        const int id = bar.id;
        t.Add(CommandEntry(id)
                  .Text(bar.text)
                  .Checkable()
                  .InMenu(kMenuBoth, kBars, 1, pos += 10)
                  .CheckedWhen([this, id] { return toolBar(id) && !toolBar(id)->isHidden(); })
                  .Handler([this, id] {
                      if (QToolBar* b = toolBar(id)) b->setVisible(b->isHidden());
                  }));
    }
    t.Add(CommandEntry(ID_VIEW_RESTORE_BARS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Wiederherstellen"))
              .InMenu(kMenuBoth, kBars, 2, 10)
              .Handler([this] { RestoreDefaultBars(); }));
    t.Add(CommandEntry(ID_VIEW_STATUS_BAR)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "S&tatusleiste"))
              .Checkable()
              .InMenu(kMenuBoth, kView, 3, 20)
              .CheckedWhen([this] { return !statusBar()->isHidden(); })
              .Handler([this] { statusBar()->setVisible(statusBar()->isHidden()); }));
    t.Add(CommandEntry(ID_VIEW_SATBAR)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Satellitenansicht"))
              .Icon("satview")
              .Checkable()
              .InMenu(kMenuBoth, kView, 4, 10)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 2, 10)
              .CheckedWhen([this] { return m_pSatBar && !m_pSatBar->isHidden(); })
              .Handler([this] { ToggleBar(ID_VIEW_SATBAR); }));
    t.Add(CommandEntry(ID_VIEW_COMPASS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Kompass"))
              .Icon("compass")
              .Checkable()
              .InMenu(kMenuBoth, kView, 4, 20)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 2, 20)
              .CheckedWhen([this] { return m_pFindBar && !m_pFindBar->isHidden(); })
              .Handler([this] { ToggleBar(ID_VIEW_COMPASS); }));

    // Surveying in the active view. Measuring needs an open receiver; pausing and stopping a
    // running measurement do not.
    auto gpsReady = [this] { return ActiveView() && isGpsOpen && isGpsOpen(); };
    auto mode = [this] {
        const CMeasureController* m = ActiveMeasuring();
        return m ? m->measureMode() : CMeasureController::kModeNone;
    };
    t.Add(CommandEntry(ID_MEASURE_POINT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Punkt messen\tF5"))
              .Icon("measure-point")
              .Shortcut("F5")
              .InMenu(kMenuDocument, kMeasure, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 10)
              .EnabledWhen(gpsReady)
              .Handler([this] {
                  if (CKorvelView* view = ActiveView()) CMeasurePoint::MeasureWithGps(*view, this);
              }));
    t.Add(CommandEntry(ID_MEASURE_TRACK)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Linie/Fläche messen\tF6"))
              .Icon("measure-track")
              .Shortcut("F6")
              .Checkable()
              .InMenu(kMenuDocument, kMeasure, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 20)
              .EnabledWhen(gpsReady)
              .CheckedWhen([mode] { return mode() == CMeasureController::kModeTrack; })
              .Handler([this] {
                  if (CMeasureController* m = ActiveMeasuring()) m->StartTrack();
              }));
    // The menu names F7, so the key starts the position display as well.
    t.Add(CommandEntry(ID_SHOW_POSITION)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Position &zeigen\tF7"))
              .Icon("show-position")
              .Shortcut("F7")
              .Checkable()
              .InMenu(kMenuDocument, kMeasure, 1, 30)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 30)
              .EnabledWhen(gpsReady)
              .CheckedWhen([mode] { return mode() == CMeasureController::kModePosition; })
              .Handler([this] {
                  if (CMeasureController* m = ActiveMeasuring()) m->ShowPosition();
              }));
    t.Add(CommandEntry(ID_MEASURE_PAUSE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Pause\tF9"))
              .Icon("pause")
              .Shortcut("F9")
              .InMenu(kMenuDocument, kMeasure, 2, 10)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 40)
              .EnabledWhen([mode] { return mode() == CMeasureController::kModeTrack; })
              // The face follows the active view: another window may record or be paused.
              .Face([this, mode](QAction&) {
                  const CMeasureController* m = ActiveMeasuring();
                  const bool paused = m && m->paused();
                  const bool notLine = mode() != CMeasureController::kModeTrack;
                  if (paused != m_bPauseFacePaused || notLine != m_bPauseFaceGreyed)
                      SetPauseFace(paused, notLine);
              })
              .Handler([this] {
                  if (CMeasureController* m = ActiveMeasuring()) m->TogglePause();
              }));
    t.Add(CommandEntry(ID_MEASURE_STOP)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Messung b&eenden\tF11"))
              .Icon("stop")
              .Shortcut("F11")
              .InMenu(kMenuDocument, kMeasure, 2, 20)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 3, 50)
              .EnabledWhen([mode] { return mode() != CMeasureController::kModeNone; })
              .Handler([this] {
                  if (CMeasureController* m = ActiveMeasuring()) m->StopMeasuring();
              }));

    // The receiver and the coordinate system.
    t.Add(CommandEntry(ID_GPS_SETTINGS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GPS-Einstellungen"))
              .Icon("gps-settings")
              .InMenu(kMenuBoth, kExtras, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 1, 20)
              .EnabledWhen([this] { return bool(showGpsSettings); })
              .Handler([this] { showGpsSettings(); }));
    t.Add(CommandEntry(ID_GPS_ACTIVE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "GPS &aktiv"))
              .Icon("gps-active")
              .Checkable()
              .InMenu(kMenuBoth, kExtras, 1, 20)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 1, 10)
              .EnabledWhen([this] { return bool(startGps) && bool(isGpsOpen); })
              .CheckedWhen([this] { return isGpsOpen && isGpsOpen(); })
              .Handler([this] {
                  if (isGpsOpen()) {
                      if (stopGps) stopGps();
                  } else {
                      startGps(true);
                  }
              }));
    t.Add(CommandEntry(ID_COORDSYS)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Koordinatensystem"))
              .Icon("coordsys")
              .InMenu(kMenuBoth, kExtras, 2, 10)
              .OnBar(ID_VIEW_TOOLBAR_SURVEY, 1, 30)
              .EnabledWhen([this] { return bool(chooseCoordSys); })
              .Handler([this] { chooseCoordSys(); }));

    // Windows and help.
    auto hasWindows = [this] { return !m_pMdiArea->subWindowList().isEmpty(); };
    t.Add(CommandEntry(ID_WINDOW_CASCADE)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Ü&berlappend"))
              .InMenu(kMenuDocument, kWindow, 1, 10)
              .EnabledWhen(hasWindows)
              .Handler([this] { m_pMdiArea->cascadeSubWindows(); }));
    t.Add(CommandEntry(ID_WINDOW_TILE_HORZ)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Nebeneinander"))
              .InMenu(kMenuDocument, kWindow, 1, 20)
              .EnabledWhen(hasWindows)
              .Handler([this] { m_pMdiArea->tileSubWindows(); }));
    t.Add(CommandEntry(ID_APP_ABOUT)
              .Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "Inf&o über Korvel..."))
              .Icon("about")
              .Role(QAction::AboutRole)
              .InMenu(kMenuBoth, kHelp, 1, 10)
              .OnBar(ID_VIEW_TOOLBAR_FILE, 3, 10)
              .EnabledWhen(hasApp)
              .Handler([app] { app->OnAppAbout(); }));
}

}  // namespace korvel
