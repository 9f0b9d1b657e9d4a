#include "exchange/atomicfileset.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace korvel {

AtomicFileSet::~AtomicFileSet() { Discard(); }

void AtomicFileSet::Discard()
{
    for (Entry& e : m_entries) {
        if (e.file) {
            e.file->close();
            QFile::remove(e.tempPath);
            e.file.reset();
        }
    }
}

QIODevice* AtomicFileSet::Add(const QString& finalPath)
{
    const QFileInfo info(finalPath);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString temp = info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.') +
                             QString::number(QRandomGenerator::global()->generate(), 36) + QLatin1String(".tmp");
        auto file = std::make_unique<QFile>(temp);
        // NewOnly: never reuse a name someone else holds; permissions follow the umask.
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_entries.push_back(Entry{finalPath, temp, std::move(file)});
            return m_entries.back().file.get();
        }
        if (!QFile::exists(temp)) {  // not a name clash: the folder refuses new files
            m_errorString = file->errorString();
            break;
        }
    }
    m_failedPath = finalPath;
    return nullptr;
}

bool AtomicFileSet::Commit()
{
    for (Entry& e : m_entries) {
        bool ok = e.file->flush();
        if (ok && ::fsync(e.file->handle()) != 0) ok = false;
        if (ok) e.file->close();
        if (!ok || e.file->error() != QFileDevice::NoError) {
            m_failedPath = e.finalPath;
            m_errorString = e.file->errorString();
            Discard();
            return false;
        }
    }
    // Renaming onto a folder is the one failure that can be seen in advance; checking all
    // targets first keeps it from leaving a group half replaced.
    for (const Entry& e : m_entries) {
        const QFileInfo target(e.finalPath);
        if (target.exists() && target.isDir()) {
            m_failedPath = e.finalPath;
            m_errorString = QStringLiteral("is a directory");
            Discard();
            return false;
        }
    }
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        Entry& e = *it;
        // rename() replaces an existing file atomically.
        if (std::rename(QFile::encodeName(e.tempPath).constData(), QFile::encodeName(e.finalPath).constData()) != 0) {
            m_failedPath = e.finalPath;
            m_errorString = QString::fromLocal8Bit(std::strerror(errno));
            Discard();
            return false;
        }
        e.file.reset();
    }
    for (const QString& path : m_remove) QFile::remove(path);
    return true;
}

}  // namespace korvel
