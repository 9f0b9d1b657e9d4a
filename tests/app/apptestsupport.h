#pragma once
// Helpers of the desktop program's tests: a settings store and data folders of their own in
// a temporary folder, and the language modules built for the tests.

#include "app/appsettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace korvel::test {

// Redirects the settings store (and the standard data folders) for the lifetime of the
// object, so that no test reads or writes a user's settings.
class IsolatedSettings {
public:
    IsolatedSettings()
    {
        QStandardPaths::setTestModeEnabled(true);
        UseSettingsFolder(m_dir.path());
    }
    QString folder() const { return m_dir.path(); }
    // A fresh handle on the store.
    static QSettings Open() { return QSettings(kCompanyKey, kApplicationKey); }

private:
    QTemporaryDir m_dir;
};

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

}  // namespace korvel::test
