#include "app/languagemodules.h"

#include "apptestsupport.h"
#include "strings/stringtable.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>

namespace korvel {
namespace {

TEST(LanguageIdTest, LocalesMapToWindowsLanguageIds)
{
    struct Row {
        const char* locale;
        int id;
    };
    const Row rows[] = {
        {"de_DE", 1031}, {"de_AT", 3079}, {"de_CH", 2055}, {"en_US", 1033}, {"en_GB", 2057},
        {"fr_FR", 1036}, {"nl_NL", 1043}, {"es_ES", 3082}, {"pt_BR", 1046},
        // A country the table does not list takes the language's first (default) entry.
        {"en_NZ", 1033}, {"de_BE", 1031},
        // A language the table does not know has no id.
        {"C", 0}, {"sw_KE", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LanguageIdFromLocale(QLocale(QString::fromLatin1(r.locale))), r.id) << r.locale;
    }
}

TEST(LanguageIdTest, IdsMapBackToTheirLocale)
{
    for (int id : {1031, 3079, 1033, 2057, 1036, 1043, 3082}) {
        EXPECT_EQ(LanguageIdFromLocale(LocaleFromLanguageId(id)), id) << id;
    }
    EXPECT_EQ(LocaleFromLanguageId(12345), QLocale::c());
}

TEST(LanguageModulesTest, AcceptsOnlyModulesThatNameThisProgram)
{
    test::ModuleFolder folder({"korvel_en.qm", "korvel_nl.qm", "korvel_fr.qm"});
    {
        QFile junk(folder.path() + QStringLiteral("/korvel_zz.qm"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a translation");
    }

    auto en = CLanguageModules::Load(folder.path() + QStringLiteral("/korvel_en.qm"));
    ASSERT_TRUE(en);
    EXPECT_EQ(en->languageId, 1033);
    EXPECT_EQ(en->name, QStringLiteral("English"));

    // The program's name is compared without regard to case.
    auto nl = CLanguageModules::Load(folder.path() + QStringLiteral("/korvel_nl.qm"));
    ASSERT_TRUE(nl);
    EXPECT_EQ(nl->languageId, 1043);
    EXPECT_EQ(nl->name, QStringLiteral("Nederlands"));

    EXPECT_FALSE(CLanguageModules::Load(folder.path() + QStringLiteral("/korvel_fr.qm")));
    EXPECT_FALSE(CLanguageModules::Load(folder.path() + QStringLiteral("/korvel_zz.qm")));
    EXPECT_FALSE(CLanguageModules::Load(folder.path() + QStringLiteral("/korvel_missing.qm")));
}

TEST(LanguageModulesTest, ScanKeepsGermanFirstAndSkipsDuplicatesAndStrangers)
{
    test::ModuleFolder first({"korvel_nl.qm", "korvel_fr.qm", "korvel_en.qm"});
    test::ModuleFolder second({"korvel_en.qm"});
    {
        // Files that do not follow the "korvel_xx.qm" pattern are not looked at.
        QFile::copy(first.path() + QStringLiteral("/korvel_en.qm"), second.path() + QStringLiteral("/korvel_eng.qm"));
        QFile::copy(first.path() + QStringLiteral("/korvel_en.qm"), second.path() + QStringLiteral("/other_en.qm"));
    }
    CLanguageModules modules;
    EXPECT_EQ(modules.Scan({first.path(), second.path(), QString()}), 2);
    ASSERT_EQ(modules.count(), 3);
    EXPECT_TRUE(modules.at(0).path.isEmpty());
    EXPECT_EQ(modules.at(0).languageId, kGermanLanguageId);
    EXPECT_EQ(modules.at(0).name, QStringLiteral("Deutsch"));
    EXPECT_EQ(modules.at(1).languageId, 1033);  // by file name within the folder
    EXPECT_EQ(modules.at(2).languageId, 1043);
    EXPECT_EQ(modules.IndexOfLanguage(1043), 2);
    EXPECT_EQ(modules.IndexOfLanguage(1031), 0);
    EXPECT_EQ(modules.IndexOfLanguage(1036), -1);
}

TEST(LanguageModulesTest, ActivatingAModuleSwitchesTheStringTable)
{
    test::ModuleFolder folder({"korvel_nl.qm"});
    {
        CLanguageModules modules;
        modules.Scan({folder.path()});
        ASSERT_EQ(modules.count(), 2);
        EXPECT_EQ(LoadString(1004), QStringLiteral("Vermessung"));
        EXPECT_TRUE(modules.Activate(1));
        EXPECT_EQ(modules.activeIndex(), 1);
        EXPECT_EQ(LoadString(1004), QStringLiteral("Landmeting"));
        // Strings the module does not translate keep their German text.
        EXPECT_EQ(LoadString(1401), QStringLiteral("Fehler"));
        EXPECT_FALSE(modules.Activate(2));
        EXPECT_TRUE(modules.Activate(0));
        EXPECT_EQ(LoadString(1004), QStringLiteral("Vermessung"));
        modules.Activate(1);
    }
    // Destroying the modules never leaves a dangling translation behind.
    EXPECT_EQ(LoadString(1004), QStringLiteral("Vermessung"));
}

TEST(LanguageModulesTest, TheEnglishModuleTranslatesEveryString)
{
    // Every text of the string table needs an English translation; a text added without one
    // would show up in German in the middle of the English interface.
    QTranslator english;
    ASSERT_TRUE(english.load(test::ProgramDir() + QStringLiteral("/korvel_en.qm")));
    QStringList missing;
    int checked = 0;
    for (int id = 0; id < 0x10000; ++id) {
        if (!HasString(id)) continue;
        const QString german = LoadString(id);
        ++checked;
        if (english.translate("StringTable", german.toUtf8().constData()).isEmpty()) {
            missing << QStringLiteral("%1 \"%2\"").arg(id).arg(german);
        }
    }
    EXPECT_GT(checked, 50);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

TEST(LanguageModulesTest, QtsOwnButtonsSpeakTheActiveLanguage)
{
    test::ModuleFolder folder({"korvel_en.qm"});
    CLanguageModules modules;
    modules.Scan({folder.path()});
    auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    EXPECT_EQ(cancel(), QStringLiteral("Abbrechen"));
    modules.Activate(1);
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
    modules.Activate(0);
    EXPECT_EQ(cancel(), QStringLiteral("Abbrechen"));
}

}  // namespace
}  // namespace korvel
