// korvel-cli import-zento and export-zento: the handheld exchange commands without the desktop.
// The coordinate-system dialog becomes --crs, the export dialog's choices become options and
// the overwrite question is answered No unless --force answers Yes.
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "crs/transform.h"
#include "exchange/zentoexchange.h"
#include "model/cobjenum.h"
#include "model/coordsys.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace korvel::cli {
namespace {

constexpr int IDS_ZENTO_CANNOT_OPEN = 1201;      // "Die Datei "%1" konnte nicht geöffnet werden."
constexpr int IDS_ZENTO_BAD_FORMAT = 1202;       // "Das Format der Datei "%1" ist ungültig."
constexpr int IDS_ZENTO_REPLACE = 1203;          // "Die Datei "%1" ist bereits vorhanden. ..."
constexpr int IDS_IMPORT_UNDEFINED_CRS = 1206;   // "Import in ein undefiniertes Koordinatensystem ..."

// The systems a user can choose, plus 4326 which documents of old file versions carry.
bool IsChoosable(int32_t crs) { return crs == CRS_WGS84 || !CoordSysName(crs).isEmpty(); }

// ---- import-zento ----------------------------------------------------------------------------

int RunImport(const QStringList& args)
{
    ImportArgs parsed;
    if (!ParseImportArgs(args, "Aufruf: korvel-cli import-zento DOKUMENT.kvd DATEI... [--crs N]",
                         &IsChoosable, &parsed))
        return 2;
    const QString& docPath = parsed.document;
    const QStringList& paths = parsed.files;
    const bool haveCrs = parsed.haveCrs;
    const int32_t crs = parsed.crs;

    CKorvelDoc doc;
    const bool created = !QFileInfo::exists(docPath);
    if (created) {
        doc.OnNewDocument(haveCrs ? crs : kDefaultCoordSys);
    } else {
        if (!OpenDocumentOrReport(doc, docPath)) return 2;
        if (doc.m_nCoordSys < 1) {
            // Where the desktop asks for a system, --crs gives it; the document only gets the
            // label, as nothing in an undefined system can be converted.
            if (haveCrs) doc.m_nCoordSys = crs;
        } else if (haveCrs && crs != doc.m_nCoordSys) {
            std::fprintf(stderr,
                         "Das Dokument hat bereits das Koordinatensystem %d; --crs gilt nur für neue Dokumente "
                         "und solche ohne Koordinatensystem.\n",
                         doc.m_nCoordSys);
            return 2;
        }
    }
    if (doc.m_nCoordSys < 1) {
        PrintLine(LoadString(IDS_IMPORT_UNDEFINED_CRS));
        return 2;
    }

    size_t imported = 0;
    bool failed = false;
    const auto add = [&](GObj* obj) {
        if (!doc.AddObject(obj)) return false;
        ++imported;
        return true;
    };
    for (const QString& path : paths) {
        switch (ImportZentoFile(path, doc.m_nCoordSys, add)) {
        case ZentoImportStatus::Imported:
            break;
        case ZentoImportStatus::CannotOpen:
            PrintLine(FormatString(IDS_ZENTO_CANNOT_OPEN, QFileInfo(path).absoluteFilePath()));
            failed = true;
            break;
        case ZentoImportStatus::BadFormat:
            PrintLine(FormatString(IDS_ZENTO_BAD_FORMAT, QFileInfo(path).fileName()));
            failed = true;
            break;
        }
    }

    return FinishImport(doc, docPath, imported > 0 || created, failed);
}

// ---- export-zento ----------------------------------------------------------------------------

void PrintExportUsage()
{
    std::fprintf(stderr,
                 "Aufruf: korvel-cli export-zento DOKUMENT.kvd VERZEICHNIS [--area-names A,B] "
                 "[--point-names C,D] [--all-points] [--force]\n");
}

// The chosen names as the dialog hands them over: each one in the spelling the document
// first uses, once, in the order of the sorted list box (alphabetical, ignoring case).
// False (with a message) when a name is carried by no object of that kind.
bool ChooseNames(const QString& option, const QStringList& candidates, const char* kind, QStringList* chosen)
{
    chosen->clear();
    for (const QString& raw : option.split(QLatin1Char(','))) {
        const QString name = raw.trimmed();
        if (name.isEmpty()) continue;
        const auto it = std::find_if(candidates.begin(), candidates.end(), [&](const QString& c) {
            return c.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == candidates.end()) {
            std::fprintf(stderr, "Den Infotext \"%s\" trägt %s des Dokuments.\n", qPrintable(name), kind);
            return false;
        }
        if (!chosen->contains(*it)) *chosen << *it;
    }
    SortNamesForList(*chosen);
    return true;
}

int RunExport(const QStringList& args)
{
    QStringList paths;
    QString areaOption;
    QString pointOption;
    bool allPoints = false;
    bool force = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--area-names") || a == QLatin1String("--point-names")) {
            if (i + 1 >= args.size()) {
                PrintExportUsage();
                return 2;
            }
            (a == QLatin1String("--area-names") ? areaOption : pointOption) = args[++i];
        } else if (a == QLatin1String("--all-points")) {
            allPoints = true;
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

    // The desktop only offers the export for a document with a system and something to write.
    if (doc.m_nCoordSys < 1) {
        std::fprintf(stderr, "Export nicht möglich: Das Dokument hat kein definiertes Koordinatensystem.\n");
        return 2;
    }
    size_t polygons = 0;
    bool points = false;
    CObjEnum walk(doc.m_pRoot.get());
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (o->GetType() == GT_POLYGON) ++polygons;
        if (o->GetType() == GT_POINT) points = true;
    }
    if (polygons == 0 && !points) {
        std::fprintf(stderr, "Export nicht möglich: Das Dokument enthält weder Punkte noch Flächen.\n");
        return 2;
    }

    ZentoExportRequest request;
    request.folder = paths[1];
    request.allPoints = allPoints;
    if (!ChooseNames(areaOption, ZentoAttributeNames(doc.m_pRoot.get(), GT_POLYGON), "keine Fläche",
                     &request.areaNames) ||
        !ChooseNames(pointOption, ZentoAttributeNames(doc.m_pRoot.get(), GT_POINT), "kein Punkt",
                     &request.pointNames))
        return 2;

    // A folder that is not there would make every file fail to be created, and the export
    // would quietly write nothing.
    const QString folder = request.folder.trimmed();
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "Das Verzeichnis \"%s\" ist nicht vorhanden.\n", qPrintable(folder));
        return 2;
    }

    request.confirmOverwrite = [force](const QString& fileName) {
        if (force) return true;
        PrintLine(FormatString(IDS_ZENTO_REPLACE, fileName));
        return false;
    };
    const ZentoExportResult result = ExportZento(doc, request);
    for (const QString& path : result.written) std::printf("%s\n", qPrintable(QDir::toNativeSeparators(path)));
    std::fflush(stdout);
    if (result.stopped) return 1;

    const qsizetype expected = 2 * static_cast<qsizetype>(polygons) + (allPoints ? 2 : 0);
    if (result.written.size() < expected) {
        std::fprintf(stderr, "%lld von %lld Dateien konnten nicht geschrieben werden.\n",
                     static_cast<long long>(expected - result.written.size()), static_cast<long long>(expected));
        return 1;
    }
    return 0;
}

const CliCommand importReg("import-zento",
                           "import-zento DOKUMENT.kvd DATEI... [--crs N] - liest ZENTO-Positions- und "
                           "Markierungsdateien ein (legt das Dokument bei Bedarf an)",
                           &RunImport);
const CliCommand exportReg("export-zento",
                           "export-zento DOKUMENT.kvd VERZEICHNIS [--area-names A,B] [--point-names C,D] "
                           "[--all-points] [--force] - schreibt ZENTO-Dateien für jede Fläche",
                           &RunExport);

}  // namespace
}  // namespace korvel::cli
