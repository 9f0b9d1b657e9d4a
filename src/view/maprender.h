#pragma once
// The map of a document as a picture: drawn by a map view of the given client size, exactly as
// the view paints it on screen, without window frame, menus or bars. Used by
// `korvel --render` for users and scripted checks.

#include "crs/worldpoint.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace korvel {

class CKorvelDoc;
class CTileFetcher;

// The background tiles of a rendered map.
struct MapRenderTiles {
    QString cacheRoot;               // empty: no tiles are drawn
    CTileFetcher* fetcher = nullptr; // downloads what the cache lacks; null: the cache alone
    int waitMs = 30000;              // the longest wait for the downloads of the picture
    bool timedOut = false;           // set when downloads were still running after waitMs
};

// Renders `doc` at a client area of `size` pixels. With `window` (document units, x east,
// y north) the view shows that rectangle fitted to the client area as SetView fits it;
// without, all objects (the fit-all view). With `tiles` (and a document that shows tiles) the
// picture is drawn once, the downloads it needs are awaited, and it is drawn again from the
// cache. A null image when the size is empty.
QImage RenderMap(CKorvelDoc& doc, QSize size, const WorldRect* window = nullptr, MapRenderTiles* tiles = nullptr);

}  // namespace korvel
