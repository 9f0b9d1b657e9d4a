#pragma once
// CShapeFile: an ESRI shapefile of points, polylines or polygons (types 1, 3, 5; no Z/M, no
// multipoints) with its dBase table. Reads .shp and .dbf into memory and writes .shp, .shx and
// .dbf (plus .cpg and .prj) from memory. Record i of the table belongs to shape i.

#include "exchange/arraylist.h"
#include "exchange/dbasefile.h"
#include "exchange/shape.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QIODevice;

namespace korvel {

class CShapeFile {
public:
    // How a Write to a path failed.
    enum class WriteFailure {
        None,
        CannotCreate,  // a file could not be created (FailedPath names it)
        CannotWrite,   // writing, flushing or renaming failed (FailedPath names the file)
        TooLarge,      // the content does not fit the 32-bit lengths of the format
    };

    // An empty file object for `shapeType` (1, 3 or 5; 0 when it is only going to be read).
    explicit CShapeFile(int32_t shapeType = 0);
    CShapeFile(const CShapeFile&) = delete;
    CShapeFile& operator=(const CShapeFile&) = delete;

    // Reads `path` (the .shp) and the .dbf beside it. A .cpg beside them sets the table's code
    // page. Returns true exactly when GetError() is 20000 afterwards.
    bool Read(const QString& path);
    // Reads the main file from `shp` and the table from `dbf` (null: the table is missing).
    bool Read(QIODevice& shp, QIODevice* dbf);

    // Writes .shp, .shx, .dbf, a .cpg naming the table's code page and, when a projection is
    // set, a .prj; all appear together or, on failure, none of them changes. A stale .prj (and
    // stale spatial index files) of an older file of the same name are removed.
    bool Write(const QString& path);
    // Writes the three parts to devices. False when any write fails or the file is too large.
    bool Write(QIODevice& shp, QIODevice& shx, QIODevice& dbf);
    WriteFailure GetWriteFailure() const { return m_writeFailure; }
    QString GetFailedPath() const { return m_strFailedPath; }

    // Appends `shape` with a blank table record and returns the record's index; a null shape
    // returns 0 and a shape of another type -1, both adding nothing.
    int AddShape(std::unique_ptr<CShape> shape);

    // The union of the boxes of all non-null shapes (all zero when there are none), also
    // stored in the header. Refreshes the boxes polylines and polygons keep.
    WorldRect GetBounds();

    // The .prj text to write (ESRI WKT, see shapeprojection.h); empty writes none.
    void SetProjection(const QByteArray& wkt) { m_projection = wkt; }

    // `path` with its extension replaced by `extension` (without the dot).
    static QString SiblingPath(const QString& path, const QString& extension);

    int32_t GetShapeType() const;
    uint32_t GetShapeCount() const { return m_shapes.GetCount(); }
    CShape* GetShape(uint32_t i) const { return m_shapes[i]; }
    CDBaseFile& GetTable() { return m_table; }
    const CDBaseFile& GetTable() const { return m_table; }
    uint16_t GetError() const { return m_wError; }
    // The 100-byte main header as last read or written.
    const std::array<uint8_t, 100>& GetHeader() const { return m_header; }

    // Base name without folder and extension; follows the path unless set to something else.
    QString m_strTitle;
    // Full path of the main file last read or written.
    QString m_strPath;

private:
    bool ReadMain(QIODevice& shp);
    void UpdateTitleAndPath(const QString& path);

    uint16_t m_wError = EXCH_OK;
    CDBaseFile m_table;
    std::array<uint8_t, 100> m_header{};
    CArrayList<CShape> m_shapes;
    QByteArray m_projection;
    WriteFailure m_writeFailure = WriteFailure::None;
    QString m_strFailedPath;
};

}  // namespace korvel
