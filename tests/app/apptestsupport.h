#pragma once
// Helpers of the desktop program's tests: a settings store and data folders of their own in
// a temporary folder, and the language modules built for the tests.

#include "app/appsettings.h"
#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/tilecommands.h"
#include "model/korveldoc.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace korvel::test {

// Redirects the settings store (and the standard data folders) for the lifetime of the
// object, so that no test reads or writes a user's settings. The tile servers are a local port
// where nothing listens and the tile cache lies in the temporary folder: documents in web
// mercator show tiles, and no test may reach the internet or fill a user's cache.
class IsolatedSettings {
public:
    IsolatedSettings()
    {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(m_dir.path());
        QSettings s = Open();
        for (int service = 1; service <= 4; ++service)
            s.setValue(QStringLiteral("Tiles/Service%1").arg(service), QStringLiteral("http://127.0.0.1:1"));
        SetProgramTileCacheRoot(m_dir.filePath(QStringLiteral("tiles")));
    }
    ~IsolatedSettings() { SetProgramTileCacheRoot(QString()); }
    QString folder() const { return m_dir.path(); }
    // A fresh handle on the store.
    static QSettings Open() { return QSettings(kCompanyKey, kApplicationKey); }

private:
    QTemporaryDir m_dir;
};

// Prepares the settings folder of a korvel process a test starts (its --settings): the tile
// servers are a local port where nothing listens.
inline void WriteProgramSettings(const QString& folder)
{
    QSettings s(folder + QStringLiteral("/Veldmark/Korvel.conf"), QSettings::IniFormat);
    for (int service = 1; service <= 4; ++service)
        s.setValue(QStringLiteral("Tiles/Service%1").arg(service), QStringLiteral("http://127.0.0.1:1"));
}

// The folder of the English module built with the program.
inline QString ProgramDir() { return QStringLiteral(KORVEL_PROGRAM_DIR); }
// The folder of the test modules (Dutch naming this program, French naming another one).
inline QString TestModuleDir() { return QStringLiteral(KORVEL_TEST_QM_DIR); }

// A folder holding copies of the named module files ("korvel_en.qm", …).
class ModuleFolder {
public:
    explicit ModuleFolder(const QStringList& files)
    {
        for (const QString& f : files) {
            const QString from = QFile::exists(ProgramDir() + QLatin1Char('/') + f)
                                     ? ProgramDir() + QLatin1Char('/') + f
                                     : TestModuleDir() + QLatin1Char('/') + f;
            QFile::copy(from, m_dir.filePath(f));
        }
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// A test of the running program: started with a settings store of its own and the receiver
// switched off, with its first (empty) document window active. Tear-down throws away what
// the test changed, so closing asks nothing.
class RunningProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        IsolatedSettings::Open().setValue(key::GpsAktiv, 0);
        StartupOptions options;
        options.languageFoldersSet = true;
        m_app = std::make_unique<CKorvelApp>();
        ASSERT_TRUE(m_app->InitInstance(options));
        QApplication::processEvents();
        frame = m_app->mainFrame();
        wnd = m_app->ActiveWnd();
        ASSERT_NE(wnd, nullptr);
        doc = wnd->document();
    }
    void TearDown() override
    {
        for (CKorvelWnd* w : m_app->DocumentWindows()) w->document()->SetModifiedFlag(false);
        m_app.reset();
    }

    IsolatedSettings m_settings;
    std::unique_ptr<CKorvelApp> m_app;
    CMainFrame* frame = nullptr;
    CKorvelWnd* wnd = nullptr;
    CKorvelDoc* doc = nullptr;
};

}  // namespace korvel::test
