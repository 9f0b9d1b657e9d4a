#pragma once
// The coordinate system dialog ("Koordinatensystem"): the catalogue to choose from and the
// "Kopie anlegen" option, plus the command that applies the choice to the active document
// (relabel, convert in place, or convert a copy) or to the default for new documents.

#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;

namespace korvel {

class CKorvelApp;
class CMainFrame;

class CCoordSysDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 104;
    enum ControlId { IDC_COORDSYS = 1018, IDC_MAKE_COPY = 1029 };

    explicit CCoordSysDlg(QWidget* parent = nullptr);

    // In: the system to preselect (an id the list does not offer selects "Unbekannt(Lokal)").
    // Out after OK: the chosen system.
    int32_t m_nCurrent = 0;
    // 1: no document is active, the copy option is unavailable.
    int m_nNoDocument = 0;
    // The "Kopie anlegen" box after OK.
    bool m_bMakeCopy = false;

    QComboBox* list() const { return m_pList; }
    QCheckBox* copyBox() const { return m_pCopy; }

    // Fills the list and preselects m_nCurrent (also done when the dialog is shown).
    void InitControls();
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* m_pList;
    QCheckBox* m_pCopy;
};

// The "Koordinatensystem" command: with a document window active it changes that document's
// system, otherwise the system of new documents. `runDialog` shows the dialog and answers
// whether it ended with OK (tests answer for the user).
void ChangeCoordinateSystem(CKorvelApp& app, CMainFrame& frame, const std::function<bool(CCoordSysDlg&)>& runDialog);

}  // namespace korvel
