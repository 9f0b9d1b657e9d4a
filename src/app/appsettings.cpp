#include "app/appsettings.h"

#include "model/coordsys.h"

#include <QSettings>

namespace korvel {

void UseSettingsFolder(const QString& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

int ReadInt(const QSettings& settings, const char* key, int fallback)
{
    const QVariant v = settings.value(QLatin1String(key));
    if (!v.isValid()) return fallback;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : fallback;
}

int ReadCoordSys(const QSettings& settings)
{
    return ParseCoordSysSetting(settings.value(QLatin1String(key::CoordSys)).toString());
}

}  // namespace korvel
