// korvel-cli import-shape and export-shape: the GIS exchange without the desktop. The export
// dialog's names become options (with the same time-stamped defaults), and the question before
// an existing file set is replaced is answered No unless --force answers Yes.
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "crs/transform.h"
#include "exchange/dbasefile.h"
#include "exchange/shapeexchange.h"
#include "exchange/zentoexchange.h"
#include "model/coordsys.h"
#include "model/gobj.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace korvel::cli {
namespace {

constexpr int IDS_FILE_EXISTS = 1203;   // "Die Datei "%1" ist bereits vorhanden. ..."
constexpr int IDS_CANNOT_CREATE = 1207;  // "Die Datei "%1" konnte nicht angelegt werden."
constexpr int IDS_CANNOT_WRITE = 1208;   // "Die Datei "%1" konnte nicht geschrieben werden. ..."
constexpr int IDS_NUMBERS_OVERFLOW = 1209;  // "%1 Zahlenwerte passten nicht in die Breite ihres Feldes ..."

bool IsChoosable(int32_t crs) { return crs == 0 || crs == CRS_WGS84 || !CoordSysName(crs).isEmpty(); }

// ---- import-shape ----------------------------------------------------------------------------

int RunImport(const QStringList& args)
{
    ImportArgs parsed;
    if (!ParseImportArgs(args, "Aufruf: korvel-cli import-shape DOKUMENT.kvd DATEI.shp... [--crs N]",
                         &IsChoosable, &parsed))
        return 2;
    const QString& docPath = parsed.document;
    const QStringList& paths = parsed.files;

    CKorvelDoc doc;
    bool created = false;
    if (!OpenImportDocument(doc, parsed, &created)) return 2;

    size_t imported = 0;
    bool failed = false;
    ShapeImportTarget target{doc.m_pRoot.get(), &doc.m_nCoordSys, [&](GObj* obj) {
                                 if (!doc.AddObject(obj)) return false;
                                 ++imported;
                                 return true;
                             }};
    for (const QString& path : paths) {
        const uint16_t code = ImportShapeFile(path, target);
        if (code != EXCH_OK) {
            PrintLine(FormatString(code, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
            failed = true;
        }
    }

    return FinishImport(doc, docPath, imported > 0 || created, failed);
}

// ---- export-shape ----------------------------------------------------------------------------

void PrintExportUsage()
{
    std::fprintf(stderr,
                 "Aufruf: korvel-cli export-shape DOKUMENT.kvd VERZEICHNIS [--points NAME] [--lines NAME] "
                 "[--areas NAME] [--force]\n");
}

struct Job {
    uint32_t kind;
    const char* option;
    QString name;
};

int RunExport(const QStringList& args)
{
    const QDateTime now = QDateTime::currentDateTime();
    Job jobs[] = {{GT_POINT, "--points", DefaultShapeFileName(GT_POINT, now)},
                  {GT_POLYLINE, "--lines", DefaultShapeFileName(GT_POLYLINE, now)},
                  {GT_POLYGON, "--areas", DefaultShapeFileName(GT_POLYGON, now)}};
    QStringList paths;
    bool force = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        Job* named = nullptr;
        for (Job& j : jobs) {
            if (a == QLatin1String(j.option)) named = &j;
        }
        if (named) {
            if (i + 1 >= args.size() || args[i + 1].trimmed().isEmpty()) {
                PrintExportUsage();
                return 2;
            }
            named->name = args[++i].trimmed();
        } else if (a == QLatin1String("--force")) {
            force = true;
        } else if (!a.startsWith(QLatin1String("--")) && paths.size() < 2) {
            paths << a;
        } else {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(a));
            return 2;
        }
    }
    if (paths.size() != 2) {
        PrintExportUsage();
        return 2;
    }

    CKorvelDoc doc;
    if (!OpenDocumentOrReport(doc, paths[0])) return 2;
    const uint32_t kinds = KindSet(doc.m_pRoot.get());
    if (!(kinds & (GT_POINT | GT_POLYLINE | GT_POLYGON))) {
        std::fprintf(stderr, "Export nicht möglich: Das Dokument enthält weder Punkte noch Linien noch Flächen.\n");
        return 2;
    }
    const QString folder = ExportBaseFolder(paths[1]);
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "Das Verzeichnis \"%s\" ist nicht vorhanden.\n", qPrintable(paths[1].trimmed()));
        return 2;
    }

    // As in the dialog: every file set that is there already is asked for before anything is
    // written.
    for (Job& j : jobs) {
        j.name = WithShpExtension(j.name);
        if ((kinds & j.kind) && !force && ShapeFilesExist(folder, j.name)) {
            PrintLine(FormatString(IDS_FILE_EXISTS, j.name));
            return 1;
        }
    }

    int result = 0;
    size_t overflowing = 0;
    for (const Job& j : jobs) {
        if (!(kinds & j.kind)) continue;
        const QString path = folder + QLatin1Char('/') + j.name;
        QString failedPath;
        switch (ExportShape(doc, ShapeTypeForKind(j.kind), path, &failedPath, &overflowing)) {
        case ShapeExportStatus::Written:
            std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
            std::fflush(stdout);
            break;
        case ShapeExportStatus::NothingToWrite:
            break;
        case ShapeExportStatus::CannotCreate:
            PrintLine(FormatString(IDS_CANNOT_CREATE, QDir::toNativeSeparators(failedPath.isEmpty() ? path : failedPath)));
            return 1;
        case ShapeExportStatus::Failed:
            PrintLine(FormatString(IDS_CANNOT_WRITE, QDir::toNativeSeparators(path)));
            result = 1;
            break;
        }
    }
    // The files are written, but some values are missing from them: a warning, and a result
    // that scripts notice.
    if (overflowing > 0) {
        PrintLine(FormatString(IDS_NUMBERS_OVERFLOW, QString::number(overflowing)));
        result = 1;
    }
    return result;
}

const CliCommand importReg("import-shape",
                           "import-shape DOKUMENT.kvd DATEI.shp... [--crs N] - liest Shape-Dateien ein (legt "
                           "das Dokument bei Bedarf an; ohne --crs übernimmt ein neues Dokument WGS84-Daten "
                           "als Web-Mercator)",
                           &RunImport);
const CliCommand exportReg("export-shape",
                           "export-shape DOKUMENT.kvd VERZEICHNIS [--points NAME] [--lines NAME] [--areas NAME] "
                           "[--force] - schreibt je eine Shape-Datei für Punkte, Linien und Flächen",
                           &RunExport);

}  // namespace
}  // namespace korvel::cli
