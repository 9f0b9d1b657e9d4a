#pragma once
// CTileLayer: the background tile layer of one map view. It keeps the view's tile list (the
// tiles of the last paint, loaded ones and placeholders for missing ones) and runs the tile
// loop for every paint: it finds the tiles that cover the area being painted, reuses those in
// memory, decodes the others from the disk cache, and asks the fetcher to download what is
// missing. Downloads never block a paint: the loop draws a coarser cached tile in place of a
// missing one (same service, then OpenStreetMap) and, when a download arrives, has the view
// repaint that tile's area, which then comes from the cache.
//
// Rules a user can see:
// - only a full repaint (the whole client area) downloads; partial repaints and printing use
//   the cache alone and keep the tiles they do not need;
// - a tile the server refused (404 and the like) stays a known-missing placeholder and is
//   asked for again only after a full repaint that did not need it (panned away and back);
// - a network failure cancels the downloads still waiting; the next full repaint tries again;
// - a screen paint that has worked for a while on the cache gives way to the event loop, so
//   that a wheel turn or a key waiting meanwhile is handled first; the tiles drawn so far stay
//   in the list and the rest follows in the next paint (objects are left out until then);
// - a paint cycle that takes longer than a second shows the busy cursor.

#include "imagery/tilemath.h"
#include "model/pixel.h"
#include "model/viewtransform.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QRect;

namespace korvel {

class CKorvelView;
class CTileFetcher;
class GTile;
class GTileList;
struct TilePaintRequest;

class CTileLayer : public QObject {
    Q_OBJECT
public:
    // Tiles are looked for under `cacheRoot` and downloaded by `fetcher` (which writes there);
    // without a fetcher the layer uses the cache alone. The fetcher may be shared by several
    // layers and may go away before them.
    CTileLayer(CTileFetcher* fetcher, QString cacheRoot, QObject* parent = nullptr);
    ~CTileLayer() override;

    // The tile loop for one paint (the view's tile layer hook): answers true when it gave way
    // to the event loop before covering the whole clip.
    bool Paint(const TilePaintRequest& request);

    // Called with the screen pixel area of a tile whose download has arrived.
    std::function<void(const PixelRect&)> invalidate;

    // How long (ms) a screen paint may work on the cache before it gives way; negative: never
    // (pictures rendered for files must be complete).
    void SetSliceMs(int ms) { m_nSliceMs = ms; }
    // How long (ms) a paint cycle may take before the busy cursor shows; negative: never.
    void SetBusyAfterMs(int ms) { m_nBusyAfterMs = ms; }
    // With false the layer never downloads (cache only).
    void SetDownloadsAllowed(bool allowed) { m_bDownloadsAllowed = allowed; }

    // The view's tile list (null before the first paint).
    const GTileList* Tiles() const { return m_pTiles.get(); }
    // The tile of `key` in the view's list, or null.
    const GTile* FindTile(const TileKey& key) const;
    // Whether `key` is in the view's list as a placeholder whose download was refused.
    bool IsKnownMissing(const TileKey& key) const;
    // Downloads this layer waits for.
    int Downloading() const;

private slots:
    void OnTileFinished(const korvel::TileKey& key, int result);

private:
    class Loop;

    void EndBusyCursor();

    QPointer<CTileFetcher> m_pFetcher;
    QString m_strCacheRoot;
    std::unique_ptr<GTileList> m_pTiles;
    int m_nSliceMs = 100;
    int m_nBusyAfterMs = 1000;
    bool m_bDownloadsAllowed = true;
    // The screen mapping and zoom level of the last screen paint, to place arriving tiles.
    ViewTransform m_lastScreen;
    int m_nLastZoom = 0;
    int m_nLastService = 0;
    // A paint cycle runs from the first paint after a complete one to the next complete one.
    bool m_bInCycle = false;
    QElapsedTimer m_cycleClock;
    bool m_bBusy = false;
};

// Gives `view` a tile layer of its own (a child of the view) that downloads through `fetcher`
// into `cacheRoot`, and has arriving tiles repaint the view.
CTileLayer* InstallTileLayer(CKorvelView& view, CTileFetcher* fetcher, const QString& cacheRoot);

// The credit of the tile service whose tiles are shown, in the lower right corner of `area`:
// small dark text on a half-transparent white box. `dpi` sizes it for the device (screen or
// printer).
void DrawTileAttribution(QPainter& painter, const QRect& area, const QString& text, double dpi);

}  // namespace korvel
