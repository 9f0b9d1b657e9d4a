#include "app/korvelapp.h"

#include "app/aboutdlg.h"
#include "app/appsettings.h"
#include "app/commandids.h"
#include "app/mainframe.h"
#include "strings/stringtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>

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
    return true;
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

bool CKorvelApp::InitInstance(const StartupOptions& options)
{
    // 1. Language modules beside the program and in the installed data folder.
    m_modules.Scan(options.languageFoldersSet ? options.languageFolders : CLanguageModules::DefaultFolders());

    // 2. The settings store and the recent files.
    if (!options.settingsFolder.isEmpty()) UseSettingsFolder(options.settingsFolder);
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

    // 9./10. Placement of the main window; a show state asked for on the command line wins
    // over the stored one.
    m_pMainFrame->RestorePlacement(options.showState);
    m_pMainFrame->show();
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

QString CKorvelApp::TempMapFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Korvel/tmpmaps");
}

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

bool CKorvelApp::CanCloseAll()
{
    if (!m_pMainFrame) return true;
    QMdiArea* area = m_pMainFrame->mdiArea();
    // Each window asks about its own document; one "Abbrechen" stops the whole close.
    for (QMdiSubWindow* w : area->subWindowList(QMdiArea::ActivationHistoryOrder)) {
        if (!w->close()) return false;
    }
    return true;
}

bool CKorvelApp::OnCommand(int id)
{
    if (id == ID_APP_ABOUT) {
        OnAppAbout();
        return true;
    }
    if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST) {
        SelectLanguage(id);
        return true;
    }
    return false;
}

bool CKorvelApp::IsCommandEnabled(int id) const
{
    if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST) return id - ID_LANGUAGE_FIRST < m_modules.count();
    return id == ID_APP_ABOUT;
}

}  // namespace korvel
