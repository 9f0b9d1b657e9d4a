#pragma once
// Parts the program's dialogs share: the "OK"/"Abbrechen" buttons, and the folder row of the
// export dialogs ("Verzeichnis:" with its edit and the "Verzeichnis wählen" button that opens
// the folder picker).

#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;
class QWidget;
class QBoxLayout;
class QDialog;
class QDialogButtonBox;

namespace korvel {

// "OK" and "Abbrechen" wired to the dialog's accept and reject; the caller places the box.
QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog);

// Control ids of the folder row, the same in both dialogs.
inline constexpr int IDC_EXPORT_BROWSE = 102;
inline constexpr int IDC_EXPORT_FOLDER = 1001;

// Shows the folder picker titled "Wählen Sie das Export-Verzeichnis:" starting at `start`.
// Returns the chosen folder, or an empty string when the user cancelled.
using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;
QString PickExportFolder(QWidget* parent, const QString& start);

// The folder row of an export dialog, added to `layout`. The button asks `picker` (called at
// click time through the pointer, so a dialog may replace it later) and puts a chosen folder
// into the edit; cancelling leaves the edit as it was.
struct ExportFolderRow {
    QLineEdit* edit = nullptr;
    QPushButton* browse = nullptr;
};
ExportFolderRow AddExportFolderRow(QWidget* dialog, QBoxLayout* layout, const FolderPicker* picker);

}  // namespace korvel
