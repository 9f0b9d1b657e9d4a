// korvel-cli import-gpx and export-gpx: the exchange with GPS receivers and map programs
// without the desktop. As with shapefiles, a new document without --crs takes web mercator for
// the WGS84 positions, and the question before an existing file is replaced is answered No
// unless --force answers Yes.
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "crs/transform.h"
#include "exchange/gpxexchange.h"
#include "exchange/shapeexchange.h"
#include "model/coordsys.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace korvel::cli {
namespace {

constexpr int IDS_CANNOT_OPEN = 1201;    // "Die Datei "%1" konnte nicht geöffnet werden."
constexpr int IDS_FILE_EXISTS = 1203;    // "Die Datei "%1" ist bereits vorhanden. ..."
constexpr int IDS_CANNOT_CREATE = 1207;  // "Die Datei "%1" konnte nicht angelegt werden."
constexpr int IDS_CANNOT_WRITE = 1208;   // "Die Datei "%1" konnte nicht geschrieben werden. ..."

bool IsChoosable(int32_t crs) { return crs == 0 || crs == CRS_WGS84 || !CoordSysName(crs).isEmpty(); }

QString Native(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

// ---- import-gpx ------------------------------------------------------------------------------

int RunImport(const QStringList& args)
{
    ImportArgs parsed;
    if (!ParseImportArgs(args, "Aufruf: korvel-cli import-gpx DOKUMENT.kvd DATEI.gpx... [--crs N]", &IsChoosable,
                         &parsed))
        return 2;

    CKorvelDoc doc;
    bool created = false;
    if (!OpenImportDocument(doc, parsed, &created)) return 2;

    size_t imported = 0;
    bool failed = false;
    for (const QString& path : parsed.files) {
        const GpxImportResult result = ImportGpx(doc, path);
        switch (result.status) {
        case GpxImportStatus::Imported:
            imported += result.added;
            break;
        case GpxImportStatus::CannotOpen:
            PrintLine(FormatString(IDS_CANNOT_OPEN, Native(path)));
            failed = true;
            break;
        case GpxImportStatus::Malformed:
            PrintLine(GpxErrorMessage(Native(path), result.error));
            failed = true;
            break;
        }
    }
    return FinishImport(doc, parsed.document, imported > 0 || created, failed);
}

// ---- export-gpx ------------------------------------------------------------------------------

void PrintExportUsage() { std::fprintf(stderr, "Aufruf: korvel-cli export-gpx DOKUMENT.kvd DATEI.gpx [--force]\n"); }

int RunExport(const QStringList& args)
{
    QStringList paths;
    bool force = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--force")) {
            force = true;
        } else if (!a.startsWith(QLatin1String("--")) && paths.size() < 2) {
            paths << a;
        } else {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(a));
            return 2;
        }
    }
    if (paths.size() != 2 || paths[1].trimmed().isEmpty()) {
        PrintExportUsage();
        return 2;
    }

    CKorvelDoc doc;
    if (!OpenDocumentOrReport(doc, paths[0])) return 2;
    if (!HasKind(doc.m_pRoot.get(), GT_POINT | GT_POLYLINE | GT_POLYGON)) {
        std::fprintf(stderr, "Export nicht möglich: Das Dokument enthält weder Punkte noch Linien noch Flächen.\n");
        return 2;
    }
    if (!CanExportGpxContent(doc.m_pRoot.get(), doc.m_nCoordSys)) {
        std::fprintf(stderr, "Export nicht möglich: Das Dokument hat kein definiertes Koordinatensystem.\n");
        return 2;
    }

    const QString path = WithGpxExtension(paths[1].trimmed());
    const QFileInfo target(path);
    if (!target.absoluteDir().exists()) {
        std::fprintf(stderr, "Das Verzeichnis \"%s\" ist nicht vorhanden.\n",
                     qPrintable(QDir::toNativeSeparators(target.absolutePath())));
        return 2;
    }
    if (target.exists() && !force) {
        PrintLine(FormatString(IDS_FILE_EXISTS, target.fileName()));
        return 1;
    }

    switch (ExportGpx(doc, path)) {
    case GpxExportStatus::Written:
        std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
        return 0;
    case GpxExportStatus::NothingToWrite:
        return 2;  // ruled out above
    case GpxExportStatus::CannotCreate:
        PrintLine(FormatString(IDS_CANNOT_CREATE, Native(path)));
        return 1;
    case GpxExportStatus::Failed:
        PrintLine(FormatString(IDS_CANNOT_WRITE, Native(path)));
        return 1;
    }
    return 1;
}

const CliCommand importReg("import-gpx",
                           "import-gpx DOKUMENT.kvd DATEI.gpx... [--crs N] - liest GPX-Dateien ein (Wegpunkte, "
                           "Routen, Tracks; legt das Dokument bei Bedarf an, ohne --crs in Web-Mercator)",
                           &RunImport);
const CliCommand exportReg("export-gpx",
                           "export-gpx DOKUMENT.kvd DATEI.gpx [--force] - schreibt Punkte, Linien und Flächen "
                           "in eine GPX-Datei (WGS84)",
                           &RunExport);

}  // namespace
}  // namespace korvel::cli
