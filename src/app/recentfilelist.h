#pragma once
// The list of recently used documents shown at the end of the file menu: at most ten paths,
// newest first, kept in the settings section "Recent File List" (values File1 … File10).

#include <QStringList>

class QSettings;

namespace korvel {

class CRecentFileList {
public:
    static constexpr int kMaxEntries = 10;

    void Load(const QSettings& settings);
    void Save(QSettings& settings) const;

    // Puts `path` at the top; an entry for the same file further down is dropped.
    void Add(const QString& path);
    // Drops `path` (a document that could not be opened any more).
    void Remove(const QString& path);

    const QStringList& entries() const { return m_entries; }

private:
    QStringList m_entries;
};

}  // namespace korvel
