#pragma once
// Small helpers for the binary exchange readers and writers: a reader that knows how many
// bytes remain (so that counts from the file can be checked before anything is allocated)
// and a writer that remembers the first failure.

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

#include <cstdint>

namespace korvel {

class DeviceReader {
public:
    // Reads `device` from its current position; the end is the device's size at construction.
    explicit DeviceReader(QIODevice& device)
        : m_device(device), m_start(device.pos()), m_end(device.size())
    {
        if (m_end < m_start) m_end = m_start;
    }

    // Bytes between the current position and the end.
    qint64 Remaining() const { return m_end - m_device.pos(); }
    // Bytes consumed since construction.
    qint64 Consumed() const { return m_device.pos() - m_start; }
    // Bytes from construction to the end.
    qint64 Length() const { return m_end - m_start; }

    // Reads exactly `n` bytes; false (and an unspecified position) on a short read.
    bool Read(void* dst, qint64 n)
    {
        if (n < 0 || n > Remaining()) return false;
        return m_device.read(static_cast<char*>(dst), n) == n;
    }
    bool Skip(qint64 n)
    {
        if (n < 0 || n > Remaining()) return false;
        return m_device.seek(m_device.pos() + n);
    }

private:
    QIODevice& m_device;
    qint64 m_start;
    qint64 m_end;
};

// Collects what is written in blocks of 64 KB before handing it to the device: files of a
// million records are written field by field, and a device call per field costs more than the
// field itself. Ok() hands over what is still collected; call it once everything is written.
class DeviceWriter {
public:
    explicit DeviceWriter(QIODevice& device) : m_device(device) { m_buffer.reserve(kBlock); }
    DeviceWriter(const DeviceWriter&) = delete;
    DeviceWriter& operator=(const DeviceWriter&) = delete;
    ~DeviceWriter() { Flush(); }

    void Write(const void* data, qint64 n)
    {
        if (!m_ok || n <= 0) return;
        if (m_buffer.size() + n > kBlock) {
            Flush();
            if (n >= kBlock) {
                if (m_device.write(static_cast<const char*>(data), n) != n) m_ok = false;
                return;
            }
        }
        m_buffer.append(static_cast<const char*>(data), n);
    }
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    void Byte(uint8_t b) { Write(&b, 1); }
    void Int32BE(int32_t v)
    {
        uchar b[4];
        qToBigEndian(v, b);
        Write(b, 4);
    }
    void Int32LE(int32_t v)
    {
        uchar b[4];
        qToLittleEndian(v, b);
        Write(b, 4);
    }
    void DoubleLE(double v)
    {
        uchar b[8];
        qToLittleEndian(v, b);
        Write(b, 8);
    }
    // Hands everything collected to the device; false once any write failed.
    bool Ok()
    {
        Flush();
        return m_ok;
    }

private:
    static constexpr qint64 kBlock = 64 * 1024;

    void Flush()
    {
        if (m_ok && !m_buffer.isEmpty() && m_device.write(m_buffer) != m_buffer.size()) m_ok = false;
        m_buffer.resize(0);  // keeps the block
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_ok = true;
};

inline int32_t GetInt32BE(const uint8_t* p) { return qFromBigEndian<int32_t>(p); }
inline int32_t GetInt32LE(const uint8_t* p) { return qFromLittleEndian<int32_t>(p); }
inline uint32_t GetUInt32LE(const uint8_t* p) { return qFromLittleEndian<uint32_t>(p); }
inline uint16_t GetUInt16LE(const uint8_t* p) { return qFromLittleEndian<uint16_t>(p); }
inline double GetDoubleLE(const uint8_t* p) { return qFromLittleEndian<double>(p); }

}  // namespace korvel
