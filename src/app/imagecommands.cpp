#include "app/imagecommands.h"

#include "app/exchangecommands.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "imagery/gimg.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"
#include "view/korvelview.h"
#include "view/viewhost.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>

#include <memory>

namespace korvel {
namespace {

constexpr int IDS_FILTER_IMAGES = 1104;
constexpr int IDS_LOADING_IMAGE = 1105;
constexpr int IDS_IMAGES_NOT_LOADED = 1106;
constexpr int kShowProgressAfterMs = 500;

}  // namespace

ImageFileDialog DefaultImageFileDialog()
{
    return [](QWidget* parent, const QString& filter, const QString& folder) {
        return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
    };
}

namespace {

// Whether the user cancelled the image load in progress (or the last one).
bool g_loadCancelled = false;

}  // namespace

void OnImgLoad(QWidget* parent, CKorvelDoc& doc, CKorvelView* view, QString& imgImportDir, const ImageFileDialog& dialog)
{
    if (!dialog) return;
    const QStringList files = dialog(parent, FileDialogFilter(LoadString(IDS_FILTER_IMAGES)), imgImportDir);
    QStringList failed;
    for (const QString& path : files) {
        g_loadCancelled = false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool added = AddImage(doc, path);
        QApplication::restoreOverrideCursor();
        if (added && view) view->OnCommand(ID_VIEW_FIT_ALL);
        // A file the user chose and that did not arrive must not vanish without a word; one
        // whose load the user cancelled needs none.
        if (!added && !g_loadCancelled) failed << QDir::toNativeSeparators(path);
        imgImportDir = QFileInfo(path).absolutePath();
    }
    if (!failed.isEmpty()) ShowMessage(IDS_IMAGES_NOT_LOADED, IDS_CAPTION_ERROR, MB_ICONERROR, failed.join(QLatin1Char('\n')));
}

void OnImgLoad(CMainFrame& frame, CKorvelWnd& wnd, const ImageFileDialog& dialog)
{
    if (CKorvelDoc* doc = wnd.document()) OnImgLoad(&frame, *doc, wnd.view(), frame.m_strImgImportDir, dialog);
}

void InstallImageProgressDialog()
{
    // One dialog per load, made at its first report; it shows itself only when the load
    // takes a while, so small images load without a flicker.
    auto dialog = std::make_shared<std::unique_ptr<QProgressDialog>>();
    SetImageProgressHook([dialog](const QString& path, int percent) {
        std::unique_ptr<QProgressDialog>& dlg = *dialog;
        if (percent >= 100) {
            dlg.reset();
            return true;
        }
        if (!dlg) {
            // The default cancel button, in the language of the program's Qt texts.
            dlg = std::make_unique<QProgressDialog>(QApplication::activeWindow());
            dlg->setLabelText(LoadString(IDS_LOADING_IMAGE) + QLatin1Char('\n') + QFileInfo(path).fileName());
            dlg->setRange(0, 100);
            dlg->setWindowModality(Qt::ApplicationModal);
            dlg->setMinimumDuration(kShowProgressAfterMs);
            dlg->setAutoClose(false);
            dlg->setAutoReset(false);
            dlg->setValue(0);
        }
        // setValue also lets the dialog's events (the cancel button) through once it is shown.
        dlg->setValue(percent);
        if (dlg->wasCanceled()) g_loadCancelled = true;
        return !dlg->wasCanceled();
    });
}

}  // namespace korvel
