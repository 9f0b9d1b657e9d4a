#pragma once
// The application object: language modules, settings store, the document template (map
// documents in MDI windows), the recent-file list and the start-up sequence of the program.

#include "app/languagemodules.h"
#include "app/recentfilelist.h"
#include "crs/worldpoint.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace korvel {

class CMainFrame;
class CKorvelWnd;

// What the command line asks for.
struct StartupOptions {
    QStringList files;         // documents to open (the first one, like a shell open)
    int showState = 0;         // 0: normal start; kShowMinimized / kShowMaximized: requested
    QString screenshotPath;    // --screenshot: render the main window into this PNG and quit
    QString renderPath;        // --render: render only the map of the document into this PNG and quit
    bool renderWindowSet = false;
    WorldRect renderWindow;    // --window MINX,MINY,MAXX,MAXY (document units) for --render
    bool offline = false;      // --offline: --render draws tiles from the cache only
    QSize screenshotSize;      // --size WxH for the screenshot (invalid: the restored size)
    bool demo = false;         // --demo: demo document, demo receiver, separate settings
    bool timing = false;       // --timing: print the start-up time to standard error
    QString makeDemoPath;      // --make-demo FILE: write the demo document and quit
    QString settingsFolder;    // --settings DIR: keep the settings store in DIR
    bool languageFoldersSet = false;
    QStringList languageFolders;  // where language modules are looked for
};

// Parses the program's arguments (without the program name). False with a German message in
// `error` on a bad argument.
bool ParseCommandLine(const QStringList& args, StartupOptions* options, QString* error);

// `korvel --render OUT.png --size WxH [--window ...] [--offline] DOC.kvd`: draws the document's
// map as a map view of that client size draws it and writes it as PNG. Background tiles come
// from the tile cache; what it lacks is downloaded first (at most 30 s are waited), unless
// --offline. Answers the exit status: 0 when written, 2 when the document cannot be read (the
// message has been shown), 1 when the picture cannot be written.
int RenderDocument(const StartupOptions& options);

class CKorvelApp : public QObject {
    Q_OBJECT
public:
    explicit CKorvelApp(QObject* parent = nullptr);
    ~CKorvelApp() override;

    // The one application object, or null.
    static CKorvelApp* instance();

    // Start-up in the order the program has always used (see the .cpp). False when the main
    // window could not be created or the command line could not be carried out.
    bool InitInstance(const StartupOptions& options);

    CMainFrame* mainFrame() const { return m_pMainFrame.get(); }

    // Languages.
    CLanguageModules& languages() { return m_modules; }
    int languageId() const { return m_nLanguage; }
    // Activates the first module of this language; false (German stays) when none has it.
    bool SetLanguage(int languageId);
    // Menu command 40001 + i: the language of module i.
    void SelectLanguage(int commandId);
    // Rebuilds the menus for the active language and resets title and status line.
    void RebuildMenus();

    // The folder of the program file, with a trailing separator.
    const QString& programDir() const { return m_strProgramDir; }

    // Temporary copies of raster maps: <local data>/Korvel/tmpmaps.
    static QString TempMapFolder();
    // Deletes every file in `folder` whose name does not start with "."; files that cannot
    // be deleted are left alone.
    static void EmptyTempMapFolder(const QString& folder);

    CRecentFileList& recentFiles() { return m_recentFiles; }

    // The about box (dialog 101).
    void OnAppAbout();

    // Documents. New creates an empty document in the default coordinate system; Open asks
    // for a file. OpenDocumentFile opens `path` in a new window (or activates the window
    // that shows it); false when it could not be read (the user has been told why).
    CKorvelWnd* OnFileNew();
    void OnFileOpen();
    bool OpenDocumentFile(const QString& path);
    // Opens entry `index` of the recent-file list; an entry that cannot be opened any more
    // leaves the list.
    void OpenRecentFile(int index);
    // The active document window, or null. While the program is in the background it is the
    // window that was active last, so that the title, the menu and the timers keep their
    // document.
    CKorvelWnd* ActiveWnd() const;
    QList<CKorvelWnd*> DocumentWindows() const;

    // Closes every document window. Asks about every changed document first and closes
    // none when one answer is "Abbrechen" (or its save fails). False when nothing was closed.
    bool CanCloseAll();

private:
    CLanguageModules m_modules;
    int m_nLanguage;
    QString m_strProgramDir;
    CRecentFileList m_recentFiles;
    CKorvelWnd* AddWindow(CKorvelWnd* wnd);
    bool PrepareDemo(StartupOptions* options);

    std::unique_ptr<CMainFrame> m_pMainFrame;
    int m_nUntitledCount = 0;
};

}  // namespace korvel
