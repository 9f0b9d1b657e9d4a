#pragma once
// "Hintergrundkarte laden" (command 32798, menu Bearbeiten, Bilder, "&Laden"): scanned maps and
// aerial photographs into the active document, and the progress dialog that large images show
// while they load.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class CKorvelWnd;
class CMainFrame;

inline constexpr int ID_IMG_LOAD = 32798;

// The open-file dialog of the command, replaceable so that tests can answer: `filter` in the
// file dialog's notation, `folder` where to start; the chosen files, empty when cancelled.
using ImageFileDialog = std::function<QStringList(QWidget* parent, const QString& filter, const QString& folder)>;
// Several existing files may be chosen.
ImageFileDialog DefaultImageFileDialog();

// Loads every chosen file into `doc` in order, with a wait cursor; after each image added the
// view (when given) shows all objects. The remembered image folder `imgImportDir` becomes the
// folder of each chosen file. A file that cannot be loaded is skipped without a message.
void OnImgLoad(QWidget* parent, CKorvelDoc& doc, CKorvelView* view, QString& imgImportDir, const ImageFileDialog& dialog);
// The same for a document window of the main window, which keeps the remembered folder
// (settings key ImgImportDir).
void OnImgLoad(CMainFrame& frame, CKorvelWnd& wnd, const ImageFileDialog& dialog);

// Shows a progress dialog with a cancel button for every image load that takes longer than
// half a second (the command's and a document's). Installed once at start-up.
void InstallImageProgressDialog();

}  // namespace korvel
