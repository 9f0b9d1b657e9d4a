#include "imagery/tempmapfolder.h"

#include <QDir>
#include <QStandardPaths>

namespace korvel {
namespace {

QString& FolderOverride()
{
    static QString folder;
    return folder;
}

}  // namespace

QString TempMapFolder()
{
    if (!FolderOverride().isEmpty()) return FolderOverride();
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Korvel/tmpmaps");
}

void SetTempMapFolder(const QString& folder) { FolderOverride() = folder; }

bool MakeTempMapFolder() { return QDir().mkpath(TempMapFolder()); }

}  // namespace korvel
