#pragma once
// GPX import and export on a document: waypoints become points, tracks and routes become
// lines (tracks marked as areas become areas again), and back. Positions in the files are
// WGS84 degrees; the document keeps its own system. Dialogs, questions and messages belong to
// the desktop program and the command-line tool.

#include "exchange/gpxfile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace korvel {

class CKorvelDoc;
class GList;
class GObj;

// Attribute names the exchange reads and writes.
inline constexpr char kGpxPointName[] = "PTNR";     // waypoint <name>
inline constexpr char kGpxElevation[] = "ELE";      // waypoint <ele>
inline constexpr char kGpxTime[] = "ZEIT";          // waypoint <time>
inline constexpr char kGpxDescription[] = "BESCHR"; // <desc>
inline constexpr char kGpxPathName[] = "NAME";      // track or route <name>
// The <type> of a track that is the outline of an area.
inline constexpr char16_t kGpxAreaType[] = u"Fläche";

// "Korvel <version>", the creator written into every file.
QString GpxCreator();

// Turns what a file holds into map objects and hands each to `add` (which takes ownership
// when it answers true): a point per waypoint ("PTNR" always, "ELE", "ZEIT", "BESCHR" where
// the file has them), a polyline per route and per track with one ring per non-empty
// segment ("NAME", "BESCHR"), and a polygon for a track of type "Fläche" (its closing vertex,
// repeating the first, dropped). Coordinates are converted from WGS84 into `coordSys`; with 0
// they stay degrees. Paths without any point add nothing. Returns the objects added.
size_t ImportGpxContent(const GpxContent& content, int32_t coordSys, const std::function<bool(GObj*)>& add);

enum class GpxImportStatus {
    Imported,
    CannotOpen,  // the file could not be opened for reading
    Malformed,   // the file is no readable GPX (error says where and why); nothing was added
};

struct GpxImportResult {
    GpxImportStatus status = GpxImportStatus::Imported;
    GpxReadError error;
    size_t added = 0;
};

// Reads `path` whole and, only when it is sound, adds its objects to the document. An empty
// document without a coordinate system first takes web mercator (as for every WGS84 import);
// a local document that already holds objects gets the degrees unconverted.
GpxImportResult ImportGpx(CKorvelDoc& doc, const QString& path);

// The German message for a refused file: its path, line, column and the reason; and the same
// as the inserts of string 1230 for a message box.
QString GpxErrorMessage(const QString& path, const GpxReadError& error);
QStringList GpxErrorInserts(const QString& path, const GpxReadError& error);
inline constexpr int IDS_GPX_MALFORMED = 1230;

// Whether the tree holds something to export (a point, line or area) and its system can be
// converted to WGS84.
bool CanExportGpxContent(GList* root, int32_t coordSys);

// What the export writes for the tree `root` in system `coordSys`, converted to WGS84:
// points as waypoints, lines as tracks with one segment per ring, areas as tracks of type
// "Fläche" with closed segments. False when a coordinate cannot be converted.
bool CollectGpxContent(GList* root, int32_t coordSys, GpxContent* content);

enum class GpxExportStatus {
    Written,
    NothingToWrite,  // no point, line or area, or a system that cannot be converted
    CannotCreate,    // the file (its temporary sibling) could not be created
    Failed,          // a coordinate could not be converted or writing failed; an older file stays
};

// Writes the document's points, lines and areas to `path` through a temporary file that is
// renamed into place only when complete.
GpxExportStatus ExportGpx(GList* root, int32_t coordSys, const QString& path);
GpxExportStatus ExportGpx(CKorvelDoc& doc, const QString& path);

// `name` with ".gpx" appended unless it already ends so (in any letter case).
QString WithGpxExtension(const QString& name);

}  // namespace korvel
