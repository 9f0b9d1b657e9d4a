#pragma once
// Shape import and export: which map objects become which shapes, how object attributes map
// to dBase fields and back, and the coordinate-system rules. Works on a document's object
// tree; the commands and dialogs around it live in the desktop program.

#include "exchange/dbasefield.h"

#include "crs/worldpoint.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace korvel {

class CShapeFile;
class GList;
class GObj;
class CKorvelDoc;

// A dBase field as a format word asks for it: type letter, length and decimals (before the
// table's own caps).
struct DbfFieldSpec {
    char type = 'C';
    unsigned length = 0;
    unsigned decimals = 0;

    friend bool operator==(const DbfFieldSpec&, const DbfFieldSpec&) = default;
};

// The field for an attribute format word: 1 logical (L 1), 0xFFFF free text (C 20), 0xFFnn
// text of width nn (C nn), anything else a number d × 256 + w (N w, d decimals).
DbfFieldSpec FieldSpecForFormat(uint16_t format);

// The format word for a table field: C of length w → 0xFF00 + w, D → 0xFF08, L → 1, N of
// length w with d decimals → d × 256 + w; other types (F, M, O, ...) are not imported.
std::optional<uint16_t> FormatForField(const CDBaseField& field);

// The OR of the type codes of every object in a deep walk of `root` (0 for null).
uint32_t KindSet(GList* root);
// Whether the tree holds an object whose type code has any of the bits of `kinds`; stops at
// the first one, so that asking often (to enable commands) stays cheap.
bool HasKind(GList* root, uint32_t kinds);

// The shape type for an object type code (GT_POINT 1, GT_POLYLINE 3, GT_POLYGON 5), or 0.
int32_t ShapeTypeForKind(uint32_t typeCode);

// The export dialog's proposal for the file of a kind (GT_POINT, GT_POLYLINE, GT_POLYGON) at
// local time `now`, e.g. "111207_130500_point.shp"; empty for other kinds.
QString DefaultShapeFileName(uint32_t typeCode, const QDateTime& now);

// `name` with ".shp" appended unless it already ends so (in any letter case).
QString WithShpExtension(const QString& name);

// Whether any of the .shp, .shx or .dbf of `name` (which ends in ".shp" in some case) exists
// in `folder`: then the user is asked before it is replaced.
bool ShapeFilesExist(const QString& folder, const QString& name);

// Whether a file's box lies in the longitude/latitude range (then it is taken as WGS84).
bool LooksGeographic(const WorldRect& box);

// What the import needs from the document: its tree, its coordinate system (which the
// adoption rule may change) and the way new objects enter it. `add` takes ownership when it
// answers true.
struct ShapeImportTarget {
    GList* root = nullptr;
    int32_t* coordSys = nullptr;
    std::function<bool(GObj*)> add;
};

// Turns the shapes of a file that was read successfully into map objects: null shapes are
// skipped, C/D/L/N fields become attributes, coordinates are converted from WGS84 when the
// file's box is geographic (an empty document without a system then adopts web mercator).
// Returns the number of objects added.
size_t ImportShapes(CShapeFile& file, ShapeImportTarget& target);

// Reads `path` and imports it. Returns the reader's code (20000 on success); nothing is added
// on failure.
uint16_t ImportShapeFile(const QString& path, ShapeImportTarget& target);

// Imports `path` into the document. On failure the reader's message (20001-20009, with the
// path) is shown with the caption "Fehler" and false returned; nothing is added.
bool ImportShape(CKorvelDoc& doc, const QString& path);

enum class ShapeExportStatus {
    Written,         // the triple (with .cpg and .prj) is in place
    NothingToWrite,  // the document holds no object of that kind; no file touched
    CannotCreate,    // a file could not be created (failedPath names it)
    Failed,          // a copy could not be made or writing failed
};

// Writes every object of the kind belonging to `shapeType` in the tree `root` (coordinates
// in system `coordSys`) to the shapefile `path`. Web-mercator coordinates are written as
// WGS84 degrees; any other system as it is, with a .prj naming it. Every attribute name gets
// a field of its own (names cut to ten characters are numbered apart). Numbers whose integer
// digits do not fit their field are written as the dBase overflow mark (asterisks) and
// counted in `*overflowCount`, which is only ever increased.
ShapeExportStatus ExportShapes(GList* root, int32_t coordSys, int32_t shapeType, const QString& path,
                               QString* failedPath = nullptr, size_t* overflowCount = nullptr);
// The same for the objects of a document in its coordinate system.
ShapeExportStatus ExportShape(CKorvelDoc& doc, int32_t shapeType, const QString& path,
                              QString* failedPath = nullptr, size_t* overflowCount = nullptr);

}  // namespace korvel
