// Fuzz target for the handheld file reader: any text must be read without crash or hang, as
// the kind named by its first line (unknown kinds are read as position files too).
#include "exchange/zentofile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    buffer.open(QIODevice::ReadOnly);
    ZentoFileKind kind = ReadZentoKind(buffer);
    if (kind != ZentoFileKind::Marker) kind = ZentoFileKind::Position;
    const ZentoContent content = ReadZentoFile(buffer, kind);
    // Writing back what was read must work for any text.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    CZentoWriter writer(out);
    writer.WritePositionFileHeader(QDateTime(), &content.description, {"ID", "Text1"});
    for (const CZentoPoint& p : content.positions) {
        QStringList values;
        for (const ZentoInfo& i : p.infos) values << i.value;
        writer.WriteMarkerLine(p.x, p.y, values);
    }
    return 0;
}
