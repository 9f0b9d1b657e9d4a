#pragma once
// GTile: one web-map tile as a map object, and GTileList, the list of tiles a view keeps from
// one paint to the next. A tile holds its decoded picture in memory, ready for drawing (white
// already made transparent), so a tile drawn again or reused by the next paint never touches
// the disk; a tile without a picture kept in a list is a placeholder for a tile missing from
// the cache. LoadTile fills a tile from the disk cache or asks the fetcher to download it.

#include "imagery/gimg.h"
#include "imagery/tilemath.h"
#include "model/glist.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace korvel {

class CTileFetcher;

// A decoded tile picture: premultiplied ARGB words, pure white turned into transparent 0.
struct CTilePicture {
    std::vector<uint32_t> argb;
    int32_t width = 0;
    int32_t height = 0;
    bool opaque = false;  // no transparent pixel

    ArgbPixels Pixels() const { return ArgbPixels{argb.data(), width, height, opaque}; }
};

// Cache files larger than this are no tiles of ours (the fetcher refuses bigger answers).
inline constexpr int64_t kMaxTileFileBytes = int64_t(4) << 20;
// Decoded tiles are 256 or 512 pixels square; a picture above this many pixels is refused
// rather than given the memory it asks for.
inline constexpr int64_t kMaxTilePixels = int64_t(4096) * 4096;

// Decodes the bytes of a tile file (PNG, JPEG or TIFF, whatever its name says) into a
// picture, white transparent. Null when they do not decode.
std::shared_ptr<const CTilePicture> DecodeTilePicture(std::span<const uint8_t> data);

class GTile : public GImg {
public:
    static const GRuntimeClass classGTile;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGTile; }

    GTile() = default;
    explicit GTile(const TileKey& key) : m_key(key) {}

    // Clones share the decoded picture.
    GClone* Clone(GClone* target = nullptr) const override;
    // Bounds and reference point from the key (TileBounds).
    void CalcBounds() override;
    // The part of the picture inside `clip`, placed and snapped as an image is drawn, white
    // transparent; then the selection frame. Nothing of the picture when not loaded.
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    uint32_t GetType() const override { return GT_TILE; }
    // Tiles are placed by their key, never by a world file.
    bool ReadWorldFile() override { return false; }

    // Decodes the cache file `path` into memory: m_bLoaded, m_nWidth, m_nHeight and m_strPath
    // follow; the bounds come from the key. False (not loaded, no picture) when the file is
    // missing, larger than kMaxTileFileBytes or does not decode.
    bool LoadFile(const QString& path);

    // The decoded picture (null when not loaded).
    const CTilePicture* Picture() const { return m_pPicture.get(); }

    TileKey m_key;

private:
    std::shared_ptr<const CTilePicture> m_pPicture;
};

// The tile list of a view: ordered by ascending zoom level (equal levels in insertion order),
// owning its tiles.
class GTileList : public GList {
public:
    static const GRuntimeClass classGTileList;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGTileList; }

    GClone* Clone(GClone* target = nullptr) const override;

    // Inserts `tile` before the first tile of a greater zoom level, or at the end; the list
    // then owns it. False for null (or when memory runs out; the caller keeps the tile).
    virtual bool InsertByZoom(GTile* tile);
    // Takes the first tile whose key equals `key` out of the list; the caller owns it. Null
    // when there is none.
    virtual GTile* TakeTile(const TileKey& key);
    // Takes the first member out of the list; the caller owns it. Null when the list is empty.
    virtual GTile* RemoveHead();

private:
    GObj* HandOut(GObj* member);
};

// What LoadTile did.
inline constexpr int kTileNoCacheFolder = 0;   // the cache folder cannot be created
inline constexpr int kTileDownloaded = 1;      // (fetcher's report: the body is in the cache)
inline constexpr int kTileFromCache = 2;       // decoded from the cache
inline constexpr int kTileDownloading = 3;     // asked the fetcher; tileFinished reports
inline constexpr int kTileUndecodable = -1;    // downloaded, but the answer is no picture
inline constexpr int kTileMissing = -2;        // not in the cache and not downloadable now
inline constexpr int kTileNetworkFailure = -3; // (fetcher's report: the server is unreachable)

// Fills `tile` for `key`: stores the key, decodes the cache file under `cacheRoot` (result 2);
// with `cacheOnly`, or without a fetcher, a tile not in the cache (or whose cache file does not
// decode) gives -2; otherwise the fetcher is asked for it (result 3) and reports by its
// tileFinished signal. 0 when the cache folder cannot be created; in every other case the
// tile's bounds are computed. `fetcher` must write into the same `cacheRoot`.
int LoadTile(GTile& tile, const TileKey& key, const QString& cacheRoot, bool cacheOnly, CTileFetcher* fetcher);

// Registers GTile and GTileList with the object stream (RegisterImageryClasses does).
void RegisterTileClasses();

}  // namespace korvel
