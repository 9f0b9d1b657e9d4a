// Fuzz target for the GPX reader: any bytes must be read or refused without crash, hang or
// unbounded memory, and whatever was read must survive being written and read again. Whatever
// the quick reader takes, the complete reader must read to the same records.
#include "exchange/gpxfile.h"
#include "exchange/gpxreaders.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    GpxContent quick;
    if (gpx::ReadQuick(std::string_view(reinterpret_cast<const char*>(data), size), &quick)) {
        GpxContent complete;
        const QByteArray bytes =
            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
        if (!gpx::ReadComplete(bytes, &complete, nullptr) || !(quick == complete)) std::abort();
    }

    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    in.open(QIODevice::ReadOnly);
    GpxContent content;
    GpxReadError error;
    if (!ReadGpx(in, &content, &error)) {
        // A refusal names a place in the file and leaves nothing behind.
        if (error.line < 1 || error.column < 1 || !content.IsEmpty()) std::abort();
        return 0;
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!WriteGpx(out, content, QStringLiteral("Korvel"))) std::abort();
    out.close();
    out.open(QIODevice::ReadOnly);
    GpxContent again;
    if (!ReadGpx(out, &again, &error) || again.waypoints.size() != content.waypoints.size() ||
        again.paths.size() != content.paths.size())
        std::abort();
    return 0;
}
