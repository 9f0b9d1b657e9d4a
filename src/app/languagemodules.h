#pragma once
// The language modules of the program: the built-in German texts (entry 0) and every Qt
// translation file "korvel_xx.qm" found beside the program or in the installed data folder
// that names this program. One of them is active at a time.

#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTranslator;

namespace korvel {

// The built-in language: German (Germany).
inline constexpr int kGermanLanguageId = 1031;

// Windows-style language id (LCID: sublanguage << 10 | primary language) of a locale.
// Unknown languages give 0.
int LanguageIdFromLocale(const QLocale& locale);

// The locale of a language id; QLocale::c() for an id the table does not know.
QLocale LocaleFromLanguageId(int languageId);

struct LanguageModule {
    QString path;        // the translation file; empty for the built-in German
    int languageId = kGermanLanguageId;
    QString name;        // the language's own name (string 102 of the module)
    std::shared_ptr<QTranslator> translator;  // null for the built-in module
};

class CLanguageModules {
public:
    CLanguageModules();
    ~CLanguageModules();
    CLanguageModules(const CLanguageModules&) = delete;
    CLanguageModules& operator=(const CLanguageModules&) = delete;

    // Appends every acceptable "korvel_??.qm" of the folders, in folder order and by name
    // within a folder. A file name met a second time (the same module installed twice) is
    // skipped. Returns the number of modules added.
    int Scan(const QStringList& folders);

    // Loads one translation file and checks that it is a module of this program: it must
    // translate the program's name (string 1051) to "Korvel" (any case) and state its
    // language. Returns null when it is not acceptable.
    static std::unique_ptr<LanguageModule> Load(const QString& path);

    int count() const { return static_cast<int>(m_modules.size()); }
    const LanguageModule& at(int index) const { return *m_modules.at(static_cast<size_t>(index)); }

    // Index of the first module with this language id, or -1.
    int IndexOfLanguage(int languageId) const;

    // Makes module `index` the source of all translated texts (removing the previous one).
    bool Activate(int index);
    int activeIndex() const { return m_active; }

    // The folders searched by default: the program's own folder, then the installed
    // translations folder.
    static QStringList DefaultFolders();

private:
    std::vector<std::unique_ptr<LanguageModule>> m_modules;
    // German texts of Qt's own buttons and dialogs, active with the built-in German.
    std::unique_ptr<QTranslator> m_pQtGerman;
    int m_active = 0;
};

}  // namespace korvel
