#pragma once
// The primitive items of the .kvd byte stream: little-endian integers and doubles, counts and
// strings with their escape forms. CArchiveReader walks a byte span and never reads past its
// end; CArchiveWriter buffers into a QIODevice. Both report trouble with CArchiveException,
// which stays inside the stream code: the document catches it and returns a status.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <exception>
#include <functional>

class QIODevice;

namespace korvel {

// Why a stream could not be read or written.
enum class ArchiveError {
    None = 0,
    EndOfFile,       // the stream ends inside an item, or a count/length exceeds what remains
    UnknownClass,    // a class name no registered class has
    BadClassName,    // a class name of 64 characters or more, or not printable ASCII
    BadSchema,       // a schema other than the class's own (1)
    WrongClass,      // an object of another class where a specific one is expected
    BadIndex,        // class index 0, an index not yet assigned, or one of the wrong kind
    SharedObject,    // a back reference: the same object twice, or a list containing itself
    TooDeep,         // objects nested deeper than the reader allows
    BadValue,        // a value the model cannot hold (e.g. a ring too large for memory)
    WriteFailed,     // the device refused bytes
};

class CArchiveException : public std::exception {
public:
    explicit CArchiveException(ArchiveError error) : m_error(error) {}
    ArchiveError error() const { return m_error; }
    const char* what() const noexcept override;

private:
    ArchiveError m_error;
};

// Reads items from a byte span that must outlive the reader.
class CArchiveReader {
public:
    CArchiveReader(const char* data, size_t size);
    explicit CArchiveReader(const QByteArray& bytes)
        : CArchiveReader(bytes.constData(), static_cast<size_t>(bytes.size()))
    {
    }

    // The primitives are inline: a document of a million points reads some 30 million of them.
    uint8_t ReadByte()
    {
        Require(1);
        return *m_cur++;
    }
    uint16_t ReadWord() { return Read<uint16_t>(); }
    uint32_t ReadDword() { return Read<uint32_t>(); }
    uint64_t ReadQword() { return Read<uint64_t>(); }
    int32_t ReadInt32() { return static_cast<int32_t>(ReadDword()); }
    double ReadDouble()
    {
        const uint64_t bits = ReadQword();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    // The next `n` bytes, checked once, for a record of fixed layout read field by field with
    // the Load functions below; the reader moves past them.
    const unsigned char* ReadSpan(size_t n)
    {
        Require(n);
        const unsigned char* p = m_cur;
        m_cur += n;
        return p;
    }
    static uint32_t LoadDword(const unsigned char* p) { return qFromLittleEndian<uint32_t>(p); }
    static double LoadDouble(const unsigned char* p)
    {
        const uint64_t bits = qFromLittleEndian<uint64_t>(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    // A count: WORD, or WORD 0xFFFF + DWORD, or WORD 0xFFFF + DWORD 0xFFFFFFFF + QWORD.
    uint64_t ReadCount();

    // A string in either form: UTF-16 after the mark FF FE FF, or 8-bit Windows-1252 bytes.
    // The length is checked against the remaining bytes before anything is allocated.
    QString ReadString();
    // The same into `out`, reusing its storage: no allocation once it is large enough.
    void ReadStringInto(QString& out);

    // A string's characters where they lie in the span, without copying: `units` UTF-16LE code
    // units (utf16) or Windows-1252 bytes. Valid as long as the span.
    struct RawString {
        const unsigned char* data;
        size_t units;
        bool utf16;
    };
    RawString ReadRawString()
    {
        // The form this program writes for short strings, in one step: FF, FE FF, a one-byte
        // length, the code units. Everything else takes the general path.
        if (Remaining() >= 4) {
            const uint32_t head = qFromLittleEndian<uint32_t>(m_cur);
            const size_t units = head >> 24;
            if ((head & 0x00FFFFFFu) == 0x00FFFEFFu && units < 0xFF && 2 * units <= Remaining() - 4) {
                const RawString raw{m_cur + 4, units, true};
                m_cur += 4 + 2 * units;
                return raw;
            }
        }
        return ReadRawStringSlow();
    }

    // Reads `n` raw bytes.
    QByteArray ReadBytes(size_t n);

    // Asks `release` to give back the bytes already read, in steps of `step` bytes (a multiple
    // of the page size), relative to the start of the span, which must be page-aligned. Reading
    // never returns to them, so a mapped file then costs no more than a window of memory.
    void SetReleaseBehind(std::function<void(const char*, size_t)> release, size_t step);
    // Releases what lies behind when the next step has been read; cheap otherwise.
    void MaybeReleaseBehind()
    {
        if (static_cast<size_t>(m_cur - m_begin) >= m_nReleaseMark) ReleaseBehind();
    }

    size_t Remaining() const { return static_cast<size_t>(m_end - m_cur); }
    // Where the next item starts (Remaining() bytes follow); nothing is consumed.
    const unsigned char* PeekSpan() const { return m_cur; }
    size_t Position() const { return static_cast<size_t>(m_cur - m_begin); }

    // Throws EndOfFile unless `count` items of at least `bytesEach` bytes can still follow.
    void RequireItems(uint64_t count, uint64_t bytesEach) const
    {
        uint64_t need = 0;
        if (__builtin_mul_overflow(count, bytesEach, &need) || need > Remaining()) [[unlikely]]
            throw CArchiveException(ArchiveError::EndOfFile);
    }

private:
    void Require(size_t n) const
    {
        if (n > Remaining()) [[unlikely]]
            throw CArchiveException(ArchiveError::EndOfFile);
    }
    template <class T>
    T Read()
    {
        Require(sizeof(T));
        const T v = qFromLittleEndian<T>(m_cur);
        m_cur += sizeof(T);
        return v;
    }
    uint64_t ReadStringLength(bool* utf16);
    RawString ReadRawStringSlow();
    void ReleaseBehind();

    std::function<void(const char*, size_t)> m_release;
    size_t m_nReleaseStep = 0;
    size_t m_nReleased = 0;  // bytes from m_begin already given back
    size_t m_nReleaseMark = SIZE_MAX;  // offset at which to release next; never without `m_release`

    const unsigned char* m_begin;
    const unsigned char* m_cur;
    const unsigned char* m_end;
};

// Writes items into a device through a buffer. Flush() (also called by the destructor,
// which swallows errors) hands the rest to the device; a refused write throws WriteFailed.
class CArchiveWriter {
public:
    explicit CArchiveWriter(QIODevice& device);
    ~CArchiveWriter();
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    void WriteByte(uint8_t v) { Put(&v, 1); }
    void WriteWord(uint16_t v);
    void WriteDword(uint32_t v);
    void WriteQword(uint64_t v);
    void WriteInt32(int32_t v) { WriteDword(static_cast<uint32_t>(v)); }
    void WriteDouble(double v);
    void WriteCount(uint64_t n);
    // Always the UTF-16 form: FF FE FF, the length, then UTF-16LE code units.
    void WriteString(QStringView s);
    void WriteBytes(const char* data, size_t n) { Put(data, n); }

    void Flush();

private:
    static constexpr size_t kBufferSize = 1 << 16;

    void Put(const void* data, size_t n)
    {
        if (n == 0) return;  // also for the null data of an empty string
        if (n > kBufferSize - m_nUsed) {
            PutSlow(data, n);
            return;
        }
        std::memcpy(m_pBuffer.get() + m_nUsed, data, n);
        m_nUsed += n;
    }
    void PutSlow(const void* data, size_t n);

    QIODevice& m_device;
    std::unique_ptr<char[]> m_pBuffer;
    size_t m_nUsed = 0;
};

}  // namespace korvel
