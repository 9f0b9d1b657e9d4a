#pragma once
// Handheld import and export on a document's object tree: position and marker files become
// areas, lines or points, and polygons with the points inside them become file pairs. All
// positions in the files are WGS84 degrees; the tree is in its document's system (which must
// be defined). Dialogs, questions and messages belong to the desktop program and reach this
// code as values and callbacks.

#include "exchange/zentofile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace korvel {

class GList;
class GObj;
class CKorvelDoc;

// Turns what a file holds into map objects in system `coordSys` and hands each to `add`
// (which takes ownership when it answers true): one point per position for marker files
// (file description, then the position's own texts), otherwise one polyline or polygon through
// all positions with the file description. A file without positions adds nothing, as an
// object without vertices could be neither seen nor selected. Returns the objects added.
size_t ImportZentoContent(const ZentoContent& content, int32_t coordSys, const std::function<bool(GObj*)>& add);

enum class ZentoImportStatus {
    Imported,
    CannotOpen,  // the file could not be opened for reading
    BadFormat,   // the first line names no position or marker file (raster files included)
};

// Opens `path`, checks its first line and imports it.
ZentoImportStatus ImportZentoFile(const QString& path, int32_t coordSys, const std::function<bool(GObj*)>& add);
// The same into a document, in its coordinate system.
ZentoImportStatus ImportZento(CKorvelDoc& doc, const QString& path);

// Attribute names carried by the objects of type `typeCode` in a deep walk of `root`, each
// once (names equal ignoring case count as one; the first spelling met stays), in walk order.
QStringList ZentoAttributeNames(GList* root, uint32_t typeCode);

// The folder an export writes into, from the text entered: white space at both ends and
// trailing path separators removed (a lone "/" stays the root); an empty text is the working
// directory, never the root of the file system.
QString ExportBaseFolder(const QString& entered);
// `folder` without trailing path separators (a lone "/" stays the root).
QString WithoutTrailingSeparators(QString folder);

// Sorts attribute names the way the export dialog's lists show them: alphabetically,
// ignoring case (names equal but for case keep their order).
void SortNamesForList(QStringList& names);

struct ZentoExportRequest {
    QString folder;          // as entered; surrounding white space and trailing slashes are
                             // ignored, and an empty folder is the working directory
    QStringList areaNames;   // attributes of polygons written as description lines
    QStringList pointNames;  // attributes of points written as marker values, in this order
    bool allPoints = false;  // also write a pair for an area around all objects with every point
    // Asked before an existing file is replaced, with its file name; false ends the export.
    std::function<bool(const QString& fileName)> confirmOverwrite;
    // The clock, read once per file (local time).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

struct ZentoExportResult {
    QStringList written;  // full paths of the files written, in order
    QStringList failed;   // full paths of the files that could not be written (skipped)
    bool stopped = false;  // an overwrite was refused; nothing was written after it
};

// For every polygon of `root` (system `coordSys`, in walk order) writes "n.geo" with its
// outline and "n_1.pos" with the points inside it; with `allPoints` one more pair. A file that
// cannot be created is skipped. Each file is written under a temporary name and renamed.
ZentoExportResult ExportZento(GList* root, int32_t coordSys, const ZentoExportRequest& request);
ZentoExportResult ExportZento(CKorvelDoc& doc, const ZentoExportRequest& request);

}  // namespace korvel
