// The small parts of the shell: recent-file list, message boxes, settings values.
#include "app/appsettings.h"
#include "app/messagebox.h"
#include "app/recentfilelist.h"

#include "apptestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace korvel {
namespace {

TEST(RecentFileListTest, NewestFirstWithoutDuplicatesAndAtMostTen)
{
    CRecentFileList list;
    for (int i = 1; i <= 12; ++i) list.Add(QStringLiteral("/maps/m%1.kvd").arg(i));
    ASSERT_EQ(list.entries().size(), 10);
    EXPECT_EQ(list.entries().first(), QStringLiteral("/maps/m12.kvd"));
    EXPECT_EQ(list.entries().last(), QStringLiteral("/maps/m3.kvd"));

    // The same file again (also spelt differently) moves to the top instead of appearing twice.
    list.Add(QStringLiteral("/maps/../maps/m5.kvd"));
    EXPECT_EQ(list.entries().size(), 10);
    EXPECT_EQ(list.entries().first(), QStringLiteral("/maps/m5.kvd"));
    EXPECT_EQ(list.entries().count(QStringLiteral("/maps/m5.kvd")), 1);

    list.Remove(QStringLiteral("/maps/m12.kvd"));
    EXPECT_FALSE(list.entries().contains(QStringLiteral("/maps/m12.kvd")));
    list.Add(QString());
    EXPECT_EQ(list.entries().size(), 9);
}

TEST(RecentFileListTest, SurvivesTheSettingsStore)
{
    test::IsolatedSettings isolated;
    CRecentFileList list;
    list.Add(QStringLiteral("/a/one.kvd"));
    list.Add(QStringLiteral("/a/two.kvd"));
    {
        QSettings s = test::IsolatedSettings::Open();
        s.setValue(QStringLiteral("Recent File List/File7"), QStringLiteral("/stale.kvd"));
        list.Save(s);
    }
    QSettings s = test::IsolatedSettings::Open();
    EXPECT_EQ(s.value(QStringLiteral("Recent File List/File1")).toString(), QStringLiteral("/a/two.kvd"));
    EXPECT_FALSE(s.contains(QStringLiteral("Recent File List/File7")));
    CRecentFileList back;
    back.Load(s);
    EXPECT_EQ(back.entries(), list.entries());
}

TEST(SettingsValueTest, IntegersFallBackWhenMissingOrNotANumber)
{
    test::IsolatedSettings isolated;
    QSettings s = test::IsolatedSettings::Open();
    s.setValue(QStringLiteral("Settings/a"), 17);
    s.setValue(QStringLiteral("Settings/b"), QStringLiteral(" -3 "));
    s.setValue(QStringLiteral("Settings/c"), QStringLiteral("drei"));
    EXPECT_EQ(ReadInt(s, "Settings/a", 5), 17);
    EXPECT_EQ(ReadInt(s, "Settings/b", 5), -3);
    EXPECT_EQ(ReadInt(s, "Settings/c", 5), 5);
    EXPECT_EQ(ReadInt(s, "Settings/missing", 5), 5);
}

TEST(MessageBoxTest, TypeSelectsIconAndButtons)
{
    struct Row {
        unsigned type;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    const Row rows[] = {
        {MB_OK, QMessageBox::NoIcon, QMessageBox::Ok},
        {MB_ICONERROR, QMessageBox::Critical, QMessageBox::Ok},
        {MB_ICONINFORMATION, QMessageBox::Information, QMessageBox::Ok},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No},
        {MB_YESNOCANCEL | MB_ICONWARNING, QMessageBox::Warning,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel},
        {MB_OKCANCEL, QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(MessageIcon(r.type), r.icon) << r.type;
        EXPECT_EQ(MessageButtons(r.type), r.buttons) << r.type;
    }
}

// Presses the button with `text` of the next message box that opens, and records what it showed.
struct BoxClicker {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    void Arm(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(button)->click();
        });
    }
};

TEST(MessageBoxTest, ShowMessageGoesThroughTheInstalledBox)
{
    InstallMessageBoxHandler();
    BoxClicker clicker;
    clicker.Arm(QMessageBox::Ok);
    // Type 0 with the caption "Fehler" becomes an error box; %1 takes the insert.
    EXPECT_EQ(ShowMessage(1503, IDS_CAPTION_ERROR, 0, QStringLiteral("karte.kvd")), IDOK);
    EXPECT_EQ(clicker.title, QStringLiteral("Fehler"));
    EXPECT_TRUE(clicker.text.contains(QStringLiteral("karte.kvd")));
    EXPECT_EQ(clicker.icon, QMessageBox::Critical);

    clicker.Arm(QMessageBox::Ok);
    ShowMessage(1401, IDS_CAPTION_NOTE);
    EXPECT_EQ(clicker.title, QStringLiteral("Hinweis"));
    EXPECT_EQ(clicker.icon, QMessageBox::Information);

    clicker.Arm(QMessageBox::No);
    EXPECT_EQ(ShowMessage(1401, IDS_CAPTION_NOTE, MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    clicker.Arm(QMessageBox::Cancel);
    EXPECT_EQ(ShowMessage(1401, IDS_CAPTION_NOTE, MB_YESNOCANCEL | MB_ICONQUESTION), IDCANCEL);
    SetMessageHandler(nullptr);
}

}  // namespace
}  // namespace korvel
