#include "app/coordsysdlg.h"

#include "app/korvelapp.h"
#include "app/korvelwnd.h"
#include "app/mainframe.h"
#include "crs/transform.h"
#include "model/coordsys.h"
#include "model/korveldoc.h"
#include "model/reproject.h"
#include "strings/stringtable.h"
#include "view/korvelview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel {
namespace {

constexpr int IDS_NOT_CONVERTED = 1210;  // "%1 Objekte konnten nicht umgerechnet werden ..."

// The one catalogue name with words in it; the others are names of reference systems.
[[maybe_unused]] const char* const kTranslatableNames[] = {
    QT_TRANSLATE_NOOP("korvel::CCoordSysDlg", "Unbekannt(Lokal)"),
};

}  // namespace

CCoordSysDlg::CCoordSysDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog%1").arg(IDD));
    setWindowTitle(tr("Koordinatensystem"));
    auto* label = new QLabel(tr("Wählen Sie das Koordinatensystem:"), this);
    m_pList = new QComboBox(this);
    m_pList->setProperty("controlId", int(IDC_COORDSYS));
    m_pList->setMinimumContentsLength(36);
    label->setBuddy(m_pList);
    m_pCopy = new QCheckBox(tr("Kopie anlegen"), this);
    m_pCopy->setProperty("controlId", int(IDC_MAKE_COPY));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pList);
    layout->addWidget(m_pCopy);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CCoordSysDlg::InitControls()
{
    m_pList->clear();
    for (const CoordSysEntry& e : kCoordSysCatalogue) {
        m_pList->addItem(QCoreApplication::translate("korvel::CCoordSysDlg", e.name), int(e.id));
    }
    m_pList->setCurrentIndex(CoordSysListIndex(m_nCurrent));
    m_pCopy->setChecked(false);
    m_pCopy->setEnabled(m_nNoDocument != 1);
}

void CCoordSysDlg::showEvent(QShowEvent* event)
{
    InitControls();
    QDialog::showEvent(event);
}

void CCoordSysDlg::accept()
{
    if (m_pList->currentIndex() < 0) return;  // nothing chosen: the dialog stays
    m_nCurrent = m_pList->currentData().toInt();
    m_bMakeCopy = m_pCopy->isEnabled() && m_pCopy->isChecked();
    QDialog::accept();
}

void ChangeCoordinateSystem(CKorvelApp& app, CMainFrame& frame, const std::function<bool(CCoordSysDlg&)>& runDialog)
{
    CCoordSysDlg dlg(&frame);
    CKorvelWnd* wnd = app.ActiveWnd();
    if (!wnd) {
        // Without a document only the default for new documents changes.
        dlg.m_nCurrent = frame.m_nCoordSys;
        dlg.m_nNoDocument = 1;
        dlg.InitControls();
        if (runDialog(dlg)) frame.m_nCoordSys = dlg.m_nCurrent;
        return;
    }

    CKorvelDoc* doc = wnd->document();
    const int32_t from = doc->m_nCoordSys;
    dlg.m_nCurrent = from;
    dlg.InitControls();
    if (!runDialog(dlg)) return;
    const int32_t to = dlg.m_nCurrent;
    if (to == from) return;
    if (!ChangeConverts(from, to)) {
        // To or from the local system nothing can be converted: the document only gets the
        // new label.
        ReprojectDocument(*doc, to);
        wnd->view()->update();
        return;
    }

    // The visible window goes along, so that the user keeps looking at the same place.
    WorldRect window = wnd->view()->GetWorldRect();
    CoordTransform params{1, from, to};
    const bool windowConverted = TransformRect(&window, &params);

    CKorvelDoc* target = doc;
    CKorvelView* view = wnd->view();
    if (dlg.m_bMakeCopy) {
        CKorvelWnd* copy = app.OnFileNew();
        if (!copy) return;
        target = copy->document();
        CopyObjects(*doc, *target);
        target->m_nCoordSys = from;
        view = copy->view();
    }
    size_t unconverted = 0;
    ReprojectDocument(*target, to, &unconverted);
    if (windowConverted && (window.maxX != window.minX || window.maxY != window.minY)) {
        view->SetWorldRect(window);
    } else {
        view->FitAll();
        view->InvalidateAll();
    }
    target->SetModifiedFlag(true);
    // Those objects still hold coordinates of the old system; the user has to find them.
    if (unconverted > 0)
        ShowMessage(IDS_NOT_CONVERTED, IDS_CAPTION_NOTE, MB_OK | MB_ICONWARNING,
                    QString::number(unconverted));
}

}  // namespace korvel
