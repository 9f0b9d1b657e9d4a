#include "imagery/gtile.h"

#include "imagery/dib.h"
#include "imagery/imagedecode.h"
#include "imagery/tilefetch.h"
#include "model/archive.h"
#include "model/gview.h"
#include "model/kvdjson.h"
#include "model/kvdrecords.h"
#include "model/kvdstream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <new>

namespace korvel {
namespace {

GRootObject* CreateGTile() { return new (std::nothrow) GTile; }
GRootObject* CreateGTileList() { return new (std::nothrow) GTileList; }

// Opaque colour, or 0 for pure white.
inline uint32_t TileWord(uint32_t rgb)
{
    rgb &= 0x00FFFFFFu;
    return rgb == 0x00FFFFFFu ? 0u : 0xFF000000u | rgb;
}

// Decodes into one buffer kept for the thread and reused by every tile: a fresh quarter
// megabyte per tile would cost more in page faults than the conversion that follows.
class CTileDibSink : public DibSink {
public:
    ~CTileDibSink() override
    {
        // A rare large picture does not keep its memory.
        if (Scratch().capacity() > (size_t(4) << 20)) std::vector<uint8_t>().swap(Scratch());
    }
    uint8_t* Begin(const DibFormat& format) override
    {
        const uint64_t size = format.ImageSize();
        if (size == 0 || format.colors.size() > 256 || int64_t(format.width) * format.height > kMaxTilePixels) return nullptr;
        try {
            Scratch().assign(size_t(size), 0);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        m_format = format;
        m_bStarted = true;
        return Scratch().data();
    }
    DibPixels Pixels() const
    {
        if (!m_bStarted) return DibPixels{};
        return DibPixels{Scratch().data(), m_format.width, m_format.height, int32_t(m_format.Stride()),
                         !m_format.topDown, m_format.bitCount, m_format.colors};
    }

private:
    static std::vector<uint8_t>& Scratch()
    {
        thread_local std::vector<uint8_t> buffer;
        return buffer;
    }

    DibFormat m_format;
    bool m_bStarted = false;
};

// One row of blue, green, red bytes as words: opaque colours, pure white as 0. Answers the
// AND of the words (its top byte is 0xFF when none was white).
uint32_t ConvertRow24(const uint8_t* in, uint32_t* out, int32_t width)
{
    uint32_t all = 0xFFFFFFFFu;
    // Four bytes read per pixel (the fourth belongs to the next one), so not for the last.
    for (int32_t x = 0; x + 1 < width; ++x) {
        uint32_t v;
        std::memcpy(&v, in + ptrdiff_t(x) * 3, 4);
        const uint32_t rgb = v & 0x00FFFFFFu;
        const uint32_t keep = 0u - uint32_t(rgb != 0x00FFFFFFu);
        out[x] = (rgb | 0xFF000000u) & keep;
        all &= out[x];
    }
    if (width > 0) {
        const uint8_t* p = in + ptrdiff_t(width - 1) * 3;
        out[width - 1] = TileWord(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
        all &= out[width - 1];
    }
    return all;
}

bool StartsWith(std::span<const uint8_t> data, std::initializer_list<uint8_t> magic)
{
    return data.size() >= magic.size() && std::memcmp(data.data(), magic.begin(), magic.size()) == 0;
}

void WriteKey(CKvdWriter& out, const TileKey& key)
{
    out.WriteInt32(key.x);
    out.WriteInt32(key.y);
    out.WriteInt32(key.z);
    out.WriteInt32(key.service);
}

void WriteGTile(CKvdWriter& out, const GRootObject& obj)
{
    const auto& tile = static_cast<const GTile&>(obj);
    KvdWriteImgRecord(out, tile);
    WriteKey(out, tile.m_key);
}

void ReadGTile(CKvdReader& in, GRootObject& obj)
{
    auto& tile = static_cast<GTile&>(obj);
    // The image record, read without GImg's loading: a tile decodes its cache file itself.
    KvdReadObjRecord(in, tile);
    tile.m_nWidth = in.ReadInt32();
    tile.m_nHeight = in.ReadInt32();
    tile.m_strPath = in.ReadString();
    tile.m_key.x = in.ReadInt32();
    tile.m_key.y = in.ReadInt32();
    tile.m_key.z = in.ReadInt32();
    tile.m_key.service = in.ReadInt32();
    // Without its file the tile keeps what was stored and stays a placeholder.
    const int32_t width = tile.m_nWidth;
    const int32_t height = tile.m_nHeight;
    const QString path = tile.m_strPath;
    if (!path.isEmpty() && !tile.LoadFile(path)) {
        tile.m_nWidth = width;
        tile.m_nHeight = height;
    }
}

void DescribeGTile(CKvdJson& json, const GRootObject& obj)
{
    const auto& tile = static_cast<const GTile&>(obj);
    json.Key("x");
    json.Value(tile.m_key.x);
    json.Key("y");
    json.Value(tile.m_key.y);
    json.Key("z");
    json.Value(tile.m_key.z);
    json.Key("service");
    json.Value(tile.m_key.service);
}

void WriteGTileList(CKvdWriter& out, const GRootObject& obj) { KvdWriteListRecord(out, static_cast<const GList&>(obj)); }

void ReadGTileList(CKvdReader& in, GRootObject& obj)
{
    auto& list = static_cast<GTileList&>(obj);
    KvdReadListRecord(in, list);
    // A tile list holds tiles only (RemoveHead and TakeTile hand them out as such).
    for (GList::Position p = list.m_list.GetHeadPosition(); p;) {
        if (GList::NextMember(p)->GetType() != GT_TILE) throw CArchiveException(ArchiveError::WrongClass);
    }
}

bool IsTile(const GObj* obj) { return obj && obj->GetType() == GT_TILE && obj->IsKindOf(&GTile::classGTile); }

}  // namespace

const GRuntimeClass GTile::classGTile = {"GTile", 1, &CreateGTile, &GImg::classGImg};
const GRuntimeClass GTileList::classGTileList = {"GTileList", 1, &CreateGTileList, &GList::classGList};

std::shared_ptr<const CTilePicture> DecodeTilePicture(std::span<const uint8_t> data)
{
    // The magic numbers pick the decoder: a tile server's answer says nothing by its name.
    CTileDibSink sink;
    bool ok = false;
    if (IsPngSignature(data)) ok = DecodePng(data, sink);
    else if (StartsWith(data, {0xFF, 0xD8, 0xFF})) ok = DecodeJpeg(data, sink);
    else if (StartsWith(data, {'I', 'I', 42, 0}) || StartsWith(data, {'M', 'M', 0, 42})) ok = DecodeTiff(data, sink);
    if (!ok) return nullptr;

    const DibPixels dib = sink.Pixels();
    auto pic = std::make_shared<CTilePicture>();
    try {
        pic->argb.resize(size_t(dib.width) * size_t(dib.height));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    pic->width = dib.width;
    pic->height = dib.height;
    // White becomes transparent once here, so that drawing copies the words as they are.
    uint32_t table[256];
    if (dib.bitCount <= 8) {
        for (uint32_t i = 0; i < 256; ++i) table[i] = TileWord(i < dib.colors.size() ? dib.colors[i] : 0);
    }
    uint32_t all = 0xFFFFFFFFu;
    const int32_t width = dib.width;
    for (int32_t y = 0; y < dib.height; ++y) {
        const uint8_t* row = dib.Row(y);
        uint32_t* out = pic->argb.data() + size_t(y) * size_t(width);
        if (dib.bitCount == 24) {
            all &= ConvertRow24(row, out, width);
        } else if (dib.bitCount == 8) {
            for (int32_t x = 0; x < width; ++x) {
                out[x] = table[row[x]];
                all &= out[x];
            }
        } else {
            for (int32_t x = 0; x < width; ++x) {
                out[x] = TileWord(dib.Rgb(x, y));
                all &= out[x];
            }
        }
    }
    pic->opaque = (all >> 24) == 0xFF;
    return pic;
}

GClone* GTile::Clone(GClone* target) const
{
    GTile* t = nullptr;
    if (target) {
        t = dynamic_cast<GTile*>(target);
        if (!t) {
            delete target;
            return nullptr;
        }
    } else {
        t = new (std::nothrow) GTile;
        if (!t) return nullptr;
    }
    if (!GImg::Clone(t)) return nullptr;  // GImg::Clone deletes the target when it fails
    t->m_key = m_key;
    t->m_pPicture = m_pPicture;
    return t;
}

void GTile::CalcBounds()
{
    const TileExtent e = TileBounds(m_key);
    m_rcBounds = e.bounds;
    m_ptPos = e.centre;
}

void GTile::Draw(GView& view, Canvas* dc, const PixelRect& clip)
{
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    if (m_bLoaded && m_pPicture && clip.HasArea()) {
        const ViewTransform vt = view.GetViewTransform();
        const double s = dc->IsPrinter() ? vt.printScale : vt.scale;
        const ArgbPixels pixels = m_pPicture->Pixels();
        ForEachPictureCopy(vt, s, m_rcBounds, pixels.width, pixels.height, clip,
                           [&](const PixelRect& block, const PixelRect& dest) { dc->StretchArgb(pixels, block, dest, clip); });
    }
    DrawHandles(view, dc);
}

bool GTile::LoadFile(const QString& path)
{
    m_bLoaded = 0;
    m_pPicture.reset();
    m_strPath = path;
    // Only plain files: opening a pipe placed in the cache would block.
    if (!QFileInfo(path).isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxTileFileBytes) return false;
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size) return false;
    std::shared_ptr<const CTilePicture> pic =
        DecodeTilePicture({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
    if (!pic) return false;
    m_nWidth = pic->width;
    m_nHeight = pic->height;
    m_pPicture = std::move(pic);
    m_bLoaded = 1;
    CalcBounds();
    return true;
}

GClone* GTileList::Clone(GClone* target) const
{
    if (!target) target = new (std::nothrow) GTileList;
    if (!target) return nullptr;
    if (!dynamic_cast<GTileList*>(target)) {
        delete target;
        return nullptr;
    }
    return GList::Clone(target);
}

bool GTileList::InsertByZoom(GTile* tile)
{
    if (!tile) return false;
    Position p = m_list.GetHeadPosition();
    while (p) {
        const Position at = p;
        const GObj* o = NextMember(p);
        if (IsTile(o) && static_cast<const GTile*>(o)->m_key.z > tile->m_key.z) {
            return InsertMemberBefore(at, tile) != nullptr;
        }
    }
    return InsertMemberBefore(nullptr, tile) != nullptr;
}

GObj* GTileList::HandOut(GObj* member)
{
    GObj* o = Remove(member);
    // Handed out, the tile no longer belongs to this list (which may be deleted before it).
    if (o) o->m_pParent = nullptr;
    return o;
}

GTile* GTileList::TakeTile(const TileKey& key)
{
    for (Position p = m_list.GetHeadPosition(); p;) {
        GObj* o = NextMember(p);
        if (IsTile(o) && static_cast<GTile*>(o)->m_key == key) return static_cast<GTile*>(HandOut(o));
    }
    return nullptr;
}

GTile* GTileList::RemoveHead()
{
    while (Position p = m_list.GetHeadPosition()) {
        GObj* o = HandOut(MemberAt(p));
        if (IsTile(o)) return static_cast<GTile*>(o);
        delete o;  // not a tile (added through the plain list operations): nobody can use it
    }
    return nullptr;
}

int LoadTile(GTile& tile, const TileKey& key, const QString& cacheRoot, bool cacheOnly, CTileFetcher* fetcher)
{
    tile.m_key = key;
    const QString file = TileCacheFile(key, cacheRoot);
    // A hit needs no folder work: the file's folder exists.
    int result = kTileFromCache;
    if (!tile.LoadFile(file)) {
        if (!QDir().mkpath(TileCacheFolder(key, cacheRoot))) return kTileNoCacheFolder;
        if (cacheOnly || !fetcher) {
            result = kTileMissing;
        } else {
            // A cache file that does not decode is fetched again and replaced.
            fetcher->Request(key);
            result = kTileDownloading;
        }
    }
    tile.CalcBounds();
    return result;
}

void RegisterTileClasses()
{
    KvdRegisterClass({&GTile::classGTile, &WriteGTile, &ReadGTile, &DescribeGTile});
    KvdRegisterClass({&GTileList::classGTileList, &WriteGTileList, &ReadGTileList, nullptr});
}

}  // namespace korvel
