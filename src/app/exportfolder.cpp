#include "app/exportfolder.h"

#include "strings/stringtable.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace korvel {
namespace {

constexpr int IDS_CHOOSE_EXPORT_FOLDER = 1205;

}  // namespace

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QApplication::translate("korvel::DialogButtons", "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QApplication::translate("korvel::DialogButtons", "Abbrechen"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QString PickExportFolder(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, LoadString(IDS_CHOOSE_EXPORT_FOLDER), start,
                                             QFileDialog::ShowDirsOnly);
}

ExportFolderRow AddExportFolderRow(QWidget* dialog, QBoxLayout* layout, const FolderPicker* picker)
{
    ExportFolderRow row;
    auto* label = new QLabel(QApplication::translate("korvel::ExportFolderRow", "&Verzeichnis:"), dialog);
    row.edit = new QLineEdit(dialog);
    row.edit->setProperty("controlId", IDC_EXPORT_FOLDER);
    row.edit->setMinimumWidth(280);
    label->setBuddy(row.edit);
    row.browse = new QPushButton(dialog->style()->standardIcon(QStyle::SP_DirOpenIcon), QString(), dialog);
    row.browse->setProperty("controlId", IDC_EXPORT_BROWSE);
    const QString tip = QApplication::translate("korvel::ExportFolderRow", "Verzeichnis wählen");
    row.browse->setToolTip(tip);
    row.browse->setAccessibleName(tip);
    row.browse->setAutoDefault(false);
    QLineEdit* edit = row.edit;
    QObject::connect(row.browse, &QPushButton::clicked, dialog, [dialog, edit, picker] {
        const QString chosen = picker && *picker ? (*picker)(dialog, edit->text()) : QString();
        if (!chosen.isEmpty()) edit->setText(QDir::toNativeSeparators(chosen));
    });
    auto* line = new QHBoxLayout;
    line->addWidget(row.edit, 1);
    line->addWidget(row.browse);
    layout->addWidget(label);
    layout->addLayout(line);
    return row;
}

}  // namespace korvel
