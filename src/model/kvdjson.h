#pragma once
// A small streaming JSON writer for the document dump of korvel-cli. Doubles are written with
// 17 significant digits so that every value survives a round trip bit for bit; output goes to
// a device in chunks, so dumping a document of millions of objects needs little memory.
// JSON has no number for NaN or the infinities: they are written as the strings "NaN",
// "Infinity" and "-Infinity", so every dump stays valid JSON and still says what was stored.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace korvel {

class CKvdJson {
public:
    explicit CKvdJson(QIODevice& device);
    ~CKvdJson();
    CKvdJson(const CKvdJson&) = delete;
    CKvdJson& operator=(const CKvdJson&) = delete;

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the next member inside an object.
    void Key(const char* key);

    void Value(double v);
    void Value(int64_t v);
    void Value(uint64_t v);
    void Value(int32_t v) { Value(static_cast<int64_t>(v)); }
    void Value(uint32_t v) { Value(static_cast<uint64_t>(v)); }
    void Value(const QString& s);
    void Value(bool b);
    void Null();

    // [x, y] of a point.
    void Point(double x, double y);

    // Hands what is buffered to the device; false when the device refused bytes.
    bool Flush();
    bool Failed() const { return m_bFailed; }

private:
    void Separate();
    void Raw(const char* s, qsizetype n);
    void Raw(const QByteArray& b) { Raw(b.constData(), b.size()); }

    QIODevice& m_device;
    QByteArray m_buffer;
    std::vector<bool> m_first;  // per open container: no member written yet
    bool m_bAfterKey = false;
    bool m_bFailed = false;
};

}  // namespace korvel
