#pragma once
// The 8-bit code pages of exchanged files. dBase tables and handheld files carry Windows-1252
// text; tables from current GIS programs may declare another code page in a `.cpg` file beside
// them (usually UTF-8), which the reader honours so that umlauts survive.

#include <QByteArray>
#include <QString>

#include <cstddef>

namespace korvel {

enum class TableCodePage {
    Windows1252,  // the default: what this program writes and what a table without .cpg holds
    Latin1,       // ISO 8859-1, as older GIS programs declare it
    Utf8,
};

// Decodes `size` bytes of text in the code page.
QString DecodeText(const char* data, size_t size, TableCodePage cp);
inline QString DecodeText(const QByteArray& bytes, TableCodePage cp)
{
    return DecodeText(bytes.constData(), static_cast<size_t>(bytes.size()), cp);
}

// Encodes text in the code page. Characters an 8-bit code page cannot hold become '?'.
QByteArray EncodeText(const QString& text, TableCodePage cp);

// How many leading bytes of `bytes` may be kept when the text must fit `maxBytes`: never
// splits a UTF-8 sequence (8-bit code pages simply give min(size, maxBytes)).
qsizetype FittingPrefix(const QByteArray& bytes, qsizetype maxBytes, TableCodePage cp);

// The code page a `.cpg` file names (its whole content). Unknown or empty names give
// Windows-1252, the code page a table without `.cpg` is taken to have.
TableCodePage CodePageFromCpg(const QByteArray& cpgContent);

// The text to write into a `.cpg` file for the code page (without line end).
QByteArray CpgText(TableCodePage cp);

}  // namespace korvel
