// Fuzz target for the dBase table reader: any bytes must give a status code, never a crash,
// hang or outsized allocation. Successful reads are exercised through every value accessor.
#include "exchange/dbasefile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace korvel;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (TableCodePage cp : {TableCodePage::Windows1252, TableCodePage::Utf8}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        CDBaseFile table;
        table.SetCodePage(cp);
        if (!table.Read(buffer)) continue;
        QString text;
        for (uint32_t r = 0; r < table.GetRecordCount() && r < 64; ++r) {
            for (uint32_t f = 0; f < table.GetFieldCount(); ++f) table.GetValueAsText(int(f), int(r), text);
        }
        if (table.GetFieldCount() > 0) table.FindField(table.GetField(0)->m_strName);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        table.Write(out);
    }
    return 0;
}
