// korvel-cli info FILE.kvd: a short German summary of a document (system, objects per kind,
// extent).
#include "cli/clicommand.h"
#include "cli/kvdcli.h"
#include "model/glist.h"
#include "model/kvdrecords.h"

#include <cstdio>
#include <map>
#include <vector>

namespace korvel::cli {
namespace {

struct Kind {
    uint32_t type;
    const char* label;
};
constexpr Kind kKinds[] = {
    {GT_POINT, "Punkte"},  {GT_TEXT, "Texte"},  {GT_POLYLINE, "Linien"}, {GT_POLYGON, "Flächen"},
    {GT_IMG, "Bilder"},    {GT_TILE, "Kacheln"}, {GT_LIST, "Listen"},
};

const char* ServiceName(int32_t service)
{
    switch (service) {
    case 0: return "keine";
    case 1: return "Google Maps";
    case 2: return "OpenStreetMap";
    case 3: return "Virtual Earth (Satellit)";
    case 4: return "Virtual Earth (Karte)";
    default: return "unbekannt";
    }
}

// Counts every object of the tree (all nested lists, not only the leading ones).
void Count(const GList& root, std::map<uint32_t, uint64_t>& counts)
{
    std::vector<const GList*> pending{&root};
    while (!pending.empty()) {
        const GList* list = pending.back();
        pending.pop_back();
        for (GList::Position p = list->m_list.GetHeadPosition(); p;) {
            const GObj* o = GList::NextMember(p);
            ++counts[o->GetType()];
            if (o->GetType() >= GT_LIST && o->IsKindOf(&GList::classGList)) pending.push_back(static_cast<const GList*>(o));
        }
    }
}

int Run(const QStringList& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "Aufruf: korvel-cli info DATEI.kvd\n");
        return 2;
    }
    CKorvelDoc doc;
    if (!OpenDocumentOrReport(doc, args[0])) return 2;

    std::map<uint32_t, uint64_t> counts;
    Count(*doc.m_pRoot, counts);
    uint64_t total = 0;
    for (const auto& [type, n] : counts) total += n;

    std::printf("Datei: %s\n", qPrintable(args[0]));
    std::printf("Dateiversion: %u.%u\n", doc.m_nVersion >> 16, doc.m_nVersion & 0xFFFF);
    std::printf("Koordinatensystem: %d\n", doc.m_nCoordSys);
    std::printf("Hintergrundkarte: %s\n", ServiceName(doc.m_nTileService));
    std::printf("Letzte Punktnummer: %s\n",
                doc.m_strLastPointNo.isEmpty() ? "-" : qPrintable(doc.m_strLastPointNo));
    std::printf("Objekte: %llu\n", static_cast<unsigned long long>(total));
    for (const Kind& k : kKinds) {
        const auto it = counts.find(k.type);
        if (it != counts.end()) std::printf("  %s: %llu\n", k.label, static_cast<unsigned long long>(it->second));
        if (it != counts.end()) counts.erase(it);
    }
    uint64_t others = 0;
    for (const auto& [type, n] : counts) others += n;
    if (others) std::printf("  Sonstige: %llu\n", static_cast<unsigned long long>(others));
    const WorldRect& r = doc.m_pRoot->m_rcBounds;
    if (r.IsEmpty()) {
        std::printf("Ausdehnung: leer\n");
    } else {
        std::printf("Ausdehnung: %.3f %.3f bis %.3f %.3f (Breite %.3f, Höhe %.3f)\n", r.minX, r.minY, r.maxX, r.maxY,
                    r.maxX - r.minX, r.maxY - r.minY);
    }
    return 0;
}

const CliCommand reg("info", "info DATEI.kvd - zeigt eine Übersicht eines Dokuments", &Run);

}  // namespace
}  // namespace korvel::cli
