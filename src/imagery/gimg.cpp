#include "imagery/gimg.h"

#include "imagery/dib.h"
#include "imagery/gtile.h"
#include "imagery/imagedecode.h"
#include "imagery/tempmapfolder.h"
#include "imagery/worldfile.h"
#include "model/gview.h"
#include "model/korveldoc.h"
#include "model/kvdjson.h"
#include "model/kvdrecords.h"
#include "model/kvdstream.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace korvel {
namespace {

GRootObject* CreateGImg() { return new (std::nothrow) GImg; }

ImageProgressHook& ProgressHook()
{
    static ImageProgressHook hook;
    return hook;
}

// Reduced copies stop once a copy is this small on its longer side.
constexpr int32_t kSmallestReduced = 512;
// Share of the progress given to decoding; building the reduced copies takes the rest.
constexpr int kDecodePercent = 90;

// Decodes straight into a new file in the temporary map folder: the file gets its full size
// (the bitmap and room for the reduced copies) before the first pixel is written and is then
// filled through a memory map, so a picture larger than the memory can still be loaded and
// a full disk is found out before decoding, not by a fault halfway.
class CTempFileSink : public DibSink {
public:
    explicit CTempFileSink(QString source) : m_strSource(std::move(source)) {}
    ~CTempFileSink() override { Discard(); }

    uint8_t* Begin(const DibFormat& format) override
    {
        Discard();
        const uint64_t image = format.ImageSize();
        if (image == 0 || format.colors.size() > 256) return nullptr;
        const uint64_t table = kDibHeaderSize + uint64_t(format.colors.size()) * 4;
        std::vector<CBitmapCopy::Level> levels;
        levels.push_back(CBitmapCopy::Level{table, format.width, format.height, format.Stride()});
        uint64_t total = table + image;
        for (const auto& [w, h] : ReducedSizes(format.width, format.height)) {
            const uint32_t stride = DibStride(w, 24);
            levels.push_back(CBitmapCopy::Level{total, w, h, stride});
            total += uint64_t(stride) * uint64_t(h);
        }
        if (!MakeTempMapFolder()) return nullptr;
        const QString folder = TempMapFolder();
        const QStorageInfo storage(folder);
        if (storage.isValid() && storage.bytesAvailable() >= 0 && uint64_t(storage.bytesAvailable()) < total) return nullptr;

        m_pFile = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/img00000XXXXXX"));
        m_pFile->setAutoRemove(false);
        if (!m_pFile->open()) {
            m_pFile.reset();
            return nullptr;
        }
        m_strTemp = m_pFile->fileName();
        // Reserve the blocks now: writing through the map into a file the disk cannot hold
        // would end the program instead of the load.
        if (posix_fallocate(m_pFile->handle(), 0, off_t(total)) != 0) {
            Discard();
            return nullptr;
        }
        m_pMap = m_pFile->map(0, qint64(total));
        if (!m_pMap) {
            Discard();
            return nullptr;
        }
        m_nMapSize = total;
        EncodeDibHeader(format, m_pMap);
        for (size_t i = 0; i < format.colors.size(); ++i) {
            uint8_t* q = m_pMap + kDibHeaderSize + i * 4;
            const uint32_t c = format.colors[i];
            q[0] = uint8_t(c);
            q[1] = uint8_t(c >> 8);
            q[2] = uint8_t(c >> 16);
            q[3] = 0;
        }
        m_format = format;
        m_levels = std::move(levels);
        return m_pMap + table;
    }

    bool Progress(int64_t done, int64_t total) override
    {
        return Report(total > 0 ? int(done * kDecodePercent / total) : 0);
    }

    bool Cancelled() const { return m_bCancelled; }

    // Tells the hook that the load is over, whatever its outcome (100 percent).
    void End()
    {
        if (m_nLastPercent < 0 || m_nLastPercent == 100) return;
        m_nLastPercent = 100;
        ReportImageProgress(m_strSource, 100);
    }
    const DibFormat& Format() const { return m_format; }

    // Builds the reduced copies and closes the file; the copy then belongs to the result.
    std::shared_ptr<CBitmapCopy> Finish()
    {
        if (!m_pMap || !BuildReduced()) return nullptr;
        auto copy = std::make_shared<CBitmapCopy>(m_strTemp);
        copy->m_levels = m_levels;
        m_pFile->unmap(m_pMap);
        m_pMap = nullptr;
        m_pFile->close();
        m_pFile.reset();
        m_strTemp.clear();
        return copy;
    }

    // Removes whatever an unfinished decode left.
    void Discard()
    {
        if (m_pFile) {
            if (m_pMap) m_pFile->unmap(m_pMap);
            m_pFile->close();
            m_pFile.reset();
        }
        m_pMap = nullptr;
        if (!m_strTemp.isEmpty()) QFile::remove(m_strTemp);
        m_strTemp.clear();
    }

private:
    bool Report(int percent)
    {
        if (m_bCancelled) return false;
        if (percent == m_nLastPercent) return true;
        m_nLastPercent = percent;
        if (!ReportImageProgress(m_strSource, percent)) m_bCancelled = true;
        return !m_bCancelled;
    }

    // Level k+1 from level k: each pixel the mean of a 2 x 2 block (the last row and column
    // repeated where the size is odd).
    bool BuildReduced()
    {
        std::vector<uint32_t> colors = m_format.colors;
        DibPixels src;
        src.bits = m_pMap + m_levels[0].offset;
        src.width = m_format.width;
        src.height = m_format.height;
        src.stride = int32_t(m_levels[0].stride);
        src.bottomUp = !m_format.topDown;
        src.bitCount = m_format.bitCount;
        src.colors = colors;
        std::vector<uint8_t> rowA;
        std::vector<uint8_t> rowB;
        int64_t work = 0;
        for (size_t k = 1; k < m_levels.size(); ++k) work += int64_t(m_levels[k].height);
        int64_t done = 0;
        for (size_t k = 1; k < m_levels.size(); ++k) {
            const CBitmapCopy::Level& out = m_levels[k];
            if (src.bitCount != 24) {
                rowA.resize(size_t(src.width) * 3);
                rowB.resize(size_t(src.width) * 3);
            }
            for (int32_t y = 0; y < out.height; ++y) {
                const int32_t ya = 2 * y;
                const int32_t yb = std::min(ya + 1, src.height - 1);
                const uint8_t* a = Expand(src, ya, rowA);
                const uint8_t* b = Expand(src, yb, rowB);
                uint8_t* o = m_pMap + out.offset + uint64_t(y) * out.stride;
                const int32_t last = src.width - 1;
                for (int32_t x = 0; x < out.width; ++x, o += 3) {
                    const size_t x0 = size_t(2 * x) * 3;
                    const size_t x1 = size_t(std::min(2 * x + 1, last)) * 3;
                    for (int c = 0; c < 3; ++c) {
                        o[c] = uint8_t((a[x0 + c] + a[x1 + c] + b[x0 + c] + b[x1 + c] + 2) >> 2);
                    }
                }
                if ((y & 255) == 0 && !Report(kDecodePercent + int((done + y) * (100 - kDecodePercent) / std::max<int64_t>(work, 1)))) {
                    return false;
                }
            }
            done += out.height;
            src.bits = m_pMap + out.offset;
            src.width = out.width;
            src.height = out.height;
            src.stride = int32_t(out.stride);
            src.bottomUp = false;
            src.bitCount = 24;
            src.colors = {};
        }
        return true;
    }

    // Row `row` (from the top) of `src` as blue, green, red bytes.
    static const uint8_t* Expand(const DibPixels& src, int32_t row, std::vector<uint8_t>& buffer)
    {
        if (src.bitCount == 24) return src.Row(row);
        for (int32_t x = 0; x < src.width; ++x) {
            const uint32_t rgb = src.Rgb(x, row);
            buffer[size_t(x) * 3] = uint8_t(rgb);
            buffer[size_t(x) * 3 + 1] = uint8_t(rgb >> 8);
            buffer[size_t(x) * 3 + 2] = uint8_t(rgb >> 16);
        }
        return buffer.data();
    }

    QString m_strSource;
    QString m_strTemp;
    std::unique_ptr<QTemporaryFile> m_pFile;
    uint8_t* m_pMap = nullptr;
    uint64_t m_nMapSize = 0;
    DibFormat m_format;
    std::vector<CBitmapCopy::Level> m_levels;
    int m_nLastPercent = -1;
    bool m_bCancelled = false;
};

// A bitmap copy mapped for the length of one paint.
class CMappedCopy {
public:
    explicit CMappedCopy(const QString& path) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly)) return;
        const qint64 size = m_file.size();
        if (size <= 0) return;
        m_pBase = m_file.map(0, size);
        if (m_pBase) m_nSize = uint64_t(size);
    }
    ~CMappedCopy()
    {
        if (m_pBase) m_file.unmap(m_pBase);
    }
    CMappedCopy(const CMappedCopy&) = delete;
    CMappedCopy& operator=(const CMappedCopy&) = delete;

    std::span<const uint8_t> Bytes() const { return {m_pBase, size_t(m_nSize)}; }

private:
    QFile m_file;
    uint8_t* m_pBase = nullptr;
    uint64_t m_nSize = 0;
};

void WriteGImg(CKvdWriter& out, const GRootObject& obj) { KvdWriteImgRecord(out, static_cast<const GImg&>(obj)); }
void ReadGImg(CKvdReader& in, GRootObject& obj) { KvdReadImgRecord(in, static_cast<GImg&>(obj)); }

void DescribeGImg(CKvdJson& json, const GRootObject& obj)
{
    const auto& img = static_cast<const GImg&>(obj);
    json.Key("width");
    json.Value(img.m_nWidth);
    json.Key("height");
    json.Value(img.m_nHeight);
    json.Key("path");
    json.Value(img.m_strPath);
}

}  // namespace

const GRuntimeClass GImg::classGImg = {"GImg", 1, &CreateGImg, &GObj::classGObj};

CBitmapCopy::~CBitmapCopy()
{
    if (!m_strPath.isEmpty()) QFile::remove(m_strPath);
}

void SetImageProgressHook(ImageProgressHook hook) { ProgressHook() = std::move(hook); }

bool ReportImageProgress(const QString& path, int percent)
{
    const ImageProgressHook& hook = ProgressHook();
    return !hook || hook(path, percent);
}

std::vector<std::pair<int32_t, int32_t>> ReducedSizes(int32_t width, int32_t height)
{
    std::vector<std::pair<int32_t, int32_t>> sizes;
    while (std::max(width, height) > kSmallestReduced) {
        width = int32_t((int64_t(width) + 1) / 2);
        height = int32_t((int64_t(height) + 1) / 2);
        sizes.emplace_back(width, height);
    }
    return sizes;
}

GClone* GImg::Clone(GClone* target) const
{
    return CloneAs<GImg>(target, [this](GImg& t) {
        if (!CopyObjInto(t)) return false;
        t.m_strPath = m_strPath;
        t.m_strTempFile = m_strTempFile;
        t.m_nWidth = m_nWidth;
        t.m_nHeight = m_nHeight;
        t.m_bLoaded = m_bLoaded;
        t.m_pCopy = m_pCopy;  // shared: the file goes with the last image that draws from it
        return true;
    });
}

void GImg::CalcBounds()
{
    m_ptPos = WorldPoint{(m_rcBounds.minX + m_rcBounds.maxX) / 2, (m_rcBounds.minY + m_rcBounds.maxY) / 2};
}

bool GImg::ReadWorldFile()
{
    const QString path = FindIgnoringCase(WorldFilePath(m_strPath));
    if (path.isEmpty()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // Six numbers fit in far less; a huge file is not a world file.
    const QByteArray text = file.read(64 * 1024);
    WorldFileValues v;
    if (!ParseWorldFile(text, &v)) return false;
    WorldRect r;
    r.minX = v.c - v.a / 2;
    r.maxY = v.f - v.e / 2;
    r.maxX = r.minX + m_nWidth * v.a;
    r.minY = r.maxY + m_nHeight * v.e;
    m_rcBounds = r;
    CalcBounds();
    return true;
}

int32_t GImg::Load(const QString& path)
{
    m_bLoaded = 0;
    m_pCopy.reset();
    m_strTempFile.clear();
    m_strPath = path;

    // Only plain files: a device or a pipe named in a document would block or never end.
    if (!QFileInfo(path).isFile()) return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const qint64 size = file.size();
    if (size <= 0) return 0;
    uchar* data = file.map(0, size);
    if (!data) return 0;
    const std::span<const uint8_t> bytes(data, size_t(size));

    CTempFileSink sink(path);
    bool ok = IsPngSignature(bytes) && DecodePng(bytes, sink);
    if (!ok && !sink.Cancelled()) ok = DecodeJpeg(bytes, sink);
    if (!ok && !sink.Cancelled()) ok = DecodeTiff(bytes, sink);
    file.unmap(data);
    file.close();
    std::shared_ptr<CBitmapCopy> copy = ok ? sink.Finish() : nullptr;
    sink.End();
    if (!copy) return 0;

    m_nWidth = sink.Format().width;
    m_nHeight = sink.Format().height;
    m_pCopy = std::move(copy);
    m_strTempFile = m_pCopy->Path();
    if (!ReadWorldFile()) {
        // One world unit per pixel, the lower-left corner at the origin.
        m_rcBounds = WorldRect{0, 0, double(m_nWidth), double(m_nHeight)};
        CalcBounds();
    }
    m_bLoaded = 1;
    return m_bLoaded;
}

void GImg::Draw(GView& view, Canvas* dc, const PixelRect& clip)
{
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    if (m_bLoaded && m_pCopy && clip.HasArea()) DrawPicture(view, *dc, clip);
    DrawHandles(view, dc);
}

void GImg::DrawPicture(GView& view, Canvas& dc, const PixelRect& clip) const
{
    const CMappedCopy mapped(m_pCopy->Path());
    DibPixels pic;
    std::vector<uint32_t> colors;
    if (!ParseDib(mapped.Bytes(), &pic, &colors)) return;  // the copy has gone or was damaged

    const ViewTransform vt = view.GetViewTransform();
    const double s = dc.IsPrinter() ? vt.printScale : vt.scale;
    const double minX = std::min(m_rcBounds.minX, m_rcBounds.maxX);
    const double maxX = std::max(m_rcBounds.minX, m_rcBounds.maxX);
    const double minY = std::min(m_rcBounds.minY, m_rcBounds.maxY);
    const double maxY = std::max(m_rcBounds.minY, m_rcBounds.maxY);
    const double bw = maxX - minX;
    const double bh = maxY - minY;
    if (!(bw > 0) || !(bh > 0) || !(s > 0)) return;

    // The coarsest reduced copy that still has at least one image pixel per device pixel.
    const std::vector<CBitmapCopy::Level>& levels = m_pCopy->m_levels;
    for (size_t k = 1; k < levels.size(); ++k) {
        const CBitmapCopy::Level& l = levels[k];
        if (bw / l.width > s || bh / l.height > s) break;
        if (l.offset + uint64_t(l.stride) * uint64_t(l.height) > mapped.Bytes().size()) break;
        pic = DibPixels{mapped.Bytes().data() + l.offset, l.width, l.height, int32_t(l.stride), false, 24, {}};
    }

    ForEachPictureCopy(vt, s, WorldRect{minX, minY, maxX, maxY}, pic.width, pic.height, clip,
                       [&](const PixelRect& block, const PixelRect& dest) { dc.StretchDib(pic, block, dest); });
}

void ForEachPictureCopy(const ViewTransform& vt, double s, const WorldRect& bounds, int32_t width, int32_t height,
                        const PixelRect& clip, const std::function<void(const PixelRect& block, const PixelRect& dest)>& copy)
{
    const double minX = std::min(bounds.minX, bounds.maxX);
    const double maxX = std::max(bounds.minX, bounds.maxX);
    const double minY = std::min(bounds.minY, bounds.maxY);
    const double maxY = std::max(bounds.minY, bounds.maxY);
    const double bw = maxX - minX;
    const double bh = maxY - minY;
    if (!(bw > 0) || !(bh > 0) || !(s > 0) || width <= 0 || height <= 0 || !clip.HasArea()) return;

    // The clip box in world units (pixel corners), cut down to the image.
    const double iminX = std::max(minX, vt.x0 + clip.left * s);
    const double imaxX = std::min(maxX, vt.x0 + clip.right * s);
    const double imaxY = std::min(maxY, vt.y0 - clip.top * s);
    const double iminY = std::max(minY, vt.y0 - clip.bottom * s);
    if (!(iminX < imaxX) || !(iminY < imaxY)) return;

    // The image pixels that cover it, whole pixels only.
    const double px = bw / width;
    const double py = bh / height;
    auto clampTo = [](double v, int32_t hi) { return v > 0 ? int32_t(std::min(v, double(hi))) : 0; };  // NaN gives 0
    const int32_t c0 = clampTo(std::floor((iminX - minX) / px), width);
    const int32_t c1 = clampTo(std::ceil((imaxX - minX) / px), width);
    const int32_t r0 = clampTo(std::floor(height - (imaxY - minY) / py), height);
    const int32_t r1 = clampTo(std::ceil(height - (iminY - minY) / py), height);
    const int32_t w = c1 - c0;
    const int32_t h = r1 - r0;
    if (w <= 0 || h <= 0) return;

    const double left = minX + c0 * px;
    const double top = maxY - r0 * py;
    const PixelRect dest = vt.ToPixel(WorldRect{left, top - h * py, left + w * px, top}, s);
    if (w > 2 || h > 2) {
        copy(PixelRect{c0, r0, c1, r1}, dest);
        return;
    }

    // So few image pixels are visible that each is larger than the window: every pixel is laid
    // as a solid block, cut to the clip box, rather than a tiny picture stretched enormously.
    PixelRect lim = dest;
    lim.left = std::max(lim.left, clip.left);
    lim.top = std::max(lim.top, clip.top);
    if (lim.right > clip.right || lim.right < clip.left) lim.right = clip.right;
    if (lim.bottom > clip.bottom || lim.bottom < clip.top) lim.bottom = clip.bottom;
    const int32_t midX = int32_t((int64_t(dest.left) + dest.right) / 2);
    const int32_t midY = int32_t((int64_t(dest.top) + dest.bottom) / 2);
    for (int32_t j = 0; j < h; ++j) {
        int32_t top = lim.top;
        int32_t bottom = lim.bottom;
        if (h == 2) {
            if (j == 0) bottom = std::min(bottom, midY);
            else top = std::max(top, midY);
        }
        for (int32_t i = 0; i < w; ++i) {
            int32_t l = lim.left;
            int32_t r = lim.right;
            if (w == 2) {
                if (i == 0) r = std::min(r, midX);
                else l = std::max(l, midX);
            }
            const PixelRect part{l, top, r, bottom};
            if (part.HasArea()) copy(PixelRect{c0 + i, r0 + j, c0 + i + 1, r0 + j + 1}, part);
        }
    }
}

void KvdWriteImgRecord(CKvdWriter& out, const GImg& img)
{
    KvdWriteObjRecord(out, img);
    out.WriteInt32(img.m_nWidth);
    out.WriteInt32(img.m_nHeight);
    out.WriteString(img.m_strPath);
}

void KvdReadImgRecord(CKvdReader& in, GImg& img)
{
    KvdReadObjRecord(in, img);
    img.m_nWidth = in.ReadInt32();
    img.m_nHeight = in.ReadInt32();
    img.m_strPath = in.ReadString();
    // The picture, its size and its placement come from the source file again; without it
    // the image keeps what was stored and stays invisible until the file is back.
    img.Load(img.m_strPath);
}

void RegisterImageryClasses()
{
    KvdRegisterClass({&GImg::classGImg, &WriteGImg, &ReadGImg, &DescribeGImg});
    RegisterTileClasses();
}

bool AddImage(CKorvelDoc& doc, const QString& path)
{
    std::unique_ptr<GImg> img(new (std::nothrow) GImg);
    if (!img || !img->Load(path)) return false;
    if (!doc.AddObject(img.get())) return false;
    img.release();
    return true;
}

}  // namespace korvel
