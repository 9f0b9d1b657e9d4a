#include "app/tilecommands.h"

#include "crs/transform.h"
#include "imagery/tilemath.h"
#include "model/korveldoc.h"
#include "strings/stringtable.h"

namespace korvel {
namespace {

// "\"OpenStreetMap\", \"Google Maps\" und \"Virtual Earth\" können nur mit dem
// Koordinatensystem \"WGS84\" genutzt werden!"
constexpr int IDS_TILES_NEED_WGS84 = 2101;
constexpr int IDS_CAPTION_DISCLAIMER = 2102;  // "Haftungsausschluss"
constexpr int IDS_DISCLAIMER_GOOGLE = 2103;
constexpr int IDS_DISCLAIMER_VIRTUAL_EARTH = 2104;

QString& CacheRootOverride()
{
    static QString root;
    return root;
}

}  // namespace

int TileServiceOfCommand(int id)
{
    return id >= ID_TILES_GOOGLE && id <= ID_TILES_VE_ROAD ? id - ID_TILES_GOOGLE + 1 : 0;
}

bool TileServiceChecked(const CKorvelDoc* doc, int service)
{
    return doc && doc->m_nCoordSys == CRS_WEBMERCATOR && doc->m_nTileService == service;
}

bool SwitchTileService(CKorvelDoc& doc, int service)
{
    if (doc.m_nCoordSys != CRS_WEBMERCATOR) {
        ShowMessage(IDS_TILES_NEED_WGS84, IDS_CAPTION_NOTE, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    const int before = doc.m_nTileService;
    int after = service;
    if (service == before) {
        after = 0;
    } else if (service != kTileServiceOsm) {
        // The services whose terms the user must know about are asked for every time.
        const int text = service == kTileServiceGoogle ? IDS_DISCLAIMER_GOOGLE : IDS_DISCLAIMER_VIRTUAL_EARTH;
        if (ShowMessage(text, IDS_CAPTION_DISCLAIMER, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    }
    doc.m_nTileService = after;
    if ((before != 0) != (after != 0)) doc.SetModifiedFlag(true);
    doc.UpdateObject(nullptr, true);
    return true;
}

QString ProgramTileCacheRoot()
{
    const QString& root = CacheRootOverride();
    return root.isEmpty() ? DefaultTileCacheRoot() : root;
}

void SetProgramTileCacheRoot(const QString& root) { CacheRootOverride() = root; }

}  // namespace korvel
