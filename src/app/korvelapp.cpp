#include "app/korvelapp.h"

#include "app/aboutdlg.h"
#include "app/appsettings.h"
#include "app/commandids.h"
#include "app/demodocument.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "app/tilecommands.h"
#include "imagery/tilefetch.h"
#include "imagery/tempmapfolder.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
#include "view/maprender.h"
#include "strings/stringtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <cstdio>
#include <memory>

namespace korvel {
namespace {

CKorvelApp* g_app = nullptr;

bool ParseSize(const QString& text, QSize* size)
{
    const QStringList parts = text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2) return false;
    bool okW = false;
    bool okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 100 || h < 100 || w > 10000 || h > 10000) return false;
    *size = QSize(w, h);
    return true;
}

// Four numbers separated by commas, in the C locale whatever the user's.
bool ParseWindow(const QString& text, WorldRect* r)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = QLocale::c().toDouble(parts[i].trimmed(), &ok);
        if (!ok || !std::isfinite(v[i])) return false;
    }
    if (!(v[0] < v[2]) || !(v[1] < v[3])) return false;
    *r = WorldRect{v[0], v[1], v[2], v[3]};
    return true;
}

}  // namespace

bool ParseCommandLine(const QStringList& args, StartupOptions* options, QString* error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto next = [&](QString* value) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("Die Option %1 braucht einen Wert.").arg(a);
                return false;
            }
            *value = args.at(++i);
            return true;
        };
        QString value;
        if (a == QLatin1String("--screenshot")) {
            if (!next(&options->screenshotPath)) return false;
        } else if (a == QLatin1String("--render")) {
            if (!next(&options->renderPath)) return false;
        } else if (a == QLatin1String("--window")) {
            if (!next(&value)) return false;
            if (!ParseWindow(value, &options->renderWindow)) {
                *error = QStringLiteral("Ungültiger Ausschnitt \"%1\" (erwartet MINX,MINY,MAXX,MAXY).").arg(value);
                return false;
            }
            options->renderWindowSet = true;
        } else if (a == QLatin1String("--size")) {
            if (!next(&value)) return false;
            if (!ParseSize(value, &options->screenshotSize)) {
                *error = QStringLiteral("Ungültige Größe \"%1\" (erwartet BREITExHÖHE, z. B. 1280x800).").arg(value);
                return false;
            }
        } else if (a == QLatin1String("--settings")) {
            if (!next(&options->settingsFolder)) return false;
        } else if (a == QLatin1String("--languages")) {
            if (!next(&value)) return false;
            options->languageFoldersSet = true;
            options->languageFolders << value;
        } else if (a == QLatin1String("--make-demo")) {
            if (!next(&options->makeDemoPath)) return false;
        } else if (a == QLatin1String("--offline")) {
            options->offline = true;
        } else if (a == QLatin1String("--demo")) {
            options->demo = true;
        } else if (a == QLatin1String("--timing")) {
            options->timing = true;
        } else if (a == QLatin1String("--maximized")) {
            options->showState = kShowMaximized;
        } else if (a == QLatin1String("--minimized")) {
            options->showState = kShowMinimized;
        } else if (a.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("Unbekannte Option \"%1\".").arg(a);
            return false;
        } else {
            options->files << a;
        }
    }
    if (!options->renderPath.isEmpty() && (!options->screenshotSize.isValid() || options->files.size() != 1)) {
        *error = QStringLiteral("--render braucht --size BREITExHÖHE und genau ein Dokument.");
        return false;
    }
    if (options->renderWindowSet && options->renderPath.isEmpty()) {
        *error = QStringLiteral("--window gilt nur mit --render.");
        return false;
    }
    if (options->offline && options->renderPath.isEmpty()) {
        *error = QStringLiteral("--offline gilt nur mit --render.");
        return false;
    }
    return true;
}

int RenderDocument(const StartupOptions& options)
{
    const QString path = QFileInfo(options.files.value(0)).absoluteFilePath();
    CKorvelDoc doc;
    const KvdStatus status = doc.Open(path);
    if (status != KvdStatus::Ok) {
        ShowMessage(static_cast<int>(status), IDS_CAPTION_ERROR, MB_ICONERROR, QDir::toNativeSeparators(path));
        return 2;
    }
    // The tile servers come from the settings store (the one of --settings, if given).
    if (!options.settingsFolder.isEmpty()) UseSettingsFolder(options.settingsFolder);
    std::unique_ptr<CTileFetcher> fetcher;
    if (!options.offline) fetcher = std::make_unique<CTileFetcher>(ReadConfiguredTileServers(), ProgramTileCacheRoot());
    MapRenderTiles tiles;
    tiles.cacheRoot = ProgramTileCacheRoot();
    tiles.fetcher = fetcher.get();
    const QImage image =
        RenderMap(doc, options.screenshotSize, options.renderWindowSet ? &options.renderWindow : nullptr, &tiles);
    if (tiles.timedOut)
        std::fprintf(stderr, "korvel: Nicht alle Kacheln kamen rechtzeitig an; für die übrigen zeigt das Bild, "
                             "was im Cache lag.\n");
    if (image.isNull() || !image.save(options.renderPath, "PNG")) {
        std::fprintf(stderr, "korvel: %s konnte nicht geschrieben werden.\n", qPrintable(options.renderPath));
        return 1;
    }
    return 0;
}

CKorvelApp::CKorvelApp(QObject* parent)
    : QObject(parent), m_nLanguage(LanguageIdFromLocale(QLocale::system()))
{
    g_app = this;
    if (QCoreApplication::instance()) {
        m_strProgramDir = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    }
}

CKorvelApp::~CKorvelApp()
{
    m_pMainFrame.reset();
    {
        QSettings s(kCompanyKey, kApplicationKey);
        m_recentFiles.Save(s);
    }
    if (g_app == this) g_app = nullptr;
}

CKorvelApp* CKorvelApp::instance() { return g_app; }

bool CKorvelApp::PrepareDemo(StartupOptions* options)
{
    // The demo keeps its own settings, so that trying it never changes the user's receiver,
    // language or window layout.
    if (options->settingsFolder.isEmpty()) {
        options->settingsFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Veldmark/KorvelDemo");
    }
    UseSettingsFolder(options->settingsFolder);
    const QString folder = FindDemoFolder();
    if (folder.isEmpty()) {
        std::fprintf(stderr, "korvel: Die Demo-Dateien (demo.kvd, walk.nmea) wurden nicht gefunden.\n");
        return false;
    }
    QSettings s(kCompanyKey, kApplicationKey);
    s.setValue(QStringLiteral("GPS/Port"), QStringLiteral("nmea-file://") + folder + QStringLiteral("/walk.nmea"));
    s.remove(key::GpsAktiv);
    if (options->files.isEmpty()) {
        // A fresh copy each time: the demo map may be changed and saved without harm.
        QDir().mkpath(options->settingsFolder);
        const QString copy = options->settingsFolder + QStringLiteral("/demo.kvd");
        QFile::remove(copy);
        if (!QFile::copy(folder + QStringLiteral("/demo.kvd"), copy)) return false;
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        options->files << copy;
    }
    return true;
}

bool CKorvelApp::InitInstance(const StartupOptions& startOptions)
{
    StartupOptions options = startOptions;
    // 1. Language modules beside the program and in the installed data folder.
    m_modules.Scan(options.languageFoldersSet ? options.languageFolders : CLanguageModules::DefaultFolders());

    // 2. The settings store and the recent files.
    if (options.demo) {
        if (!PrepareDemo(&options)) return false;
    } else if (!options.settingsFolder.isEmpty()) {
        UseSettingsFolder(options.settingsFolder);
    }
    {
        QSettings s(kCompanyKey, kApplicationKey);
        m_recentFiles.Load(s);
        // 3. The language of the last run (default: the user's locale). Without a module for
        // it the German texts stay.
        m_nLanguage = ReadInt(s, key::Language, m_nLanguage);
    }
    SetLanguage(m_nLanguage);

    // 4. The program's folder.
    m_strProgramDir = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');

    // 5. The main window and its menus.
    m_pMainFrame = std::make_unique<CMainFrame>(this);
    if (!m_pMainFrame->Create()) {
        m_pMainFrame.reset();
        return false;
    }
    RebuildMenus();

    // 6. Raster copies left over from the last run.
    EmptyTempMapFolder(TempMapFolder());

    // 8. The document named on the command line, or a new one.
    if (!options.files.isEmpty()) {
        if (!OpenDocumentFile(options.files.first())) return false;
    } else if (!OnFileNew()) {
        return false;
    }

    // 9. The document window fills the frame.
    if (CKorvelWnd* wnd = ActiveWnd()) wnd->showMaximized();

    // 10. Placement of the main window; a show state asked for on the command line wins
    // over the stored one.
    m_pMainFrame->RestorePlacement(options.showState);
    m_pMainFrame->show();

    // 11. The active view shows all its objects in the final window size.
    QCoreApplication::sendPostedEvents();
    if (CKorvelWnd* wnd = ActiveWnd()) wnd->view()->OnCommand(ID_VIEW_FIT_ALL);

    // 12. The receiver, unless it was switched off in the last run.
    if (m_pMainFrame->startGps) m_pMainFrame->startGps(false);
    m_pMainFrame->UpdateCommandUI();

    // 13. The demo shows the position moving along its recorded walk at once (F6 records it,
    // F11 stores it).
    if (options.demo && m_pMainFrame->isGpsOpen && m_pMainFrame->isGpsOpen())
        m_pMainFrame->RunCommand(ID_SHOW_POSITION);
    return true;
}

bool CKorvelApp::SetLanguage(int languageId)
{
    const int index = m_modules.IndexOfLanguage(languageId);
    if (index < 0) {
        RebuildMenus();
        return false;
    }
    m_modules.Activate(index);
    m_nLanguage = languageId;
    {
        QSettings s(kCompanyKey, kApplicationKey);
        s.setValue(key::Language, languageId);
    }
    const QLocale locale = LocaleFromLanguageId(languageId);
    if (locale != QLocale::c()) QLocale::setDefault(locale);
    RebuildMenus();
    return true;
}

void CKorvelApp::SelectLanguage(int commandId)
{
    const int index = commandId - ID_LANGUAGE_FIRST;
    if (index < 0 || index >= m_modules.count()) return;
    SetLanguage(m_modules.at(index).languageId);
}

void CKorvelApp::RebuildMenus()
{
    if (!m_pMainFrame) return;
    QStringList names;
    for (int i = 0; i < m_modules.count(); ++i) names << m_modules.at(i).name;
    m_pMainFrame->RebuildMenus(names, m_modules.activeIndex());
}

QString CKorvelApp::TempMapFolder() { return korvel::TempMapFolder(); }

void CKorvelApp::EmptyTempMapFolder(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists()) return;
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files) {
        if (name.startsWith(QLatin1Char('.'))) continue;
        dir.remove(name);  // a file that cannot be removed stays; the next start tries again
    }
}

void CKorvelApp::OnAppAbout()
{
    CAboutDlg dlg(m_pMainFrame.get());
    dlg.exec();
}

CKorvelWnd* CKorvelApp::AddWindow(CKorvelWnd* wnd)
{
    QMdiArea* area = m_pMainFrame->mdiArea();
    const bool maximized = area->currentSubWindow() && area->currentSubWindow()->isMaximized();
    area->addSubWindow(wnd);
    CMainFrame* frame = m_pMainFrame.get();
    frame->AttachDocumentWindow(wnd);
    connect(wnd, &CKorvelWnd::documentSaved, frame, [this, frame](const QString& path) {
        m_recentFiles.Add(path);
        frame->UpdateCommandUI();
    });
    connect(wnd, &QMdiSubWindow::windowStateChanged, frame, [frame] { frame->UpdateCommandUI(); });
    if (maximized) wnd->showMaximized();
    else wnd->show();
    area->setActiveSubWindow(wnd);
    m_pMainFrame->UpdateCommandUI();
    return wnd;
}

CKorvelWnd* CKorvelApp::OnFileNew()
{
    if (!m_pMainFrame) return nullptr;
    auto doc = std::make_unique<CKorvelDoc>();
    if (!doc->OnNewDocument(m_pMainFrame->m_nCoordSys)) return nullptr;
    // New documents are called after the program ("Korvel1", "Korvel2", …) until saved.
    const QString title = DocTemplateString(2) + QString::number(++m_nUntitledCount);
    return AddWindow(new CKorvelWnd(std::move(doc), title, m_pMainFrame.get()));
}

void CKorvelApp::OnFileOpen()
{
    if (!m_pMainFrame) return;
    QString folder;
    if (CKorvelWnd* wnd = ActiveWnd(); wnd && !wnd->document()->GetPathName().isEmpty()) {
        folder = QFileInfo(wnd->document()->GetPathName()).absolutePath();
    } else if (!m_recentFiles.entries().isEmpty()) {
        folder = QFileInfo(m_recentFiles.entries().first()).absolutePath();
    }
    const QString filter = DocTemplateString(3) + QStringLiteral(";;") + LoadString(1061);
    const QString path = QFileDialog::getOpenFileName(m_pMainFrame.get(), QString(), folder, filter);
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CKorvelApp::OpenDocumentFile(const QString& path)
{
    if (!m_pMainFrame) return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (CKorvelWnd* wnd : DocumentWindows()) {
        if (QFileInfo(wnd->document()->GetPathName()).absoluteFilePath() == absolute &&
            !wnd->document()->GetPathName().isEmpty()) {
            m_pMainFrame->mdiArea()->setActiveSubWindow(wnd);
            return true;
        }
    }
    auto doc = std::make_unique<CKorvelDoc>();
    const KvdStatus status = doc->Open(absolute);
    if (status != KvdStatus::Ok) {
        ShowMessage(static_cast<int>(status), IDS_CAPTION_ERROR, MB_ICONERROR, QDir::toNativeSeparators(absolute));
        return false;
    }
    m_recentFiles.Add(absolute);
    AddWindow(new CKorvelWnd(std::move(doc), QString(), m_pMainFrame.get()));
    return true;
}

CKorvelWnd* CKorvelApp::ActiveWnd() const
{
    if (!m_pMainFrame) return nullptr;
    return qobject_cast<CKorvelWnd*>(m_pMainFrame->mdiArea()->currentSubWindow());
}

QList<CKorvelWnd*> CKorvelApp::DocumentWindows() const
{
    QList<CKorvelWnd*> list;
    if (!m_pMainFrame) return list;
    for (QMdiSubWindow* w : m_pMainFrame->mdiArea()->subWindowList()) {
        if (auto* wnd = qobject_cast<CKorvelWnd*>(w)) list << wnd;
    }
    return list;
}

bool CKorvelApp::CanCloseAll()
{
    if (!m_pMainFrame) return true;
    QMdiArea* area = m_pMainFrame->mdiArea();
    // Every window asks about its own document first; only when none was cancelled do they
    // close, so that "Nein" for one document and "Abbrechen" for the next loses nothing.
    QList<QPointer<CKorvelWnd>> windows;
    for (QMdiSubWindow* w : area->subWindowList(QMdiArea::ActivationHistoryOrder)) {
        if (auto* wnd = qobject_cast<CKorvelWnd*>(w)) windows << wnd;
    }
    for (const QPointer<CKorvelWnd>& wnd : std::as_const(windows)) {
        if (wnd && !wnd->MaybeSave()) return false;
    }
    for (const QPointer<CKorvelWnd>& wnd : std::as_const(windows)) {
        if (wnd && !wnd->CloseAnswered()) return false;
    }
    // Windows of another kind (none today) close the usual way.
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (!qobject_cast<CKorvelWnd*>(w) && !w->close()) return false;
    }
    return true;
}

void CKorvelApp::OpenRecentFile(int index)
{
    if (index < 0 || index >= m_recentFiles.entries().size()) return;
    const QString path = m_recentFiles.entries().at(index);
    if (!OpenDocumentFile(path)) m_recentFiles.Remove(path);
}

}  // namespace korvel
