#include "app/aboutdlg.h"

#include "app/commandids.h"
#include "strings/stringtable.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#ifndef KORVEL_VERSION_MAJOR
#define KORVEL_VERSION_MAJOR 0
#define KORVEL_VERSION_MINOR 0
#define KORVEL_VERSION_PATCH 0
#endif
#ifndef KORVEL_VERSION_BUILD
#define KORVEL_VERSION_BUILD 0
#endif

namespace korvel {

CVersionsInfo::CVersionsInfo()
    : m_dwFileVersionMS((uint32_t(KORVEL_VERSION_MAJOR) << 16) | uint32_t(KORVEL_VERSION_MINOR)),
      m_dwFileVersionLS((uint32_t(KORVEL_VERSION_PATCH) << 16) | uint32_t(KORVEL_VERSION_BUILD))
{
    const QString version = QStringLiteral("%1.%2.%3.%4")
                                .arg(KORVEL_VERSION_MAJOR)
                                .arg(KORVEL_VERSION_MINOR)
                                .arg(KORVEL_VERSION_PATCH)
                                .arg(KORVEL_VERSION_BUILD);
    m_strings = {
        {QStringLiteral("CompanyName"), QStringLiteral("Veldmark")},
        {QStringLiteral("ProductName"), LoadString(IDS_PROGRAM_NAME)},
        {QStringLiteral("FileVersion"), version},
        {QStringLiteral("ProductVersion"), version},
    };
}

QString CVersionsInfo::Value(const QString& key) const
{
    for (const auto& [k, v] : m_strings) {
        if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
    }
    return QString();
}

QString CVersionsInfo::VersionLine() const
{
    // "%s Version %i.%i.%i.%i %s": filled one placeholder at a time, so that a translation
    // may reorder nothing but still change the words around them.
    QString line = LoadString(IDS_VERSION_LINE);
    const QString parts[6] = {
        Value(QStringLiteral("ProductName")),
        QString::number(m_dwFileVersionMS >> 16),
        QString::number(m_dwFileVersionMS & 0xFFFF),
        QString::number(m_dwFileVersionLS >> 16),
        QString::number(m_dwFileVersionLS & 0xFFFF),
        sizeof(void*) == 8 ? QStringLiteral("64bit") : QStringLiteral("32bit"),
    };
    int from = 0;
    for (const QString& part : parts) {
        const int s = line.indexOf(QStringLiteral("%s"), from);
        const int i = line.indexOf(QStringLiteral("%i"), from);
        int at = -1;
        if (s >= 0 && (i < 0 || s < i)) at = s;
        else at = i;
        if (at < 0) break;
        line.replace(at, 2, part);
        from = at + part.size();
    }
    return line;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog101"));
    setWindowTitle(tr("Info über Korvel"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/korvel.svg")).pixmap(48, 48));
    auto* version = new QLabel(CVersionsInfo().VersionLine(), this);
    version->setObjectName(QStringLiteral("1017"));
    auto* text = new QLabel(tr("Kartenblock für die Vermessung im Gelände"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(text, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::versionLine() const
{
    const auto* label = findChild<QLabel*>(QStringLiteral("1017"));
    return label ? label->text() : QString();
}

}  // namespace korvel
