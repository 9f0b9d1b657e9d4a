#include "exchange/shapefile.h"

#include "exchange/atomicfileset.h"
#include "exchange/binaryio.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvel {
namespace {

constexpr int32_t kFileCode = 9994;
constexpr int32_t kVersion = 1000;
constexpr int kHeaderBytes = 100;

// Smallest content, in 16-bit words, that can hold a non-null record of each type.
int64_t MinimumContentWords(int32_t type) { return type == SHPT_POINT ? 10 : 24; }

void PutHeader(std::array<uint8_t, 100>& h, int32_t fileLengthWords, int32_t type, const WorldRect& box)
{
    qToBigEndian<int32_t>(kFileCode, &h[0]);
    qToBigEndian<int32_t>(fileLengthWords, &h[24]);
    qToLittleEndian<int32_t>(kVersion, &h[28]);
    qToLittleEndian<int32_t>(type, &h[32]);
    qToLittleEndian<double>(box.minX, &h[36]);
    qToLittleEndian<double>(box.minY, &h[44]);
    qToLittleEndian<double>(box.maxX, &h[52]);
    qToLittleEndian<double>(box.maxY, &h[60]);
}

// The file beside `path` with extension `ext`: the exact name first, then the upper-case
// extension, then any spelling (tables copied from case-insensitive file systems).
QString FindSibling(const QString& path, const QString& ext)
{
    const QString exact = CShapeFile::SiblingPath(path, ext);
    if (QFileInfo::exists(exact)) return exact;
    const QString upper = CShapeFile::SiblingPath(path, ext.toUpper());
    if (QFileInfo::exists(upper)) return upper;
    const QFileInfo info(exact);
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) return info.dir().filePath(name);
    }
    return exact;
}

// Files in the folder of `path` whose names equal its name in another letter case. On a
// file system that ignores case they are the file itself, which the listing then shows in
// one spelling only: none is reported.
QStringList OtherCaseSpellings(const QString& path)
{
    const QFileInfo info(path);
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    const bool exactListed = names.contains(info.fileName());
    if (!exactListed && info.exists()) return {};
    QStringList others;
    for (const QString& name : names) {
        if (name != info.fileName() && name.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            others << info.dir().filePath(name);
    }
    return others;
}

}  // namespace

CShapeFile::CShapeFile(int32_t shapeType)
{
    PutHeader(m_header, 0, shapeType, WorldRect{});
    qToBigEndian<int32_t>(0, &m_header[24]);
    m_shapes.SetGrowStep(1);
}

int32_t CShapeFile::GetShapeType() const { return GetInt32LE(&m_header[32]); }

QString CShapeFile::SiblingPath(const QString& path, const QString& extension)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString base = (dot > slash + 1) ? path.left(dot) : path;
    return base + QLatin1Char('.') + extension;
}

void CShapeFile::UpdateTitleAndPath(const QString& path)
{
    const QString previousBase = m_strPath.isEmpty() ? QString() : QFileInfo(m_strPath).completeBaseName();
    if (m_strTitle.isEmpty() || m_strTitle == previousBase) m_strTitle = QFileInfo(path).completeBaseName();
    m_strPath = path;
}

int CShapeFile::AddShape(std::unique_ptr<CShape> shape)
{
    if (!shape) return 0;
    if (shape->GetShapeType() != GetShapeType()) return -1;
    if (m_shapes.Push(std::move(shape)) < 0) return -1;
    const int record = m_table.AppendBlankRecord();
    if (record < 0) m_shapes.PopBack();  // keep shapes and records paired
    return record;
}

WorldRect CShapeFile::GetBounds()
{
    ShapeBox box;
    for (const auto& shape : m_shapes) shape->UniteBounds(box);
    const WorldRect r = box.empty ? WorldRect{} : box.rect;
    qToLittleEndian<double>(r.minX, &m_header[36]);
    qToLittleEndian<double>(r.minY, &m_header[44]);
    qToLittleEndian<double>(r.maxX, &m_header[52]);
    qToLittleEndian<double>(r.maxY, &m_header[60]);
    return r;
}

// ---- reading ----

bool CShapeFile::Read(const QString& path)
{
    m_wError = EXCH_OUT_OF_MEMORY;
    m_shapes.RemoveAll();
    QFile shp(path);
    if (!shp.open(QIODevice::ReadOnly)) {
        m_wError = QFileInfo::exists(path) ? EXCH_CANNOT_OPEN : EXCH_NOT_FOUND;
        return false;
    }
    UpdateTitleAndPath(path);
    m_wError = EXCH_OK;
    if (!ReadMain(shp)) return false;

    QFile cpg(FindSibling(path, QStringLiteral("cpg")));
    m_table.SetCodePage(cpg.open(QIODevice::ReadOnly) ? CodePageFromCpg(cpg.read(64)) : TableCodePage::Windows1252);
    if (!m_table.Read(FindSibling(path, QStringLiteral("dbf")))) {
        m_wError = EXCH_NO_TABLE;
    } else if (m_shapes.GetCount() != m_table.GetRecordCount()) {
        m_wError = EXCH_COUNT_MISMATCH;
    }
    return m_wError == EXCH_OK;
}

bool CShapeFile::Read(QIODevice& shp, QIODevice* dbf)
{
    m_wError = EXCH_OK;
    m_shapes.RemoveAll();
    if (!ReadMain(shp)) return false;
    if (!dbf || !m_table.Read(*dbf)) {
        m_wError = EXCH_NO_TABLE;
    } else if (m_shapes.GetCount() != m_table.GetRecordCount()) {
        m_wError = EXCH_COUNT_MISMATCH;
    }
    return m_wError == EXCH_OK;
}

bool CShapeFile::ReadMain(QIODevice& device)
{
    m_shapes.RemoveAll();
    if (device.isSequential()) {
        // The record lengths are checked against the bytes present, which needs the length.
        QByteArray all = device.readAll();
        QBuffer buffer(&all);
        buffer.open(QIODevice::ReadOnly);
        return ReadMain(buffer);
    }
    DeviceReader in(device);
    const qint64 got = device.read(reinterpret_cast<char*>(m_header.data()), kHeaderBytes);
    if (got < kHeaderBytes) {
        // Without the four bytes of the file code there is nothing to call a shapefile; with
        // them, a header cut short is a damaged shapefile.
        m_wError = (got >= 4 && GetInt32BE(&m_header[0]) == kFileCode) ? EXCH_DAMAGED : EXCH_NOT_SHAPEFILE;
        return false;
    }
    const int32_t type = GetShapeType();
    if (GetInt32BE(&m_header[0]) != kFileCode) {
        m_wError = EXCH_NOT_SHAPEFILE;
        return false;
    }
    if (GetInt32LE(&m_header[28]) != kVersion) {
        m_wError = EXCH_BAD_VERSION;
        return false;
    }
    if (type != SHPT_POINT && type != SHPT_POLYLINE && type != SHPT_POLYGON) {
        m_wError = EXCH_BAD_SHAPE_TYPE;
        return false;
    }

    // The header's file length drives the loop; every record must also really be present.
    int64_t remaining = int64_t(GetInt32BE(&m_header[24])) - 50;
    int32_t expected = 1;
    try {
        while (remaining > 0) {
            uint8_t rh[8];
            if (remaining < 4 || !in.Read(rh, 8)) break;
            if (GetInt32BE(rh) != expected) break;
            remaining -= 4;
            const int64_t contentWords = GetInt32BE(rh + 4);
            if (contentWords < 0 || contentWords > remaining || contentWords * 2 > in.Remaining()) break;
            std::unique_ptr<CShape> shape = CreateShape(type);
            if (contentWords < MinimumContentWords(type)) {
                // Null records (and anything too short to be more) stand as empty shapes.
                if (!in.Skip(contentWords * 2)) break;
            } else {
                const uint64_t bytes = uint64_t(contentWords) * 2;
                const qint64 start = in.Consumed();
                const uint64_t consumed = shape->ReadContent(in, type, bytes);
                if (consumed != bytes || uint64_t(in.Consumed() - start) != bytes) break;
            }
            if (m_shapes.Push(std::move(shape)) < 0) throw std::bad_alloc();
            remaining -= contentWords;
            ++expected;
        }
    } catch (const std::bad_alloc&) {
        m_shapes.RemoveAll();
        m_wError = EXCH_OUT_OF_MEMORY;
        return false;
    }
    if (remaining != 0) {
        m_wError = EXCH_DAMAGED;
        return false;
    }
    return true;
}

// ---- writing ----

bool CShapeFile::Write(QIODevice& shp, QIODevice& shx, QIODevice& dbf)
{
    const WorldRect box = GetBounds();
    uint64_t size = kHeaderBytes;
    for (const auto& shape : m_shapes) size += shape->GetContentSize() + 8;
    const uint64_t indexWords = 50 + 4 * uint64_t(m_shapes.GetCount());
    // Lengths and offsets are signed 32-bit counts of 16-bit words.
    if (size / 2 > uint64_t(INT32_MAX) || indexWords > uint64_t(INT32_MAX)) {
        m_writeFailure = WriteFailure::TooLarge;
        return false;
    }
    PutHeader(m_header, static_cast<int32_t>(size / 2), GetShapeType(), box);
    std::array<uint8_t, 100> indexHeader = m_header;
    qToBigEndian<int32_t>(static_cast<int32_t>(indexWords), &indexHeader[24]);

    DeviceWriter main(shp);
    DeviceWriter index(shx);
    main.Write(m_header.data(), kHeaderBytes);
    index.Write(indexHeader.data(), kHeaderBytes);
    int32_t offset = 50;
    int32_t number = 1;
    for (const auto& shape : m_shapes) {
        const auto words = static_cast<int32_t>(shape->GetContentSize() / 2);
        main.Int32BE(number++);
        main.Int32BE(words);
        shape->WriteContent(main);
        index.Int32BE(offset);
        index.Int32BE(words);
        offset += words + 4;
    }
    const bool tableOk = m_table.Write(dbf);
    if (!main.Ok() || !index.Ok() || !tableOk) {
        m_writeFailure = WriteFailure::CannotWrite;
        return false;
    }
    return true;
}

bool CShapeFile::Write(const QString& path)
{
    m_writeFailure = WriteFailure::None;
    m_strFailedPath.clear();
    AtomicFileSet files;
    const QString shxPath = SiblingPath(path, QStringLiteral("shx"));
    const QString dbfPath = SiblingPath(path, QStringLiteral("dbf"));
    const QString cpgPath = SiblingPath(path, QStringLiteral("cpg"));
    const QString prjPath = SiblingPath(path, QStringLiteral("prj"));
    // The main file is added first so that it is renamed last: a reader never sees a new .shp
    // beside old companions.
    QIODevice* shp = files.Add(path);
    QIODevice* shx = shp ? files.Add(shxPath) : nullptr;
    QIODevice* dbf = shx ? files.Add(dbfPath) : nullptr;
    QIODevice* cpg = dbf ? files.Add(cpgPath) : nullptr;
    QIODevice* prj = nullptr;
    if (cpg && !m_projection.isEmpty()) prj = files.Add(prjPath);
    if (!cpg || (!m_projection.isEmpty() && !prj)) {
        m_writeFailure = WriteFailure::CannotCreate;
        m_strFailedPath = files.FailedPath();
        return false;
    }
    if (m_projection.isEmpty()) files.RemoveOnCommit(prjPath);
    // Spatial indexes of an older file would describe shapes that no longer exist.
    for (const char* ext : {"qix", "sbn", "sbx"}) files.RemoveOnCommit(SiblingPath(path, QLatin1String(ext)));
    // An older set in other letter cases (Wege.SHX beside the new Wege.shx) would be found by
    // readers that look companions up without regard to case.
    for (const QString& target : {path, shxPath, dbfPath, cpgPath, prjPath}) {
        for (const QString& stale : OtherCaseSpellings(target)) files.RemoveOnCommit(stale);
    }

    if (!Write(*shp, *shx, *dbf)) {
        m_strFailedPath = path;
        return false;
    }
    if (cpg->write(CpgText(m_table.GetCodePage())) < 0 || (prj && prj->write(m_projection) < 0) || !files.Commit()) {
        m_writeFailure = WriteFailure::CannotWrite;
        m_strFailedPath = files.FailedPath().isEmpty() ? path : files.FailedPath();
        return false;
    }
    UpdateTitleAndPath(path);
    return true;
}

}  // namespace korvel
