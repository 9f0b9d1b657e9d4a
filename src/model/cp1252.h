#pragma once
// Windows-1252, the 8-bit code page of the files the surveying tools exchange (older document
// streams, dBase tables, handheld text files). Qt 6 ships no codec for it, so we carry our own.

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace korvel {

// Decodes Windows-1252 bytes. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control characters of the same value, as Windows does.
QString DecodeCp1252(const char* data, size_t size);
inline QString DecodeCp1252(const QByteArray& bytes)
{
    return DecodeCp1252(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// One Windows-1252 byte as a UTF-16 unit.
char16_t Cp1252ToUnicode(unsigned char byte);

// Encodes text as Windows-1252. Characters the code page cannot represent become '?';
// `lossless` (when given) tells whether that happened.
QByteArray EncodeCp1252(const QString& text, bool* lossless = nullptr);

// Whether `ch` has a Windows-1252 representation.
bool IsCp1252Representable(char16_t ch);

}  // namespace korvel
