#pragma once
// Writes a group of files that belong together (the parts of a shapefile) so that an older
// group is never left half replaced: every file is first written under a temporary name in its
// target folder, and only when all of them are complete are they renamed into place.

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QFile;
class QIODevice;

namespace korvel {

class AtomicFileSet {
public:
    AtomicFileSet() = default;
    // Removes the temporary files of a set that was not committed.
    ~AtomicFileSet();
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;

    // Opens a temporary file that will become `finalPath`. Null when it cannot be created
    // (FailedPath then names `finalPath`).
    QIODevice* Add(const QString& finalPath);

    // A file to delete when the set is committed (a sibling that would no longer match).
    void RemoveOnCommit(const QString& path) { m_remove.append(path); }

    // Flushes and closes every temporary file, checks that no target is a folder, and renames
    // them into place in the reverse order of adding (the first file added, the one readers
    // look for, appears last). False when any of that fails; FailedPath names the file
    // concerned, and the temporary files are removed.
    bool Commit();

    QString FailedPath() const { return m_failedPath; }
    QString ErrorString() const { return m_errorString; }

private:
    struct Entry {
        QString finalPath;
        QString tempPath;
        std::unique_ptr<QFile> file;
    };
    void Discard();

    std::vector<Entry> m_entries;
    QStringList m_remove;
    QString m_failedPath;
    QString m_errorString;
};

}  // namespace korvel
