#pragma once
// GImg: a georeferenced raster image (scanned map, aerial photograph) as a map object. Load
// decodes the source file once into a bitmap copy in the temporary map folder and places it by
// its world file; Draw paints from that copy through a memory map, converting only the image
// pixels that cover the area being repainted. Reduced copies (each half the size of the one
// before, down to about 512 pixels) are built at load, so a large scan seen whole draws from
// a small copy. The document stores only the source path (and the size and placement).

#include "model/gobj.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace korvel {

class CKorvelDoc;
class CKvdReader;
class CKvdWriter;

// The decoded picture of an image in its temporary file, shared by an image and its clones;
// the file is deleted with the last of them.
class CBitmapCopy {
public:
    // One picture in the file: the full-size bitmap (level 0, as its header describes) or a
    // reduced copy (24 bits, top-down, rows padded to 4 bytes).
    struct Level {
        uint64_t offset = 0;   // of the first pixel row, from the start of the file
        int32_t width = 0;
        int32_t height = 0;
        uint32_t stride = 0;
    };

    explicit CBitmapCopy(QString path) : m_strPath(std::move(path)) {}
    ~CBitmapCopy();
    CBitmapCopy(const CBitmapCopy&) = delete;
    CBitmapCopy& operator=(const CBitmapCopy&) = delete;

    const QString& Path() const { return m_strPath; }
    std::vector<Level> m_levels;  // level 0 first; reduced copies follow

private:
    QString m_strPath;
};

// Reports the progress of a load in percent for the image file `path`; answering false cancels
// the load, which then fails. 100 marks the end of a load, also of a failed or cancelled one.
using ImageProgressHook = std::function<bool(const QString& path, int percent)>;
// Installs the hook every Load reports to (the program shows a cancellable progress dialog);
// an empty function removes it.
void SetImageProgressHook(ImageProgressHook hook);
// Hands a report to the installed hook; true (go on) without one.
bool ReportImageProgress(const QString& path, int percent);

// How a picture of `width` x `height` pixels spanning `bounds` (world units) is drawn into the
// device area `clip` at `s` world units per device pixel: only the picture pixels that cover
// the clip, snapped to whole picture pixels, in one copy; when at most 2 x 2 picture pixels are
// visible (each larger than the window), each one as a solid block cut to the clip. Calls
// `copy(block, dest)` for every copy: `block` in picture pixels (rows counted from the top),
// `dest` in device pixels (right and bottom excluded). Images and tiles both draw this way.
void ForEachPictureCopy(const ViewTransform& vt, double s, const WorldRect& bounds, int32_t width, int32_t height,
                        const PixelRect& clip, const std::function<void(const PixelRect& block, const PixelRect& dest)>& copy);

// The reduced copies of a `width` x `height` picture: each half the size of the one before
// (rounded up), made while the previous one is larger than 512 pixels on its longer side.
std::vector<std::pair<int32_t, int32_t>> ReducedSizes(int32_t width, int32_t height);

class GImg : public GObj {
public:
    static const GRuntimeClass classGImg;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGImg; }

    GImg() = default;
    ~GImg() override = default;

    GClone* Clone(GClone* target = nullptr) const override;
    // m_ptPos := the centre of m_rcBounds; the bounds change only when the image is loaded.
    void CalcBounds() override;
    // The part of the image inside `clip`, snapped to whole image pixels, white transparent;
    // then the selection frame. Nothing of the picture when it is not loaded.
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    uint32_t GetType() const override { return GT_IMG; }
    // Places the image by its world file (found whatever the letter case of its name); answers
    // true when one was read. Without, nothing changes.
    virtual bool ReadWorldFile();

    // Decodes `path` (PNG, then JPEG, then TIFF) into a new bitmap copy and places the image
    // by its world file, or at (0, 0)-(width, height) without one. Answers m_bLoaded. On
    // failure the previous size and bounds stay and the image is invisible.
    int32_t Load(const QString& path);

    // The bitmap copy (null when not loaded).
    const CBitmapCopy* BitmapCopy() const { return m_pCopy.get(); }

    QString m_strPath;       // the source image file
    QString m_strTempFile;   // the bitmap copy; empty when there is none
    int32_t m_nWidth = 0;    // image pixels
    int32_t m_nHeight = 0;
    int32_t m_bLoaded = 0;   // 1 when the bitmap copy can be drawn

private:
    void DrawPicture(GView& view, Canvas& dc, const PixelRect& clip) const;

    std::shared_ptr<CBitmapCopy> m_pCopy;
};

// The persisted record of an image (also the first part of a tile's): the GObj record, width
// and height as 32-bit integers, the source path. Reading loads the picture from that path.
void KvdWriteImgRecord(CKvdWriter& out, const GImg& img);
void KvdReadImgRecord(CKvdReader& in, GImg& img);

// Registers GImg, GTile and GTileList with the object stream (idempotent). Run at program and korvel-cli start-up
// before any document is read or written.
void RegisterImageryClasses();

// Loads `path` as a new image of `doc` and adds it with the document's normal insertion.
// False (and nothing added) when the file cannot be loaded.
bool AddImage(CKorvelDoc& doc, const QString& path);

}  // namespace korvel
