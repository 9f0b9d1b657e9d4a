// Feeds arbitrary bytes to the document reader; every input must end in a status, never in a
// crash, a hang or a huge allocation. A document that loads is written and read again, which
// must give the same bytes.
#include "model/korveldoc.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    korvel::CKorvelDoc doc;
    if (doc.Load(reinterpret_cast<const char*>(data), size) != korvel::KvdStatus::Ok) return 0;
    QByteArray first;
    QBuffer out(&first);
    out.open(QIODevice::WriteOnly);
    if (doc.Store(out) != korvel::KvdStatus::Ok) std::abort();
    korvel::CKorvelDoc again;
    if (again.Load(first.constData(), static_cast<size_t>(first.size())) != korvel::KvdStatus::Ok) std::abort();
    QByteArray second;
    QBuffer out2(&second);
    out2.open(QIODevice::WriteOnly);
    if (again.Store(out2) != korvel::KvdStatus::Ok || second != first) std::abort();
    return 0;
}
