#include "imagery/worldfile.h"

#include <QDir>
#include <QFileInfo>

#include <charconv>
#include <cmath>

namespace korvel {

QString WorldFilePath(const QString& imagePath)
{
    const QFileInfo info(imagePath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return QString();
    QString ext = name.mid(dot);
    if (ext.size() < 4) return QString();
    ext[2] = ext[3];
    ext[3] = QLatin1Char('W');
    if (!ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
    return imagePath.left(imagePath.size() - (name.size() - dot)) + ext;
}

QString FindIgnoringCase(const QString& path)
{
    if (path.isEmpty()) return QString();
    const QFileInfo info(path);
    if (info.isFile()) return path;
    const QDir dir = info.dir();
    const QString wanted = info.fileName();
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) return dir.filePath(name);
    }
    return QString();
}

namespace {

// The number at the start of `line`, as the C library's atof reads it (in the C locale).
double LeadingNumber(QByteArrayView line)
{
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\v' || *p == '\f')) ++p;
    if (p < end && *p == '+') ++p;
    double v = 0;
    const auto result = std::from_chars(p, end, v);
    return result.ec == std::errc() ? v : 0.0;
}

}  // namespace

bool ParseWorldFile(QByteArrayView text, WorldFileValues* values)
{
    double v[6] = {};
    qsizetype pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (pos >= text.size()) return false;
        qsizetype nl = text.indexOf('\n', pos);
        if (nl < 0) nl = text.size();
        v[i] = LeadingNumber(text.sliced(pos, nl - pos));
        pos = nl + 1;
    }
    for (double x : v) {
        if (!std::isfinite(x)) return false;
    }
    if (v[0] == 0 || v[3] == 0) return false;
    *values = WorldFileValues{v[0], v[1], v[2], v[3], v[4], v[5]};
    return true;
}

}  // namespace korvel
