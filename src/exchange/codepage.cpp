#include "exchange/codepage.h"

#include "model/cp1252.h"

namespace korvel {
namespace {

// Latin-1: every character up to U+00FF is its own byte.
QByteArray EncodeLatin1(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        if (ch <= 0xFF) {
            out.append(static_cast<char>(ch));
            continue;
        }
        out.append('?');
        // A surrogate pair is one character and becomes one '?'.
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    }
    return out;
}

}  // namespace

QString DecodeText(const char* data, size_t size, TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return QString::fromUtf8(data, static_cast<qsizetype>(size));
    case TableCodePage::Latin1:
        return QString::fromLatin1(data, static_cast<qsizetype>(size));
    case TableCodePage::Windows1252:
        break;
    }
    return DecodeCp1252(data, size);
}

QByteArray EncodeText(const QString& text, TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return text.toUtf8();
    case TableCodePage::Latin1:
        return EncodeLatin1(text);
    case TableCodePage::Windows1252:
        break;
    }
    return EncodeCp1252(text);
}

qsizetype FittingPrefix(const QByteArray& bytes, qsizetype maxBytes, TableCodePage cp)
{
    if (maxBytes <= 0) return 0;
    if (bytes.size() <= maxBytes) return bytes.size();
    if (cp != TableCodePage::Utf8) return maxBytes;
    // Step back over continuation bytes so the cut falls before a lead byte.
    qsizetype n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(bytes.at(n)) & 0xC0) == 0x80) --n;
    return n;
}

TableCodePage CodePageFromCpg(const QByteArray& cpgContent)
{
    QByteArray name = cpgContent.trimmed().toUpper();
    name.replace('-', "").replace('_', "").replace(' ', "");
    if (name == "UTF8" || name == "65001") return TableCodePage::Utf8;
    if (name == "88591" || name == "ISO88591" || name == "LATIN1" || name == "28591")
        return TableCodePage::Latin1;
    return TableCodePage::Windows1252;
}

QByteArray CpgText(TableCodePage cp)
{
    switch (cp) {
    case TableCodePage::Utf8:
        return "UTF-8";
    case TableCodePage::Latin1:
        return "ISO-8859-1";
    case TableCodePage::Windows1252:
        break;
    }
    return "1252";
}

}  // namespace korvel
