#pragma once
// The GPS settings dialog ("Einstellungen"). It is at the same time the main window's GPS
// settings object: its working copy of the values is what every later start of the receiver
// and every quality check uses, whether the dialog is shown or not.

#include "gps/gpssettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace korvel {

class CGpsOptionDlg : public QDialog, public CGpsSettings, private CGpsSettings::SearchHooks {
    Q_OBJECT
public:
    static constexpr int IDD = 201;
    // Control ids of the dialog template, kept as the "controlId" property of each control.
    enum ControlId {
        IDC_PORT = 1007,
        IDC_BAUD = 1008,
        IDC_MAX_GPS_AGE = 1009,
        IDC_MAX_DGPS_AGE = 1010,
        IDC_MAX_HDOP = 1011,
        IDC_MIN_SAT_COUNT = 1012,
        IDC_INTERVAL = 1013,
        IDC_AVERAGE = 1014,
        IDC_ALL_TALKERS = 1015,
        IDC_SEARCH = 139,
    };

    explicit CGpsOptionDlg(CPortManager& manager = PortManager(), QWidget* parent = nullptr);

    // OK: takes the fields over (range checks may keep the dialog open), saves, and restarts the
    // receiver with the new values. Ignored while a search runs.
    void accept() override;
    // Abbrechen: during a search only asks it to stop; otherwise takes the fields over into the
    // working copy without saving or restarting.
    void reject() override;

    // Runs the receiver search over every listed port and baud rate.
    void OnSearch();

    QComboBox* portBox() const { return m_pPort; }
    QComboBox* baudBox() const { return m_pBaud; }
    QLineEdit* field(ControlId id) const;
    QCheckBox* allTalkersBox() const { return m_pAllTalkers; }
    QPushButton* searchButton() const { return m_pSearch; }
    QPushButton* okButton() const { return m_pOk; }
    QPushButton* cancelButton() const { return m_pCancel; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitControls();
    bool TakeOverFields();
    bool TakeOverInt(QLineEdit* edit, int low, int high, int rangeMessage, int* value);
    void ReformatHdop();
    void SelectEntries(const QString& port, const QString& baud) override;
    void EndWaitCursor() override;

    QComboBox* m_pPort = nullptr;
    QComboBox* m_pBaud = nullptr;
    QLineEdit* m_pMaxGpsAge = nullptr;
    QLineEdit* m_pMaxDgpsAge = nullptr;
    QLineEdit* m_pMaxHdop = nullptr;
    QLineEdit* m_pMinSatCount = nullptr;
    QLineEdit* m_pInterval = nullptr;
    QLineEdit* m_pAverage = nullptr;
    QCheckBox* m_pAllTalkers = nullptr;
    QPushButton* m_pSearch = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    bool m_bWaitCursor = false;
};

}  // namespace korvel
