#include "view/tilelayer.h"

#include "crs/transform.h"
#include "imagery/gtile.h"
#include "imagery/tilefetch.h"
#include "model/gview.h"
#include "view/korvelview.h"

#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace korvel {
namespace {

// Why a tile without a picture is in the list.
enum class Absence : uint8_t {
    NotAsked,     // not in the cache when only the cache could be asked
    Downloading,  // the fetcher is getting it
    Refused,      // the server answered without a tile: asked again only after it left the list
};

// The tiles of a layer's lists: a GTile that remembers why it has no picture, and draws
// itself over the layer's background.
class CLayerTile : public GTile {
public:
    explicit CLayerTile(const TileKey& key) : GTile(key) {}

    // Tiles lie on the layer's solid background and never on each other, so where a tile is
    // transparent the background colour shows and nothing else. Drawn again as a picture made
    // opaque once against that colour, a tile is a plain copy instead of a blend: a quarter of
    // the time of a repaint from memory. (The first drawing blends: making the opaque picture
    // costs more than one blend.)
    void DrawOver(GView& view, Canvas& dc, const PixelRect& clip, COLORREF background)
    {
        const CTilePicture* pic = Picture();
        if (!m_bLoaded || !pic || !clip.HasArea()) return;
        if (pic->opaque || !m_bDrawnBefore) {
            m_bDrawnBefore = true;
            Draw(view, &dc, clip);
            return;
        }
        if (m_opaque.size() != pic->argb.size() || m_opaqueOn != background) {
            m_opaque.resize(pic->argb.size());
            m_opaqueOn = background;
            const uint32_t r = background & 0xFF;
            const uint32_t g = (background >> 8) & 0xFF;
            const uint32_t b = (background >> 16) & 0xFF;
            const uint32_t ground = 0xFF000000u | r << 16 | g << 8 | b;
            for (size_t i = 0; i < m_opaque.size(); ++i) {
                // Premultiplied source over the background; tiles hold almost only opaque
                // pixels and the transparent white.
                const uint32_t c = pic->argb[i];
                if (c >> 24 == 0xFF || c == 0) {
                    m_opaque[i] = c ? c : ground;
                    continue;
                }
                const uint32_t rest = 255 - (c >> 24);
                const uint32_t cr = ((c >> 16) & 0xFF) + (r * rest + 127) / 255;
                const uint32_t cg = ((c >> 8) & 0xFF) + (g * rest + 127) / 255;
                const uint32_t cb = (c & 0xFF) + (b * rest + 127) / 255;
                m_opaque[i] = 0xFF000000u | cr << 16 | cg << 8 | cb;
            }
        }
        const ViewTransform vt = view.GetViewTransform();
        const ArgbPixels pixels{m_opaque.data(), pic->width, pic->height, true};
        ForEachPictureCopy(vt, vt.DeviceScale(), m_rcBounds, pic->width, pic->height, clip,
                           [&](const PixelRect& block, const PixelRect& dest) { dc.StretchArgb(pixels, block, dest, clip); });
    }

    Absence absence = Absence::NotAsked;

private:
    std::vector<uint32_t> m_opaque;  // the picture over m_opaqueOn
    COLORREF m_opaqueOn = 0;
    bool m_bDrawnBefore = false;
};

CLayerTile* AsLayerTile(GTile* tile) { return static_cast<CLayerTile*>(tile); }

// The map objects' view of one paint: the mapping of the request, nothing else.
class RequestView : public GView {
public:
    RequestView(const ViewTransform& t, Canvas* c) : m_transform(t), m_pCanvas(c) {}
    ViewTransform GetViewTransform() const override { return m_transform; }
    Canvas* GetWindowCanvas() override { return m_pCanvas; }

private:
    ViewTransform m_transform;
    Canvas* m_pCanvas;
};

// Longitude and latitude (degrees) of a document point; false when it cannot be converted.
bool ToLonLat(WorldPoint p, int crs, double* lon, double* lat)
{
    CoordTransform params{1, crs, CRS_WGS84};
    if (!TransformPoint(&p, &params)) return false;
    *lon = p.x;
    *lat = p.y;
    return true;
}

// The world point of a pixel corner (document units).
WorldPoint CornerToWorld(const ViewTransform& t, int px, int py)
{
    const double s = t.DeviceScale();
    return WorldPoint{px * s + t.x0, t.y0 - py * s};
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b)
{
    return PixelRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
}

}  // namespace

// The state of one run of the tile loop.
class CTileLayer::Loop {
public:
    Loop(CTileLayer& layer, const TilePaintRequest& req, GTileList* viewList, GTileList& work, bool download)
        : m_layer(layer), m_req(req), m_pViewList(viewList), m_work(work), m_bDownload(download),
          m_gview(req.transform, req.canvas)
    {
    }

    // Resolves and draws one tile of the clip.
    void Tile(const TileKey& key)
    {
        GTile* fromView = m_pViewList ? m_pViewList->TakeTile(key) : nullptr;
        GTile* fromWork = m_work.TakeTile(key);
        if (fromView && fromWork) delete fromWork;
        CLayerTile* tile = AsLayerTile(fromView ? fromView : fromWork);

        if (tile && tile->m_bLoaded) {
            if (!m_work.InsertByZoom(tile)) {
                delete tile;
                return;
            }
            tile->DrawOver(m_gview, *m_req.canvas, m_req.clip, m_req.background);
            return;
        }
        // A download the fetcher no longer runs (cancelled meanwhile) counts as never asked.
        if (tile && tile->absence == Absence::Downloading && !(m_layer.m_pFetcher && m_layer.m_pFetcher->IsPending(key)))
            tile->absence = Absence::NotAsked;
        if (!tile || (tile->absence == Absence::NotAsked && m_bDownload)) {
            if (!tile) tile = new (std::nothrow) CLayerTile(key);
            if (!tile) return;  // no memory: the key is skipped
            ++m_nLoads;
            const int result = LoadTile(*tile, key, m_layer.m_strCacheRoot, !m_bDownload,
                                        m_bDownload ? m_layer.m_pFetcher.data() : nullptr);
            if (result == kTileNoCacheFolder) {
                Substitute(key);
                delete tile;
                return;
            }
            if (result == kTileFromCache) {
                if (!m_work.AddTail(tile)) {
                    delete tile;
                    return;
                }
                tile->DrawOver(m_gview, *m_req.canvas, m_req.clip, m_req.background);
                return;
            }
            tile->absence = result == kTileDownloading ? Absence::Downloading : Absence::NotAsked;
        }
        Substitute(key);
        if (!m_work.AddTail(tile)) delete tile;
    }

    // Tiles resolved from the cache or asked for in this paint (not those reused from memory).
    int Loads() const { return m_nLoads; }

private:
    // Draws the nearest coarser cached tile in the place of the missing tile `key`: the same
    // service first, then OpenStreetMap from the same zoom level down.
    void Substitute(const TileKey& key)
    {
        double lon = 0;
        double lat = 0;
        if (!ToLonLat(TileBounds(key).centre, CRS_WEBMERCATOR, &lon, &lat)) return;
        GTile* found = Search(lon, lat, key.z - 1, key.service);
        if (!found && key.service != kTileServiceOsm) found = Search(lon, lat, key.z, kTileServiceOsm);
        if (!found) return;
        const PixelRect place = m_req.transform.ToPixel(TileBounds(key).bounds, m_req.transform.DeviceScale());
        PixelRect clip = Intersect(place, m_req.clip);
        if (!clip.HasArea()) clip = m_req.clip;
        if (!m_work.AddTail(found)) {
            delete found;
            return;
        }
        AsLayerTile(found)->DrawOver(m_gview, *m_req.canvas, clip, m_req.background);
    }

    // Zoom levels `from` down to 1 of `service` at lon, lat: the first one loaded in memory or
    // in the cache (the caller owns it), or null.
    GTile* Search(double lon, double lat, int from, int service)
    {
        for (int k = from; k >= 1; --k) {
            const std::optional<TileKey> key = TileForPoint(lon, lat, k, service);
            if (!key) return nullptr;
            GTile* tile = m_pViewList ? m_pViewList->TakeTile(*key) : nullptr;
            if (!tile) tile = m_work.TakeTile(*key);
            if (tile) {
                if (tile->m_bLoaded) return tile;
                delete tile;  // a placeholder: not in the cache a moment ago
                continue;
            }
            auto* fresh = new (std::nothrow) CLayerTile(*key);
            if (!fresh) continue;
            const int result = LoadTile(*fresh, *key, m_layer.m_strCacheRoot, true, nullptr);
            if (result == kTileFromCache) return fresh;
            if (result != kTileMissing || !m_work.AddTail(fresh)) delete fresh;
        }
        return nullptr;
    }

    CTileLayer& m_layer;
    const TilePaintRequest& m_req;
    GTileList* m_pViewList;
    GTileList& m_work;
    bool m_bDownload;
    RequestView m_gview;
    int m_nLoads = 0;
};

CTileLayer::CTileLayer(CTileFetcher* fetcher, QString cacheRoot, QObject* parent)
    : QObject(parent), m_pFetcher(fetcher), m_strCacheRoot(std::move(cacheRoot))
{
    if (fetcher) connect(fetcher, &CTileFetcher::tileFinished, this, &CTileLayer::OnTileFinished);
}

CTileLayer::~CTileLayer() { EndBusyCursor(); }

const GTile* CTileLayer::FindTile(const TileKey& key) const
{
    if (!m_pTiles) return nullptr;
    for (GList::Position p = m_pTiles->m_list.GetHeadPosition(); p;) {
        const auto* tile = static_cast<const GTile*>(GList::NextMember(p));
        if (tile->m_key == key) return tile;
    }
    return nullptr;
}

bool CTileLayer::IsKnownMissing(const TileKey& key) const
{
    const GTile* tile = FindTile(key);
    return tile && !tile->m_bLoaded && static_cast<const CLayerTile*>(tile)->absence == Absence::Refused;
}

int CTileLayer::Downloading() const
{
    int n = 0;
    if (!m_pTiles) return n;
    for (GList::Position p = m_pTiles->m_list.GetHeadPosition(); p;) {
        const auto* tile = static_cast<const CLayerTile*>(GList::NextMember(p));
        n += !tile->m_bLoaded && tile->absence == Absence::Downloading;
    }
    return n;
}

void CTileLayer::EndBusyCursor()
{
    if (!m_bBusy) return;
    m_bBusy = false;
    QGuiApplication::restoreOverrideCursor();
}

bool CTileLayer::Paint(const TilePaintRequest& req)
{
    const int service = req.service;
    if (!req.canvas || service <= kTileServiceNone || service >= kTileServiceCount || !req.clip.HasArea()) return false;

    // A full repaint starts a new working list and may download; any other paint (printing
    // too) takes the view's list over and uses the cache alone.
    const bool full = !req.printing && req.clip == req.client;
    const bool download = full && m_bDownloadsAllowed && m_pFetcher;
    std::unique_ptr<GTileList> viewList;
    std::unique_ptr<GTileList> work;
    if (full) {
        viewList = std::move(m_pTiles);
        work.reset(new (std::nothrow) GTileList);
    } else {
        work = std::move(m_pTiles);
        if (!work) work.reset(new (std::nothrow) GTileList);
    }
    if (!work) {
        m_pTiles = std::move(viewList);
        return false;
    }

    // The zoom level from the longitude span of the whole client area.
    const ViewTransform& t = req.transform;
    double west = 0, south = 0, east = 0, north = 0, lon1 = 0, lat1 = 0, lon2 = 0, lat2 = 0;
    const bool span = ToLonLat(CornerToWorld(t, req.client.left, req.client.bottom), req.crs, &lon1, &lat1) &&
                      ToLonLat(CornerToWorld(t, req.client.right, req.client.top), req.crs, &lon2, &lat2);
    // The clip's corners, clamped to the tiled world.
    const bool clipped = span && ToLonLat(CornerToWorld(t, req.clip.left, req.clip.bottom), req.crs, &west, &south) &&
                         ToLonLat(CornerToWorld(t, req.clip.right, req.clip.top), req.crs, &east, &north);
    const int z = span ? TileZoomForSpan(std::fabs(lon2 - lon1), service) : 0;
    if (!req.printing) {
        m_lastScreen = t;
        m_nLastZoom = z;
        m_nLastService = service;
    }
    west = std::clamp(west, -180.0, 180.0);
    east = std::clamp(east, -180.0, 180.0);
    north = std::clamp(north, -kTileMaxLat, kTileMaxLat);
    south = std::clamp(south, -kTileMaxLat, kTileMaxLat);
    const std::optional<TileKey> startKey = clipped ? TileForPoint(west, north, z, service) : std::nullopt;
    const TileKey start = startKey.value_or(TileKey{});

    // The layer is the whole background: the window's colour under the tiles, whose white is
    // transparent, and where no tile is.
    req.canvas->FillSolidRect(req.clip, req.background);

    QElapsedTimer paintClock;
    paintClock.start();
    if (!m_bInCycle) {
        m_bInCycle = true;
        m_cycleClock.start();
    }
    const bool mayGiveWay = !req.printing && m_nSliceMs >= 0;
    bool interrupted = false;
    Loop loop(*this, req, viewList.get(), *work, download);
    if (startKey) {
        const int64_t n = int64_t(1) << start.z;
        for (int32_t y = start.y; y < n && !interrupted; ++y) {
            double tileSouth = -kTileMaxLat;
            for (int32_t x = start.x; x < n; ++x) {
                if (!m_bBusy && !req.printing && m_nBusyAfterMs >= 0 && m_cycleClock.elapsed() >= m_nBusyAfterMs) {
                    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
                    m_bBusy = true;
                }
                const TileKey key{x, y, start.z, service};
                loop.Tile(key);
                double tileWest = 0, tileEast = 0, tileNorth = 0;
                TileLonLatBounds(key, &tileWest, &tileSouth, &tileEast, &tileNorth);
                // Each paint resolves at least one tile, so the paints that follow get on.
                interrupted = mayGiveWay && loop.Loads() > 0 && paintClock.elapsed() >= m_nSliceMs;
                if (interrupted || !(east > tileEast)) break;
            }
            if (!(tileSouth > south)) break;
        }
    }

    if (interrupted) {
        // The drawn tiles join what the view still holds, for the paint that continues.
        if (viewList) {
            while (GTile* tile = work->RemoveHead()) {
                if (!viewList->AddTail(tile)) delete tile;
            }
            m_pTiles = std::move(viewList);
        } else {
            m_pTiles = std::move(work);
        }
        return true;
    }
    // Tiles this paint did not use go now.
    m_pTiles = std::move(work);
    m_bInCycle = false;
    EndBusyCursor();
    return false;
}

void CTileLayer::OnTileFinished(const TileKey& key, int result)
{
    if (result == kTileNetworkFailure) {
        // The server cannot be reached: what still waits would only wait for the same. The
        // tiles are asked for again by the next full repaint.
        if (m_pFetcher) m_pFetcher->CancelAll();
        if (!m_pTiles) return;
        for (GList::Position p = m_pTiles->m_list.GetHeadPosition(); p;) {
            auto* tile = static_cast<CLayerTile*>(GList::NextMember(p));
            if (!tile->m_bLoaded && tile->absence == Absence::Downloading) tile->absence = Absence::NotAsked;
        }
        return;
    }
    const GTile* found = FindTile(key);
    if (!found || found->m_bLoaded) return;
    auto* tile = static_cast<CLayerTile*>(m_pTiles->TakeTile(key));
    if (result != kTileDownloaded) {
        if (tile->absence == Absence::Downloading) tile->absence = Absence::Refused;
        if (!m_pTiles->AddTail(tile)) delete tile;
        return;
    }
    // The placeholder goes; the repaint of its area finds the tile in the cache.
    const WorldRect bounds = TileBounds(key).bounds;
    delete tile;
    if (key.z == m_nLastZoom && key.service == m_nLastService && invalidate) invalidate(m_lastScreen.ToScreen(bounds));
}

CTileLayer* InstallTileLayer(CKorvelView& view, CTileFetcher* fetcher, const QString& cacheRoot)
{
    auto* layer = new CTileLayer(fetcher, cacheRoot, &view);
    layer->invalidate = [&view](const PixelRect& r) { view.InvalidatePixels(r, false); };
    view.SetTileLayerHook([layer](const TilePaintRequest& req) { return layer->Paint(req); });
    return layer;
}

void DrawTileAttribution(QPainter& painter, const QRect& area, const QString& text, double dpi)
{
    if (text.isEmpty() || area.isEmpty()) return;
    painter.save();
    QFont font = painter.font();
    // About 7.5 points whatever the device: small, but readable on screen and paper.
    font.setPixelSize(std::max(1, int(std::lround(7.5 * dpi / 72.0))));
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const int pad = std::max(1, metrics.height() / 4);
    const QSize size(metrics.horizontalAdvance(text) + 2 * pad, metrics.height() + pad);
    const QRect box(area.right() + 1 - size.width(), area.bottom() + 1 - size.height(), size.width(), size.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 180));
    painter.drawRect(box);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

}  // namespace korvel
