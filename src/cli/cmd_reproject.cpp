// korvel-cli reproject IN.kvd OUT.kvd --crs N [--copy]: the coordinate system command without
// the desktop. The source file is only read; the result always goes to OUT.
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "crs/transform.h"
#include "model/coordsys.h"
#include "model/korveldoc.h"
#include "model/reproject.h"
#include "strings/stringtable.h"

#include <QFileInfo>

#include <cstdio>

namespace korvel::cli {
namespace {

constexpr int IDS_NOT_CONVERTED = 1210;  // "%1 Objekte konnten nicht umgerechnet werden ..."

void PrintUsage()
{
    std::fprintf(stderr, "Aufruf: korvel-cli reproject EIN.kvd AUS.kvd --crs N [--copy]\n");
}

// The systems a user can choose, plus 4326 which documents of old file versions carry.
bool IsChoosable(int32_t crs) { return crs == CRS_WGS84 || crs == CRS_LOCAL || !CoordSysName(crs).isEmpty(); }

int Run(const QStringList& args)
{
    QStringList paths;
    bool haveCrs = false;
    bool makeCopy = false;
    int32_t to = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--crs")) {
            if (i + 1 >= args.size()) {
                PrintUsage();
                return 2;
            }
            bool ok = false;
            to = args[++i].toInt(&ok);
            if (!ok || !IsChoosable(to)) {
                std::fprintf(stderr, "Unbekanntes Koordinatensystem: %s\n", qPrintable(args[i]));
                return 2;
            }
            haveCrs = true;
        } else if (args[i] == QLatin1String("--copy")) {
            makeCopy = true;
        } else if (!args[i].startsWith(QLatin1String("--")) && paths.size() < 2) {
            paths << args[i];
        } else {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(args[i]));
            return 2;
        }
    }
    if (paths.size() != 2 || !haveCrs) {
        PrintUsage();
        return 2;
    }
    const QString& inPath = paths[0];
    const QString& outPath = paths[1];
    // Saving over the source would break the promise that it stays as it was.
    const QFileInfo inInfo(inPath);
    const QFileInfo outInfo(outPath);
    if (outInfo.exists() && inInfo.exists() && inInfo.canonicalFilePath() == outInfo.canonicalFilePath()) {
        std::fprintf(stderr, "Quelle und Ziel dürfen nicht dieselbe Datei sein: %s\n", qPrintable(outPath));
        return 2;
    }

    CKorvelDoc doc;
    if (!OpenDocumentOrReport(doc, inPath)) return 2;
    const int32_t from = doc.m_nCoordSys;

    // A relabel (same system, or to or from the local one) never makes a copy, just as in the
    // dialog: the document itself gets the new label.
    CKorvelDoc copy;
    CKorvelDoc* target = &doc;
    if (makeCopy && ChangeConverts(from, to)) {
        copy.OnNewDocument(from);
        if (!CopyObjects(doc, copy)) {
            std::fprintf(stderr, "Die Objekte konnten nicht kopiert werden.\n");
            return 2;
        }
        target = &copy;
    }
    size_t unconverted = 0;
    if (!ReprojectDocument(*target, to, &unconverted)) {
        std::fprintf(stderr, "Das Koordinatensystem %d des Dokuments kann nicht nach %d umgerechnet werden.\n",
                     from, to);
        return 2;
    }

    const KvdStatus status = target->Save(outPath);
    if (status != KvdStatus::Ok) {
        std::fprintf(stderr, "%s\n", qPrintable(FormatString(static_cast<int>(status), outPath)));
        return 2;
    }
    // Written, as the dialog leaves the document; the objects that kept their old
    // coordinates are reported, and the result tells scripts to look at them.
    if (unconverted > 0) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(FormatString(IDS_NOT_CONVERTED, QString::number(unconverted))));
        return 1;
    }
    return 0;
}

const CliCommand reg("reproject",
                     "reproject EIN.kvd AUS.kvd --crs N [--copy] - rechnet ein Dokument in ein anderes "
                     "Koordinatensystem um (mit --copy wie \"Kopie anlegen\")",
                     &Run);

}  // namespace
}  // namespace korvel::cli
