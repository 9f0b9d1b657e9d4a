// korvel-cli new FILE.kvd [--crs N]: writes an empty document.
#include "cli/clicommand.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

#include <cstdio>

namespace korvel::cli {
namespace {

int Run(const QStringList& args)
{
    QString path;
    int32_t crs = 4326;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--crs") && i + 1 < args.size()) {
            bool ok = false;
            crs = args[++i].toInt(&ok);
            if (!ok) {
                std::fprintf(stderr, "Ungültiges Koordinatensystem: %s\n", qPrintable(args[i]));
                return 2;
            }
        } else if (path.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            path = args[i];
        } else {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(args[i]));
            return 2;
        }
    }
    if (path.isEmpty()) {
        std::fprintf(stderr, "Aufruf: korvel-cli new DATEI.kvd [--crs N]\n");
        return 2;
    }
    CKorvelDoc doc;
    doc.OnNewDocument(crs);
    const KvdStatus status = doc.Save(path);
    if (status != KvdStatus::Ok) {
        std::fprintf(stderr, "%s\n", qPrintable(FormatString(static_cast<int>(status), path)));
        return 2;
    }
    return 0;
}

const CliCommand reg("new", "new DATEI.kvd [--crs N] - legt ein leeres Dokument an (Standard 4326)", &Run);

}  // namespace
}  // namespace korvel::cli
