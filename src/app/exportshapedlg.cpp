#include "app/exportshapedlg.h"

#include "exchange/shapeexchange.h"
#include "exchange/zentoexchange.h"
#include "model/gobj.h"
#include "strings/stringtable.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

constexpr int IDS_FILE_EXISTS = 1203;
constexpr int IDS_FILE_EXISTS_CAPTION = 1204;

}  // namespace

CExportShapeDlg::CExportShapeDlg(QWidget* parent)
    : QDialog(parent), m_nKinds(GT_POINT | GT_POLYLINE | GT_POLYGON)
{
    setObjectName(QStringLiteral("Dialog%1").arg(IDD));
    setWindowTitle(tr("Shape - Export"));
    auto* layout = new QVBoxLayout(this);
    m_folder = AddExportFolderRow(this, layout, &pickFolder);

    struct RowText {
        uint32_t kind;
        const char* label;
        int checkId;
        int nameId;
    };
    const RowText rowTexts[3] = {
        {GT_POINT, QT_TR_NOOP("Dateiname für Punkt-Datei:"), IDC_POINT_CHECK, IDC_POINT_NAME},
        {GT_POLYLINE, QT_TR_NOOP("Dateiname für Linien-Datei:"), IDC_POLYLINE_CHECK, IDC_POLYLINE_NAME},
        {GT_POLYGON, QT_TR_NOOP("Dateiname für Flächen-Datei:"), IDC_POLYGON_CHECK, IDC_POLYGON_NAME},
    };
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* check = new QCheckBox(tr(rowTexts[i].label), this);
        check->setProperty("controlId", rowTexts[i].checkId);
        auto* name = new QLineEdit(this);
        name->setProperty("controlId", rowTexts[i].nameId);
        name->setMinimumWidth(220);
        grid->addWidget(check, i, 0);
        grid->addWidget(name, i, 1);
        m_rows[i] = KindRow{rowTexts[i].kind, check, name};
        // Each name can be edited exactly while its file is to be written.
        connect(check, &QCheckBox::toggled, name, &QLineEdit::setEnabled);
    }
    layout->addSpacing(6);
    layout->addLayout(grid);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

const CExportShapeDlg::KindRow* CExportShapeDlg::Row(uint32_t kind) const
{
    for (const KindRow& r : m_rows) {
        if (r.kind == kind) return &r;
    }
    return nullptr;
}

QCheckBox* CExportShapeDlg::checkBox(uint32_t kind) const
{
    const KindRow* r = Row(kind);
    return r ? r->check : nullptr;
}

QLineEdit* CExportShapeDlg::nameEdit(uint32_t kind) const
{
    const KindRow* r = Row(kind);
    return r ? r->name : nullptr;
}

void CExportShapeDlg::InitControls(const QDateTime& now)
{
    m_bInitialised = true;
    m_folder.edit->setText(m_strFolder);
    for (const KindRow& r : m_rows) {
        const bool present = (m_nKinds & r.kind) != 0;
        r.name->setText(DefaultShapeFileName(r.kind, now));
        r.check->setChecked(present);
        r.check->setEnabled(present);
        r.name->setEnabled(present);
    }
}

void CExportShapeDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) InitControls(QDateTime::currentDateTime());
    QDialog::showEvent(event);
}

void CExportShapeDlg::accept()
{
    const QString folder = ExportBaseFolder(m_folder.edit->text());
    QString names[3];
    for (int i = 0; i < 3; ++i) names[i] = WithShpExtension(m_rows[i].name->text().trimmed());

    // Ask for every file set that is there already; a "No" brings the user back to the
    // dialog with everything as entered.
    for (int i = 0; i < 3; ++i) {
        if (!m_rows[i].check->isChecked()) continue;
        if (names[i] == QStringLiteral(".shp")) {
            m_rows[i].name->setFocus();
            return;  // no name entered
        }
        if (ShapeFilesExist(folder, names[i]) &&
            ShowMessage(IDS_FILE_EXISTS, IDS_FILE_EXISTS_CAPTION, MB_YESNO | MB_ICONQUESTION, names[i]) != IDYES) {
            m_rows[i].name->setFocus();
            return;
        }
    }

    m_strFolder = WithoutTrailingSeparators(m_folder.edit->text().trimmed());
    m_strPointName = names[0];
    m_strPolylineName = names[1];
    m_strPolygonName = names[2];
    m_nKinds = 0;
    for (const KindRow& r : m_rows) {
        if (r.check->isChecked()) m_nKinds |= uint16_t(r.kind);
    }
    QDialog::accept();
}

}  // namespace korvel
