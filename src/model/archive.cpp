#include "model/archive.h"

#include "model/cp1252.h"
#include "model/smallcopy.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace korvel {

const char* CArchiveException::what() const noexcept
{
    switch (m_error) {
    case ArchiveError::None: return "no error";
    case ArchiveError::EndOfFile: return "unexpected end of stream";
    case ArchiveError::UnknownClass: return "unknown class";
    case ArchiveError::BadClassName: return "invalid class name";
    case ArchiveError::BadSchema: return "unsupported schema";
    case ArchiveError::WrongClass: return "object of an unexpected class";
    case ArchiveError::BadIndex: return "invalid object or class index";
    case ArchiveError::SharedObject: return "object referenced twice";
    case ArchiveError::TooDeep: return "objects nested too deeply";
    case ArchiveError::BadValue: return "value out of range";
    case ArchiveError::WriteFailed: return "write failed";
    }
    return "archive error";
}

// ---- reading ----------------------------------------------------------------------------

CArchiveReader::CArchiveReader(const char* data, size_t size)
    : m_begin(reinterpret_cast<const unsigned char*>(data)), m_cur(m_begin), m_end(m_begin + size)
{
}

void CArchiveReader::SetReleaseBehind(std::function<void(const char*, size_t)> release, size_t step)
{
    m_release = std::move(release);
    m_nReleaseStep = step;
    m_nReleaseMark = (m_release && step > 0) ? Position() + step : SIZE_MAX;
}

void CArchiveReader::ReleaseBehind()
{
    const size_t done = static_cast<size_t>(m_cur - m_begin) / m_nReleaseStep * m_nReleaseStep;
    if (done > m_nReleased) {
        m_release(reinterpret_cast<const char*>(m_begin) + m_nReleased, done - m_nReleased);
        m_nReleased = done;
    }
    m_nReleaseMark = done + m_nReleaseStep;
}

uint64_t CArchiveReader::ReadCount()
{
    const uint16_t w = ReadWord();
    if (w != 0xFFFF) return w;
    const uint32_t d = ReadDword();
    if (d != 0xFFFFFFFFu) return d;
    return ReadQword();
}

uint64_t CArchiveReader::ReadStringLength(bool* utf16)
{
    *utf16 = false;
    uint8_t b = ReadByte();
    if (b < 0xFF) return b;
    uint16_t w = ReadWord();
    if (w == 0xFFFE) {
        *utf16 = true;
        b = ReadByte();
        if (b < 0xFF) return b;
        w = ReadWord();
    }
    if (w < 0xFFFF) return w;
    const uint32_t d = ReadDword();
    if (d < 0xFFFFFFFFu) return d;
    return ReadQword();
}

QString CArchiveReader::ReadString()
{
    QString s;
    ReadStringInto(s);
    return s;
}

void CArchiveReader::ReadStringInto(QString& out)
{
    bool utf16 = false;
    const uint64_t length = ReadStringLength(&utf16);
    RequireItems(length, utf16 ? 2 : 1);
    const auto n = static_cast<size_t>(length);
    out.resize(static_cast<qsizetype>(n));
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    if (!utf16) {
        for (size_t i = 0; i < n; ++i) dst[i] = Cp1252ToUnicode(m_cur[i]);
        m_cur += n;
        return;
    }
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        if (n > 0) std::memcpy(dst, m_cur, 2 * n);
    } else {
        for (size_t i = 0; i < n; ++i) dst[i] = qFromLittleEndian<uint16_t>(m_cur + 2 * i);
    }
    m_cur += 2 * n;
}

CArchiveReader::RawString CArchiveReader::ReadRawStringSlow()
{
    bool utf16 = false;
    const uint64_t length = ReadStringLength(&utf16);
    RequireItems(length, utf16 ? 2 : 1);
    RawString raw{m_cur, static_cast<size_t>(length), utf16};
    m_cur += utf16 ? 2 * raw.units : raw.units;
    return raw;
}

QByteArray CArchiveReader::ReadBytes(size_t n)
{
    Require(n);
    QByteArray b(reinterpret_cast<const char*>(m_cur), static_cast<qsizetype>(n));
    m_cur += n;
    return b;
}

// ---- writing ----------------------------------------------------------------------------

CArchiveWriter::CArchiveWriter(QIODevice& device) : m_device(device), m_pBuffer(new char[kBufferSize]) {}

CArchiveWriter::~CArchiveWriter()
{
    try {
        Flush();
    } catch (const CArchiveException&) {
        // The owner learns of the failure from its own Flush(); a destructor must not throw.
    }
}

void CArchiveWriter::PutSlow(const void* data, size_t n)
{
    Flush();
    if (n >= kBufferSize) {
        if (m_device.write(static_cast<const char*>(data), static_cast<qint64>(n)) != static_cast<qint64>(n))
            throw CArchiveException(ArchiveError::WriteFailed);
        return;
    }
    std::memcpy(m_pBuffer.get(), data, n);
    m_nUsed = n;
}

void CArchiveWriter::Flush()
{
    if (m_nUsed == 0) return;
    const auto size = static_cast<qint64>(m_nUsed);
    m_nUsed = 0;
    if (m_device.write(m_pBuffer.get(), size) != size) throw CArchiveException(ArchiveError::WriteFailed);
}

void CArchiveWriter::WriteWord(uint16_t v)
{
    unsigned char b[2];
    qToLittleEndian(v, b);
    Put(b, 2);
}

void CArchiveWriter::WriteDword(uint32_t v)
{
    unsigned char b[4];
    qToLittleEndian(v, b);
    Put(b, 4);
}

void CArchiveWriter::WriteQword(uint64_t v)
{
    unsigned char b[8];
    qToLittleEndian(v, b);
    Put(b, 8);
}

void CArchiveWriter::WriteDouble(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    WriteQword(bits);
}

void CArchiveWriter::WriteCount(uint64_t n)
{
    if (n < 0xFFFF) {
        WriteWord(static_cast<uint16_t>(n));
        return;
    }
    WriteWord(0xFFFF);
    if (n < 0xFFFFFFFFu) {
        WriteDword(static_cast<uint32_t>(n));
        return;
    }
    WriteDword(0xFFFFFFFFu);
    WriteQword(n);
}

void CArchiveWriter::WriteString(QStringView s)
{
    const auto n = static_cast<uint64_t>(s.size());
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        // The common short string straight into the buffer: marker FF, FFFE, length byte, units.
        if (n < 0xFF && 4 + 2 * n <= kBufferSize - m_nUsed) {
            auto* d = reinterpret_cast<unsigned char*>(m_pBuffer.get()) + m_nUsed;
            d[0] = 0xFF;
            d[1] = 0xFE;
            d[2] = 0xFF;
            d[3] = static_cast<unsigned char>(n);
            CopyValueBytes(d + 4, reinterpret_cast<const unsigned char*>(s.utf16()), 2 * static_cast<size_t>(n));
            m_nUsed += 4 + 2 * static_cast<size_t>(n);
            return;
        }
    }
    WriteByte(0xFF);
    WriteWord(0xFFFE);
    if (n < 0xFF) {
        WriteByte(static_cast<uint8_t>(n));
    } else {
        WriteByte(0xFF);
        if (n < 0xFFFE) {
            WriteWord(static_cast<uint16_t>(n));
        } else {
            WriteWord(0xFFFF);
            if (n < 0xFFFFFFFFu) {
                WriteDword(static_cast<uint32_t>(n));
            } else {
                WriteDword(0xFFFFFFFFu);
                WriteQword(n);
            }
        }
    }
    const char16_t* src = s.utf16();
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        Put(src, 2 * static_cast<size_t>(n));
    } else {
        for (uint64_t i = 0; i < n; ++i) WriteWord(src[i]);
    }
}

}  // namespace korvel
