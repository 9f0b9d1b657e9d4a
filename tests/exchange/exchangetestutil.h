#pragma once
// Helpers of the exchange tests: files in and out of byte arrays and the golden fixtures.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace korvel::test {

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QString GoldenPath(const QString& name) { return QStringLiteral(KORVEL_TESTDATA_DIR "/exchange/golden/") + name; }

// A .dbf with the three date bytes zeroed, for comparison with the golden tables.
inline QByteArray WithoutDate(QByteArray dbf)
{
    if (dbf.size() >= 4) dbf.replace(1, 3, QByteArray(3, '\0'));
    return dbf;
}

}  // namespace korvel::test
