// Fuzz target for the shapefile reader. The input holds both files: its first two bytes give
// the length of the main file part (little-endian, taken modulo the rest), the remainder
// after it is the table.
#include "exchange/shapefile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    if (size < 2) return 0;
    const size_t rest = size - 2;
    const size_t shpLength = rest ? (size_t(data[0]) | size_t(data[1]) << 8) % (rest + 1) : 0;
    QBuffer shp, dbf;
    shp.setData(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(shpLength));
    dbf.setData(reinterpret_cast<const char*>(data + 2 + shpLength), static_cast<qsizetype>(rest - shpLength));
    shp.open(QIODevice::ReadOnly);
    dbf.open(QIODevice::ReadOnly);
    CShapeFile file;
    file.Read(shp, &dbf);
    // Whatever was read must be safe to walk and to write again.
    file.GetBounds();
    for (uint32_t i = 0; i < file.GetShapeCount(); ++i) {
        if (auto* line = dynamic_cast<CShapePolyLine*>(file.GetShape(i))) {
            for (uint32_t r = 0; r < line->GetRingCount(); ++r) line->GetRing(r)->GetBounds();
        }
    }
    if (file.GetError() == EXCH_OK) {
        QBuffer a, b, c;
        a.open(QIODevice::WriteOnly);
        b.open(QIODevice::WriteOnly);
        c.open(QIODevice::WriteOnly);
        file.Write(a, b, c);
    }
    return 0;
}
