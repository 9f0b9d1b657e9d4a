#include "cli/kvdcli.h"

#include "strings/stringtable.h"

#include <QFileInfo>

#include <cstdio>

namespace korvel::cli {

void PrintLine(const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); }

bool ParseImportArgs(const QStringList& args, const char* usage, bool (*choosable)(int32_t), ImportArgs* out)
{
    QStringList paths;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--crs")) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "%s\n", usage);
                return false;
            }
            bool ok = false;
            out->crs = args[++i].toInt(&ok);
            if (!ok || !choosable(out->crs)) {
                std::fprintf(stderr, "Unbekanntes Koordinatensystem: %s\n", qPrintable(args[i]));
                return false;
            }
            out->haveCrs = true;
        } else if (args[i].startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "Unbekanntes Argument: %s\n", qPrintable(args[i]));
            return false;
        } else {
            paths << args[i];
        }
    }
    if (paths.size() < 2) {
        std::fprintf(stderr, "%s\n", usage);
        return false;
    }
    out->document = paths.takeFirst();
    out->files = paths;
    return true;
}

bool OpenImportDocument(CKorvelDoc& doc, const ImportArgs& args, bool* created)
{
    *created = !QFileInfo::exists(args.document);
    if (*created) {
        doc.OnNewDocument(args.haveCrs ? args.crs : 0);
        return true;
    }
    if (!OpenDocumentOrReport(doc, args.document)) return false;
    if (args.haveCrs && args.crs != doc.m_nCoordSys) {
        std::fprintf(stderr, "Das Dokument hat bereits das Koordinatensystem %d; --crs gilt nur für neue Dokumente.\n",
                     doc.m_nCoordSys);
        return false;
    }
    return true;
}

int FinishImport(CKorvelDoc& doc, const QString& docPath, bool changed, bool anyFileFailed)
{
    if (changed) {
        const KvdStatus status = doc.Save(docPath);
        if (status != KvdStatus::Ok) {
            PrintLine(FormatString(static_cast<int>(status), docPath));
            return 2;
        }
    }
    return anyFileFailed ? 1 : 0;
}

}  // namespace korvel::cli
