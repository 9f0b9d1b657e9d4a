// korvel-cli dump FILE.kvd: the whole document as JSON on standard output.
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "model/kvdjson.h"
#include "model/kvdrecords.h"
#include "strings/stringtable.h"

#include <QFile>

#include <cstdio>

namespace korvel::cli {

bool OpenDocumentOrReport(CKorvelDoc& doc, const QString& path)
{
    const KvdStatus status = doc.Open(path);
    if (status == KvdStatus::Ok) return true;
    const int id = static_cast<int>(status);
    // The two format messages have no file name in them; name the file in front.
    const QString text = (status == KvdStatus::BadFormat || status == KvdStatus::BadVersion)
                             ? path + QStringLiteral(": ") + LoadString(id)
                             : FormatString(id, path);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return false;
}

namespace {

int Run(const QStringList& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "Aufruf: korvel-cli dump DATEI.kvd\n");
        return 2;
    }
    CKorvelDoc doc;
    if (!OpenDocumentOrReport(doc, args[0])) return 2;

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) return 2;
    CKvdJson json(out);
    json.BeginObject();
    json.Key("version");
    json.Value(doc.m_nVersion);
    json.Key("crs");
    json.Value(doc.m_nCoordSys);
    json.Key("lastPointNo");
    json.Value(doc.m_strLastPointNo);
    json.Key("tileService");
    json.Value(doc.m_nTileService);
    json.Key("root");
    json.BeginObject();
    KvdDescribeObject(json, *doc.m_pRoot);
    json.EndObject();
    json.EndObject();
    if (!json.Flush() || out.write("\n", 1) != 1 || !out.flush()) {
        std::fprintf(stderr, "Die Ausgabe konnte nicht geschrieben werden.\n");
        return 1;
    }
    return 0;
}

const CliCommand reg("dump", "dump DATEI.kvd - gibt das ganze Dokument als JSON aus", &Run);

}  // namespace
}  // namespace korvel::cli
