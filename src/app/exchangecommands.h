#pragma once
// The import and export commands of a map window: shapefiles for GIS programs, position
// and marker files for the handheld devices, and GPX files for GPS receivers and map programs. They ask through file dialogs and the two export
// dialogs, remember the folders in the main frame, and fit the view to what was imported.

#include <QCoreApplication>
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
inline constexpr int ID_IMPORT_GPX = 32840;
inline constexpr int ID_EXPORT_GPX = 32841;

// Menu text of both GPX commands (under Import and under Export), for the main frame's tables.
inline constexpr const char* kGpxMenuText = QT_TRANSLATE_NOOP("korvel::CMainFrame", "&GPS-Austausch (GPX)...");

// The windows the commands open. Each one is a plain function so that tests can answer in
// the user's place; DefaultExchangeDialogs() shows the real ones.
struct ExchangeDialogs {
    // Files to import: `filter` in the file dialog's notation, `folder` where to start. An
    // empty list when the user cancelled.
    std::function<QStringList(QWidget* parent, const QString& filter, const QString& folder)> openFiles;
    // The file to write: `filter` as above, `proposal` the path offered. An empty text when the
    // user cancelled. The dialog itself does not ask before replacing a file; the command does.
    std::function<QString(QWidget* parent, const QString& filter, const QString& proposal)> saveFile;
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
// GPX needs points, lines or areas in a coordinate system that converts to WGS84.
bool CanExportGpx(const CKorvelDoc& doc, uint32_t kinds);

// "Import Shape": every chosen shapefile is read into the window's document.
void OnImportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Export Shape": the dialog, then one shapefile per chosen kind.
void OnExportShape(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Import ZENTO": makes sure the document has a coordinate system, then reads every chosen
// position or marker file.
void OnImportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Export ZENTO": the dialog, then the file pairs per area (and around all points).
void OnExportZento(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Import GPX": every chosen GPX file is read into the window's document; a damaged file is
// reported with the place of its fault and adds nothing. The folder is kept as GpxImportDir.
void OnImportGpx(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);
// "Export GPX": one file with every point, line and area, after asking before an existing file
// is replaced (No offers the file dialog again). The folder is kept as GpxExportDir.
void OnExportGpx(CMainFrame& frame, CKorvelWnd& wnd, const ExchangeDialogs& dialogs);

}  // namespace korvel
