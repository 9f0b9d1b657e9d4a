#pragma once
// The "ZENTO - Export" dialog: the folder, the attribute names of areas and of points whose
// values go into the handheld files, and whether an extra area around all points is written.

#include "app/exportfolder.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace korvel {

class CExportZento : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 103;
    enum ControlId { IDC_AREA_NAMES = 1006, IDC_POINT_NAMES = 1007, IDC_ALL_POINTS = 1008 };

    explicit CExportZento(QWidget* parent = nullptr);

    // In: the export folder; out: the folder as entered.
    QString m_strFolder;
    // In: the candidate names. Out after OK: the selected names in list order (alphabetical,
    // ignoring case).
    QStringList m_areaNames;
    QStringList m_pointNames;
    // "Zusätzlich Fläche mit allen Punkten exportieren".
    int32_t m_bAllPoints = 0;
    // The folder picker of the browse button (tests answer for the user).
    FolderPicker pickFolder = &PickExportFolder;

    // Puts the members into the controls (done when the dialog is shown unless done before).
    void InitControls();

    QLineEdit* folderEdit() const { return m_folder.edit; }
    QPushButton* browseButton() const { return m_folder.browse; }
    QListWidget* areaList() const { return m_pAreas; }
    QListWidget* pointList() const { return m_pPoints; }
    QCheckBox* allPointsBox() const { return m_pAllPoints; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    ExportFolderRow m_folder;
    QListWidget* m_pAreas;
    QListWidget* m_pPoints;
    QCheckBox* m_pAllPoints;
    bool m_bInitialised = false;
};

}  // namespace korvel
