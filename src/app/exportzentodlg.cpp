#include "app/exportzentodlg.h"

#include "exchange/zentoexchange.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

QListWidget* MakeNameList(QWidget* parent, int controlId)
{
    auto* list = new QListWidget(parent);
    list->setProperty("controlId", controlId);
    // A click selects or deselects an entry without touching the others.
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setMinimumSize(180, 160);
    return list;
}

void Fill(QListWidget* list, QStringList names)
{
    SortNamesForList(names);
    list->clear();
    list->addItems(names);
}

QStringList Selected(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected()) names << list->item(i)->text();
    }
    return names;
}

}  // namespace

CExportZento::CExportZento(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog%1").arg(IDD));
    setWindowTitle(tr("ZENTO - Export"));
    auto* layout = new QVBoxLayout(this);
    m_folder = AddExportFolderRow(this, layout, &pickFolder);

    m_pAreas = MakeNameList(this, IDC_AREA_NAMES);
    m_pPoints = MakeNameList(this, IDC_POINT_NAMES);
    auto* areaLabel = new QLabel(tr("Markieren Sie die Infotexte für &Flächen"), this);
    areaLabel->setBuddy(m_pAreas);
    auto* pointLabel = new QLabel(tr("Markieren Sie die Infotexte für &Punkte"), this);
    pointLabel->setBuddy(m_pPoints);
    auto* lists = new QGridLayout;
    lists->addWidget(areaLabel, 0, 0);
    lists->addWidget(pointLabel, 0, 1);
    lists->addWidget(m_pAreas, 1, 0);
    lists->addWidget(m_pPoints, 1, 1);
    layout->addSpacing(6);
    layout->addLayout(lists);

    m_pAllPoints = new QCheckBox(tr("Zusätzlich Fläche mit &allen Punkten exportieren"), this);
    m_pAllPoints->setProperty("controlId", int(IDC_ALL_POINTS));
    layout->addWidget(m_pAllPoints);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
}

void CExportZento::InitControls()
{
    m_bInitialised = true;
    m_folder.edit->setText(m_strFolder);
    Fill(m_pAreas, m_areaNames);
    Fill(m_pPoints, m_pointNames);
    m_pAllPoints->setChecked(m_bAllPoints != 0);
}

void CExportZento::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) InitControls();
    QDialog::showEvent(event);
}

void CExportZento::accept()
{
    m_strFolder = m_folder.edit->text();
    m_areaNames = Selected(m_pAreas);
    m_pointNames = Selected(m_pPoints);
    m_bAllPoints = m_pAllPoints->isChecked() ? 1 : 0;
    QDialog::accept();
}

}  // namespace korvel
