#include "app/languagemodules.h"

#include "app/commandids.h"
#include "strings/stringtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <array>

namespace korvel {
namespace {

struct LanguageEntry {
    QLocale::Language language;
    QLocale::Territory territory;  // AnyTerritory: the language's default sublanguage
    int languageId;
};

// Language ids of the languages a translation of this program is likely to have. The first
// entry of a language is its default.
constexpr std::array<LanguageEntry, 40> kLanguages = {{
    {QLocale::German, QLocale::Germany, 0x0407},
    {QLocale::German, QLocale::Switzerland, 0x0807},
    {QLocale::German, QLocale::Austria, 0x0C07},
    {QLocale::German, QLocale::Luxembourg, 0x1007},
    {QLocale::German, QLocale::Liechtenstein, 0x1407},
    {QLocale::English, QLocale::UnitedStates, 0x0409},
    {QLocale::English, QLocale::UnitedKingdom, 0x0809},
    {QLocale::English, QLocale::Australia, 0x0C09},
    {QLocale::English, QLocale::Canada, 0x1009},
    {QLocale::English, QLocale::Ireland, 0x1809},
    {QLocale::French, QLocale::France, 0x040C},
    {QLocale::French, QLocale::Belgium, 0x080C},
    {QLocale::French, QLocale::Canada, 0x0C0C},
    {QLocale::French, QLocale::Switzerland, 0x100C},
    {QLocale::Italian, QLocale::Italy, 0x0410},
    {QLocale::Italian, QLocale::Switzerland, 0x0810},
    {QLocale::Spanish, QLocale::Spain, 0x0C0A},
    {QLocale::Spanish, QLocale::Mexico, 0x080A},
    {QLocale::Dutch, QLocale::Netherlands, 0x0413},
    {QLocale::Dutch, QLocale::Belgium, 0x0813},
    {QLocale::Portuguese, QLocale::Brazil, 0x0416},
    {QLocale::Portuguese, QLocale::Portugal, 0x0816},
    {QLocale::Polish, QLocale::Poland, 0x0415},
    {QLocale::Czech, QLocale::CzechRepublic, 0x0405},
    {QLocale::Slovak, QLocale::Slovakia, 0x041B},
    {QLocale::Slovenian, QLocale::Slovenia, 0x0424},
    {QLocale::Croatian, QLocale::Croatia, 0x041A},
    {QLocale::Hungarian, QLocale::Hungary, 0x040E},
    {QLocale::Danish, QLocale::Denmark, 0x0406},
    {QLocale::Swedish, QLocale::Sweden, 0x041D},
    {QLocale::NorwegianBokmal, QLocale::Norway, 0x0414},
    {QLocale::Finnish, QLocale::Finland, 0x040B},
    {QLocale::Russian, QLocale::Russia, 0x0419},
    {QLocale::Ukrainian, QLocale::Ukraine, 0x0422},
    {QLocale::Turkish, QLocale::Turkey, 0x041F},
    {QLocale::Greek, QLocale::Greece, 0x0408},
    {QLocale::Romanian, QLocale::Romania, 0x0418},
    {QLocale::Japanese, QLocale::Japan, 0x0411},
    {QLocale::Chinese, QLocale::China, 0x0804},
    {QLocale::Chinese, QLocale::Taiwan, 0x0404},
}};

}  // namespace

int LanguageIdFromLocale(const QLocale& locale)
{
    int fallback = 0;
    for (const LanguageEntry& e : kLanguages) {
        if (e.language != locale.language()) continue;
        if (e.territory == locale.territory()) return e.languageId;
        if (fallback == 0) fallback = e.languageId;
    }
    return fallback;
}

QLocale LocaleFromLanguageId(int languageId)
{
    for (const LanguageEntry& e : kLanguages) {
        if (e.languageId == languageId) return QLocale(e.language, e.territory);
    }
    return QLocale::c();
}

CLanguageModules::CLanguageModules()
{
    auto german = std::make_unique<LanguageModule>();
    german->name = LoadString(IDS_LANGUAGE_NAME);  // no translator is active yet: "Deutsch"
    m_modules.push_back(std::move(german));
    m_pQtGerman = std::make_unique<QTranslator>();
    if (m_pQtGerman->load(QStringLiteral(":/i18n/korvel_qt_de.qm")) && QCoreApplication::instance()) {
        QCoreApplication::installTranslator(m_pQtGerman.get());
    }
}

CLanguageModules::~CLanguageModules()
{
    Activate(0);
    if (QCoreApplication::instance()) QCoreApplication::removeTranslator(m_pQtGerman.get());
}

std::unique_ptr<LanguageModule> CLanguageModules::Load(const QString& path)
{
    auto translator = std::make_shared<QTranslator>();
    if (!translator->load(path)) return nullptr;
    // The module must name this program, so that translations of other programs that happen
    // to lie in the same folder are never taken.
    const QString programName = translator->translate("StringTable", "Korvel");
    if (programName.compare(QStringLiteral("Korvel"), Qt::CaseInsensitive) != 0) return nullptr;
    const int languageId = LanguageIdFromLocale(QLocale(translator->language()));
    if (languageId == 0) return nullptr;

    auto module = std::make_unique<LanguageModule>();
    module->path = path;
    module->languageId = languageId;
    module->name = translator->translate("StringTable", "Deutsch");
    if (module->name.isEmpty()) module->name = QLocale(translator->language()).nativeLanguageName();
    module->translator = std::move(translator);
    return module;
}

int CLanguageModules::Scan(const QStringList& folders)
{
    QStringList seen;
    for (const auto& m : m_modules) {
        if (!m->path.isEmpty()) seen << QFileInfo(m->path).fileName();
    }
    int added = 0;
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QDir dir(folder);
        const QStringList files =
            dir.entryList({QStringLiteral("korvel_??.qm")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& file : files) {
            if (seen.contains(file)) continue;
            std::unique_ptr<LanguageModule> module = Load(dir.filePath(file));
            if (!module) continue;
            seen << file;
            m_modules.push_back(std::move(module));
            ++added;
        }
    }
    return added;
}

int CLanguageModules::IndexOfLanguage(int languageId) const
{
    for (int i = 0; i < count(); ++i) {
        if (at(i).languageId == languageId) return i;
    }
    return -1;
}

bool CLanguageModules::Activate(int index)
{
    if (index < 0 || index >= count()) return false;
    if (QCoreApplication::instance()) {
        const LanguageModule& old = at(m_active);
        if (old.translator) QCoreApplication::removeTranslator(old.translator.get());
        const LanguageModule& now = at(index);
        if (now.translator) QCoreApplication::installTranslator(now.translator.get());
        QCoreApplication::removeTranslator(m_pQtGerman.get());
        if (index == 0) QCoreApplication::installTranslator(m_pQtGerman.get());
    }
    m_active = index;
    return true;
}

QStringList CLanguageModules::DefaultFolders()
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        const QString bin = QCoreApplication::applicationDirPath();
        folders << bin;
        // An installation moved as a whole (another prefix) keeps its data beside bin/.
        folders << QDir::cleanPath(bin + QStringLiteral("/../share/korvel/translations"));
    }
#ifdef KORVEL_TRANSLATIONS_DIR
    const QString configured = QDir::cleanPath(QStringLiteral(KORVEL_TRANSLATIONS_DIR));
    if (!folders.contains(configured)) folders << configured;
#endif
    return folders;
}

}  // namespace korvel
