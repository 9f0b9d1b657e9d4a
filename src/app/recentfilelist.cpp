#include "app/recentfilelist.h"

#include <QFileInfo>
#include <QSettings>

namespace korvel {
namespace {

bool SameFile(const QString& a, const QString& b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

void CRecentFileList::Load(const QSettings& settings)
{
    m_entries.clear();
    for (int i = 1; i <= kMaxEntries; ++i) {
        const QString path = settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (path.isEmpty()) continue;
        bool dup = false;
        for (const QString& e : m_entries) dup = dup || SameFile(e, path);
        if (!dup) m_entries << path;
    }
}

void CRecentFileList::Save(QSettings& settings) const
{
    settings.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < m_entries.size(); ++i) {
        settings.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), m_entries.at(i));
    }
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty()) return;
    Remove(path);
    m_entries.prepend(QFileInfo(path).absoluteFilePath());
    while (m_entries.size() > kMaxEntries) m_entries.removeLast();
}

void CRecentFileList::Remove(const QString& path)
{
    for (int i = m_entries.size() - 1; i >= 0; --i) {
        if (SameFile(m_entries.at(i), path)) m_entries.removeAt(i);
    }
}

}  // namespace korvel
