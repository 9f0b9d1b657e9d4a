// "Hintergrundkarte laden": the file dialog answered in the user's place, every loadable file
// added and fitted, the others skipped without a word, the remembered folder.
#include "app/imagecommands.h"

#include "apptestsupport.h"
#include "imagery/gimg.h"
#include "imagery/tempmapfolder.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "support/testsupport.h"
#include "view/korvelview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProgressDialog>
#include <QTemporaryDir>

namespace korvel {
namespace {

class ImageCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterImageryClasses();
        SetTempMapFolder(m_dir.filePath(QStringLiteral("tmpmaps")));
        doc.OnNewDocument(0);
        view.resize(400, 300);
    }
    void TearDown() override { SetTempMapFolder(QString()); }

    QString Picture(const QString& name, int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(img.save(path, "PNG"));
        return path;
    }

    int Images()
    {
        int n = 0;
        CObjEnum e(doc.m_pRoot.get());
        for (GObj* o = e.FirstDeep(); o; o = e.NextDeep()) n += o->GetType() == GT_IMG;
        return n;
    }

    test::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    CKorvelDoc doc;
    CKorvelView view{&doc};
};

TEST_F(ImageCommandTest, LoadsEveryChosenPictureAndRemembersTheFolder)
{
    const QString first = Picture(QStringLiteral("eins.png"), 300, 200);
    QDir(m_dir.path()).mkdir(QStringLiteral("sub"));
    const QString broken = m_dir.filePath(QStringLiteral("sub/kaputt.tif"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("II*\0kaputt", 10);
    f.close();

    QString shownFilter;
    QString shownFolder;
    QString folder = QStringLiteral("/bilder");
    test::MessageRecorder messages;
    OnImgLoad(nullptr, doc, &view, folder, [&](QWidget*, const QString& filter, const QString& start) {
        shownFilter = filter;
        shownFolder = start;
        return QStringList{first, broken};
    });
    EXPECT_EQ(shownFolder, QStringLiteral("/bilder"));
    EXPECT_EQ(shownFilter, QStringLiteral("Bilder (*.tif *.jpg *.png);;Alle Dateien (*)"));
    EXPECT_EQ(Images(), 1);
    // The broken file is skipped, and the user is told which one it was.
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 1106);
    EXPECT_EQ(messages.messages()[0].text,
              QStringLiteral("Diese Bilddateien konnten nicht geladen werden:\n") + QDir::toNativeSeparators(broken));
    EXPECT_EQ(folder, QFileInfo(broken).absolutePath());
    EXPECT_TRUE(doc.IsModified());
    // The view was fitted to the picture (300 x 200 world units at the origin).
    EXPECT_LE(view.GetWorldRect().minX, 0.0);
    EXPECT_GE(view.GetWorldRect().maxX, 300.0);
    EXPECT_LT(view.GetWorldRect().maxX - view.GetWorldRect().minX, 600.0);

    // Cancelled: nothing happens.
    OnImgLoad(nullptr, doc, &view, folder, [](QWidget*, const QString&, const QString&) { return QStringList(); });
    EXPECT_EQ(Images(), 1);
    EXPECT_EQ(folder, QFileInfo(broken).absolutePath());
}

TEST_F(ImageCommandTest, ProgressDialogCanCancelALoadAndGoesWithIt)
{
    InstallImageProgressDialog();
    auto dialogs = [] {
        QList<QProgressDialog*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w)) found << d;
        return found;
    };
    const QString path = QStringLiteral("/karten/gross.tif");
    EXPECT_TRUE(ReportImageProgress(path, 0));
    ASSERT_EQ(dialogs().size(), 1);
    QProgressDialog* dlg = dialogs().first();
    EXPECT_TRUE(dlg->labelText().contains(QLatin1String("gross.tif")));
    EXPECT_TRUE(ReportImageProgress(path, 30));
    EXPECT_EQ(dlg->value(), 30);
    dlg->cancel();
    EXPECT_FALSE(ReportImageProgress(path, 40));  // the load stops
    EXPECT_TRUE(ReportImageProgress(path, 100));  // and its end closes the dialog
    QApplication::processEvents();
    EXPECT_TRUE(dialogs().isEmpty());
    SetImageProgressHook({});
}

TEST_F(ImageCommandTest, TextsOfTheCommand)
{
    EXPECT_EQ(LoadString(ID_IMG_LOAD), QStringLiteral("Hintergrundkarte laden\nHintergrundkarte laden"));
    EXPECT_TRUE(LoadString(1104).startsWith(QLatin1String("Bilder (*.tif; *.jpg; *.png)|")));
}

}  // namespace
}  // namespace korvel
