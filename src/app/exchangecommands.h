#pragma once
// The import and export commands of a map window: shapefiles for GIS programs and position
// and marker files for the handheld devices. They ask through file dialogs and the two export
// dialogs, remember the folders in the main frame, and fit the view to what was imported.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QWidget;

namespace korvel {

class CCoordSysDlg;
class CExportShapeDlg;
class CExportZento;
class CKorvelDoc;
class CKorvelWnd;
class CMainFrame;

// Command ids of the import and export commands.
inline constexpr int ID_IMPORT_ZENTO = 32771;
inline constexpr int ID_IMPORT_SHAPE = 32772;
inline constexpr int ID_EXPORT_SHAPE = 32777;
inline constexpr int ID_EXPORT_ZENTO = 32778;

// The windows the commands open. Each one is a plain function so that tests can answer in
// the user's place; DefaultExchangeDialogs() shows the real ones.
struct ExchangeDialogs {
    // Files to import: `filter` in the file dialog's notation, `folder` where to start. An
    // empty list when the user cancelled.
    std::function<QStringList(QWidget* parent, const QString& filter, const QString& folder)> openFiles;
    // Run a dialog modally; true when it ended with OK.
    std::function<bool(CExportShapeDlg&)> exportShape;
    std::function<bool(CExportZento&)> exportZento;
    std::function<bool(CCoordSysDlg&)> coordSys;
};
ExchangeDialogs DefaultExchangeDialogs();

// A filter of the string table ("Text (*.a)|*.a|Alle Dateien (*.*)|*.*||") in the notation
// of the file dialog ("Text (*.a);;Alle Dateien (*)"), with "*.*" meaning every file.
QString FileDialogFilter(const QString& tableFilter);

// Whether the export commands can run on a document that holds objects of the type bits
// `kinds` (as CDocumentKinds keeps them): shapes need points, lines or areas; the handheld
// files need points or areas and a defined coordinate system.
bool CanExportShape(uint32_t kinds);
bool CanExportZento(const CKorvelDoc& doc, uint32_t kinds);

// "Import Shape": every chosen shapefile is read into the window's document.
void OnImportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Export Shape": the dialog, then one shapefile per chosen kind.
void OnExportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Import ZENTO": makes sure the document has a coordinate system, then reads every chosen
// position or marker file.
void OnImportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Export ZENTO": the dialog, then the file pairs per area (and around all points).
void OnExportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);

}  // namespace korvel
