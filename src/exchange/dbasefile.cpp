#include "exchange/dbasefile.h"

#include "exchange/binaryio.h"
#include "exchange/numtext.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace korvel {
namespace {

constexpr uint8_t kTerminator = 0x0D;
constexpr uint8_t kEndOfFile = 0x1A;

bool IsCSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The bytes up to `length` or the first zero byte, whichever comes first.
std::string_view FieldText(const uint8_t* p, size_t length)
{
    const void* zero = std::memchr(p, 0, length);
    const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : length;
    return std::string_view(reinterpret_cast<const char*>(p), n);
}

// ASCII-only case folding, as the C library's case-insensitive compare does in the "C" locale.
bool EqualNoCase8(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// `value` with at most `decimals` digits after the point in at most `length` characters: as
// many decimals as fit, rounded. Nothing when even the integer part is too long, or the value
// is not a number at all.
std::optional<QByteArray> FormatFitting(double value, unsigned decimals, size_t length)
{
    if (!std::isfinite(value)) return std::nullopt;
    for (int d = static_cast<int>(decimals); d >= 0; --d) {
        QByteArray s = FormatFixed(value, d);
        if (static_cast<size_t>(s.size()) <= length) return s;
    }
    return std::nullopt;
}

}  // namespace

CDBaseFile::CDBaseFile()
{
    m_header[0] = 3;
    m_header[10] = 1;  // record length: the deletion flag alone
    m_header[29] = kLanguageDriverAnsi;
}

std::unique_ptr<CDBaseField> CDBaseFile::CreateField(const QString& name, char type, unsigned length,
                                                     unsigned decimals) const
{
    std::unique_ptr<CDBaseField> field(new (std::nothrow) CDBaseField);
    if (!field) return nullptr;
    const QByteArray bytes = EncodeText(name, m_codePage);
    const qsizetype n = FittingPrefix(bytes, 10, m_codePage);
    std::memcpy(field->name, bytes.constData(), static_cast<size_t>(n));
    field->m_strName = DecodeText(bytes.constData(), static_cast<size_t>(n), m_codePage);
    field->type = type;
    switch (type) {
    case 'C':
        field->length = static_cast<uint8_t>(std::min(length, 254u));
        break;
    case 'D':
        field->length = 8;
        break;
    case 'F':
        field->length = 20;
        break;
    case 'L':
        field->length = 1;
        break;
    case 'M':
        field->length = 10;
        break;
    case 'N':
        field->length = static_cast<uint8_t>(std::min(length, 18u));
        field->decimals = static_cast<uint8_t>(std::min(decimals, 255u));
        break;
    case 'O':
        field->length = 8;
        break;
    default:
        break;
    }
    return field;
}

bool CDBaseFile::AppendField(std::unique_ptr<CDBaseField> field)
{
    if (!field) return false;
    const uint32_t recordLength = GetRecordLength();
    const uint32_t newLength = recordLength + field->length;
    if (newLength > kMaxRecordLength || m_fields.GetCount() >= kMaxFields) return false;
    field->m_nOffset = recordLength;
    if (!SetRecordLength(static_cast<uint16_t>(newLength))) return false;
    if (m_fields.Push(std::move(field)) < 0) {
        SetRecordLength(static_cast<uint16_t>(recordLength));
        return false;
    }
    return true;
}

bool CDBaseFile::SetRecordLength(uint16_t n)
{
    if (n == 0) return false;
    try {
        for (const auto& record : m_records) record->resize(n, '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    qToLittleEndian<uint16_t>(n, &m_header[10]);
    return true;
}

int CDBaseFile::AppendBlankRecord()
{
    std::unique_ptr<QByteArray> record;
    try {
        record = std::make_unique<QByteArray>(GetRecordLength(), ' ');
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int index = m_records.Push(std::move(record));
    if (index >= 0) SetRecordCountInHeader(m_records.GetCount());
    return index;
}

int CDBaseFile::FindField(const QString& name) const
{
    for (uint32_t i = 0; i < m_fields.GetCount(); ++i) {
        if (m_fields[i]->m_strName.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    // The stored names may not decode to what the caller wrote (characters the code page
    // lacks become '?'), so compare the encoded bytes as well.
    const QByteArray encoded = EncodeText(name, m_codePage);
    for (uint32_t i = 0; i < m_fields.GetCount(); ++i) {
        const CDBaseField* f = m_fields[i];
        const QByteArray stored(f->name, static_cast<qsizetype>(strnlen(f->name, sizeof f->name)));
        if (EqualNoCase8(stored, encoded)) return static_cast<int>(i);
    }
    return -1;
}

const CDBaseField* CDBaseFile::GetField(int i) const
{
    if (i < 0 || static_cast<uint32_t>(i) >= m_fields.GetCount()) return nullptr;
    return m_fields[static_cast<uint32_t>(i)];
}

QByteArray CDBaseFile::GetRecord(int i) const
{
    if (i < 0 || static_cast<uint32_t>(i) >= m_records.GetCount()) return QByteArray();
    return *m_records[static_cast<uint32_t>(i)];
}

uint16_t CDBaseFile::GetRecordLength() const { return GetUInt16LE(&m_header[10]); }
uint16_t CDBaseFile::GetHeaderLength() const { return GetUInt16LE(&m_header[8]); }

QDate CDBaseFile::GetDate() const { return QDate(1900 + m_header[1], m_header[2], m_header[3]); }

void CDBaseFile::SetRecordCountInHeader(uint32_t n) { qToLittleEndian<uint32_t>(n, &m_header[4]); }

const uint8_t* CDBaseFile::FieldBytes(int field, int record, const CDBaseField** desc) const
{
    const CDBaseField* f = GetField(field);
    if (!f || record < 0 || static_cast<uint32_t>(record) >= m_records.GetCount()) return nullptr;
    const QByteArray& bytes = *m_records[static_cast<uint32_t>(record)];
    // Fields always lie inside the record (the readers and AppendField keep it so); checked
    // anyway because a wrong offset here would touch foreign memory.
    if (static_cast<qsizetype>(f->m_nOffset) + f->length > bytes.size()) return nullptr;
    *desc = f;
    return reinterpret_cast<const uint8_t*>(bytes.constData()) + f->m_nOffset;
}

uint8_t* CDBaseFile::FieldBytes(int field, int record, const CDBaseField** desc)
{
    if (!static_cast<const CDBaseFile*>(this)->FieldBytes(field, record, desc)) return nullptr;
    return reinterpret_cast<uint8_t*>(m_records[static_cast<uint32_t>(record)]->data()) + (*desc)->m_nOffset;
}

void CDBaseFile::GetValueAsText(int field, int record, QString& text) const
{
    const CDBaseField* f = nullptr;
    const uint8_t* p = FieldBytes(field, record, &f);
    if (!p) return;
    switch (f->type) {
    case 'C': {
        const std::string_view raw = FieldText(p, f->length);
        QString value = DecodeText(raw.data(), raw.size(), m_codePage);
        qsizetype n = value.size();
        while (n > 0 && IsCSpace(value.at(n - 1).unicode())) --n;
        value.truncate(n);
        text = value;
        break;
    }
    case 'L':
        if (f->length == 0) break;
        switch (p[0]) {
        case 'T': case 'Y': case 't': case 'y':
            text = QStringLiteral("1");
            break;
        case ' ': case '?':
            break;
        default:
            text = QStringLiteral("0");
            break;
        }
        break;
    case 'N':
        if (const auto v = ParseLeadingDouble(FieldText(p, f->length)))
            text = QString::fromLatin1(FormatFixed(*v, f->decimals));
        break;
    default:
        break;
    }
}

bool CDBaseFile::SetNumber(int field, int record, double value)
{
    const CDBaseField* f = nullptr;
    uint8_t* p = FieldBytes(field, record, &f);
    if (!p) return true;
    m_bModified = true;
    const size_t length = f->length;
    switch (f->type) {
    case 'C': case 'D': case 'F': case 'N': case 'O':
        std::memset(p, ' ', length);
        break;
    default:
        return true;
    }
    switch (f->type) {
    case 'C': {
        QByteArray s = FormatFixed(value, 6);
        s.append('\0');
        std::memcpy(p, s.constData(), std::min<size_t>(length, static_cast<size_t>(s.size())));
        break;
    }
    case 'D': {
        if (value == 0.0 || !std::isfinite(value)) break;
        // Far outside any calendar Qt can represent the date would be garbage; leave blank.
        if (std::fabs(value) > 1e14) break;
        const QDate d = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(value)).date();
        if (!d.isValid() || d.year() < 0 || d.year() > 9999) break;
        char buf[9];
        std::snprintf(buf, sizeof buf, "%04u%02u%02u", unsigned(d.year()), unsigned(d.month()),
                      unsigned(d.day()));
        std::memcpy(p, buf, std::min<size_t>(length, 8));
        break;
    }
    case 'F': case 'N': {
        // Cutting the text at the field's end would drop integer digits and store another
        // number (123456.78 in N 5,2 as 12345). Fewer decimals are the only loss allowed; a
        // number that does not fit even so fills the field with asterisks, the dBase overflow
        // mark that readers take as no value.
        const std::optional<QByteArray> s = FormatFitting(value, f->decimals, length);
        if (!s) {
            std::memset(p, '*', length);
            return false;
        }
        const size_t n = static_cast<size_t>(s->size());
        std::memcpy(p + (length - n), s->constData(), n);
        break;
    }
    case 'O': {
        uchar b[8];
        qToLittleEndian(value, b);
        std::memcpy(p, b, std::min<size_t>(length, 8));
        break;
    }
    default:
        break;
    }
    return true;
}

void CDBaseFile::SetText(int field, int record, const QString& text)
{
    const CDBaseField* f = nullptr;
    uint8_t* p = FieldBytes(field, record, &f);
    if (!p) return;
    m_bModified = true;
    if (f->type != 'C') return;
    std::memset(p, ' ', f->length);
    QByteArray bytes = EncodeText(text, m_codePage);
    bytes.truncate(FittingPrefix(bytes, f->length, m_codePage));
    bytes.append('\0');
    std::memcpy(p, bytes.constData(), std::min<size_t>(f->length, static_cast<size_t>(bytes.size())));
}

void CDBaseFile::SetLogical(int field, int record, bool value)
{
    const CDBaseField* f = nullptr;
    uint8_t* p = FieldBytes(field, record, &f);
    if (!p) return;
    m_bModified = true;
    if (f->length > 0) p[0] = value ? 'T' : 'F';
}

bool CDBaseFile::Read(const QString& path)
{
    m_fields.RemoveAll();
    m_records.RemoveAll();
    m_bValid = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_wError = QFileInfo::exists(path) ? EXCH_CANNOT_OPEN : EXCH_NOT_FOUND;
        return false;
    }
    return Read(file);
}

bool CDBaseFile::Read(QIODevice& device)
{
    m_wError = EXCH_DAMAGED;
    m_bValid = false;
    m_fields.RemoveAll();
    m_records.RemoveAll();
    m_bModified = false;
    if (device.isSequential()) {
        // The consistency checks need the length up front.
        QByteArray all = device.readAll();
        QBuffer buffer(&all);
        buffer.open(QIODevice::ReadOnly);
        return Read(buffer);
    }
    try {
        m_bValid = ReadBody(device);
    } catch (const std::bad_alloc&) {
        m_wError = EXCH_OUT_OF_MEMORY;
        m_bValid = false;
    }
    if (m_bValid) m_wError = EXCH_OK;
    return m_bValid;
}

bool CDBaseFile::ReadBody(QIODevice& device)
{
    DeviceReader in(device);
    if (in.Length() == 0) {
        // An empty file is an empty table.
        m_header = {};
        m_header[0] = 3;
        m_header[10] = 1;
        m_header[29] = kLanguageDriverAnsi;
        return true;
    }
    // Anything shorter than a header is a cut-off file.
    if (!in.Read(m_header.data(), 32)) return false;

    const uint32_t recordCount = GetUInt32LE(&m_header[4]);
    const uint16_t headerLength = GetUInt16LE(&m_header[8]);
    const uint16_t recordLength = GetUInt16LE(&m_header[10]);
    // Every record holds at least its deletion flag, and the header at least its terminator.
    if (recordLength == 0 || headerLength < 33 || headerLength > in.Length()) return false;

    // The field count follows from the record length: descriptors are taken until their
    // lengths fill the record. They must all lie before the terminator.
    uint32_t offset = 1;
    while (offset < recordLength) {
        if (in.Consumed() + 32 > headerLength - 1) return false;
        std::unique_ptr<CDBaseField> field(new (std::nothrow) CDBaseField);
        if (!field) {
            m_wError = EXCH_OUT_OF_MEMORY;
            return false;
        }
        if (!in.Read(static_cast<tagDBASEFIELD*>(field.get()), 32)) return false;
        field->m_strName = DecodeText(field->name, strnlen(field->name, sizeof field->name), m_codePage);
        field->m_nOffset = offset;
        offset += field->length;
        if (m_fields.Push(std::move(field)) < 0) {
            m_wError = EXCH_OUT_OF_MEMORY;
            return false;
        }
    }
    // Fields reaching past the record would read beyond every record buffer.
    if (offset != recordLength) return false;

    // Padding up to the header length is allowed; its last byte must be the terminator.
    if (!in.Skip(headerLength - 1 - in.Consumed())) return false;
    uint8_t terminator = 0;
    if (!in.Read(&terminator, 1) || terminator != kTerminator) return false;

    // The records must be present in full before room is reserved for them.
    if (static_cast<qint64>(recordCount) * recordLength > in.Remaining()) return false;
    if (!m_records.Reserve(recordCount)) {
        m_wError = EXCH_OUT_OF_MEMORY;
        return false;
    }
    for (uint32_t i = 0; i < recordCount; ++i) {
        auto record = std::make_unique<QByteArray>(recordLength, Qt::Uninitialized);
        if (!in.Read(record->data(), recordLength)) return false;
        if (m_records.Push(std::move(record)) < 0) {
            m_wError = EXCH_OUT_OF_MEMORY;
            return false;
        }
    }

    // Optionally the end-of-file marker, then nothing more.
    if (in.Remaining() == 0) return true;
    uint8_t eof = 0;
    if (!in.Read(&eof, 1) || eof != kEndOfFile) return false;
    return in.Remaining() == 0;
}

bool CDBaseFile::Write(QIODevice& device)
{
    const uint32_t fieldCount = m_fields.GetCount();
    if (fieldCount > kMaxFields) return false;
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(32 * fieldCount + 33), &m_header[8]);
    SetRecordCountInHeader(m_records.GetCount());
    if (m_bModified) {
        const QDate today = QDate::currentDate();
        m_header[1] = static_cast<uint8_t>(today.year() - 1900);
        m_header[2] = static_cast<uint8_t>(today.month());
        m_header[3] = static_cast<uint8_t>(today.day());
    }
    DeviceWriter out(device);
    out.Write(m_header.data(), 32);
    for (const auto& field : m_fields) out.Write(static_cast<const tagDBASEFIELD*>(field.get()), 32);
    out.Byte(kTerminator);
    for (const auto& record : m_records) out.Write(*record);
    out.Byte(kEndOfFile);
    return out.Ok();
}

}  // namespace korvel
