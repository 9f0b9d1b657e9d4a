#pragma once
// Names and defaults of the settings the desktop program keeps in QSettings("Veldmark",
// "Korvel"), and the few rules for reading them. Tests and the demo redirect the store with
// UseSettingsFolder so that a user's own settings are never touched.

#include <QString>

class QSettings;

namespace korvel {

inline constexpr char kCompanyKey[] = "Veldmark";
inline constexpr char kApplicationKey[] = "Korvel";

// Keys (section/value).
namespace key {
inline constexpr char Language[] = "Settings/Language";
inline constexpr char PosLeft[] = "Settings/posLeft";
inline constexpr char PosTop[] = "Settings/posTop";
inline constexpr char PosRight[] = "Settings/posRight";
inline constexpr char PosBottom[] = "Settings/posBottom";
inline constexpr char PosMax[] = "Settings/posMax";
inline constexpr char CoordSys[] = "Settings/CoordSys";
inline constexpr char ZentoImportDir[] = "Settings/ZentoImportDir";
inline constexpr char ZentoExportDir[] = "Settings/ZentoExportDir";
inline constexpr char ImgImportDir[] = "Settings/ImgImportDir";
inline constexpr char ShapeImportDir[] = "Settings/ShapeImportDir";
inline constexpr char ShapeExportDir[] = "Settings/ShapeExportDir";
inline constexpr char GpxImportDir[] = "Settings/GpxImportDir";
inline constexpr char GpxExportDir[] = "Settings/GpxExportDir";
inline constexpr char ToolbarsLayout[] = "Toolbars/Layout";
inline constexpr char GpsAktiv[] = "GPS/Aktiv";
}  // namespace key

// Show states stored in posMax (the values of the window-placement show commands).
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// Redirects the settings store of this process into `folder` (for the demo and the tests).
void UseSettingsFolder(const QString& folder);

// The default coordinate system for new documents: "CoordSys" when it holds a decimal
// integer, else the web-map system 900913 (offered as "WGS84").
int ReadCoordSys(const QSettings& settings);

// Reads an integer value; `fallback` when the value is missing or not a number.
int ReadInt(const QSettings& settings, const char* key, int fallback);

}  // namespace korvel
