#pragma once
// The primitive items of the .kvd byte stream: little-endian integers and doubles, counts and
// strings with their escape forms. CArchiveReader walks a byte span and never reads past its
// end; CArchiveWriter buffers into a QIODevice. Both report trouble with CArchiveException,
// which stays inside the stream code: the document catches it and returns a status.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <exception>

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

    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDword();
    uint64_t ReadQword();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadDword()); }
    double ReadDouble();

    // A count: WORD, or WORD 0xFFFF + DWORD, or WORD 0xFFFF + DWORD 0xFFFFFFFF + QWORD.
    uint64_t ReadCount();

    // A string in either form: UTF-16 after the mark FF FE FF, or 8-bit Windows-1252 bytes.
    // The length is checked against the remaining bytes before anything is allocated.
    QString ReadString();

    // Reads `n` raw bytes.
    QByteArray ReadBytes(size_t n);

    size_t Remaining() const { return static_cast<size_t>(m_end - m_cur); }
    size_t Position() const { return static_cast<size_t>(m_cur - m_begin); }

    // Throws EndOfFile unless `count` items of at least `bytesEach` bytes can still follow.
    void RequireItems(uint64_t count, uint64_t bytesEach) const;

private:
    void Require(size_t n) const
    {
        if (n > Remaining()) throw CArchiveException(ArchiveError::EndOfFile);
    }
    uint64_t ReadStringLength(bool* utf16);

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
    void Put(const void* data, size_t n);

    QIODevice& m_device;
    QByteArray m_buffer;
};

}  // namespace korvel
