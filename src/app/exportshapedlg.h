#pragma once
// The "Shape - Export" dialog: the folder, and for points, lines and areas a check box and
// the name of the shapefile to write. Kinds the document does not hold cannot be checked.
// OK asks before an existing file set is replaced.

#include "app/exportfolder.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace korvel {

class CExportShapeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 102;
    enum ControlId {
        IDC_POINT_NAME = 1002,
        IDC_POLYLINE_NAME = 1003,
        IDC_POLYGON_NAME = 1004,
        IDC_POINT_CHECK = 1005,
        IDC_POLYLINE_CHECK = 1006,
        IDC_POLYGON_CHECK = 1007,
    };

    explicit CExportShapeDlg(QWidget* parent = nullptr);

    // In: the export folder. Out after OK: the folder without trailing separators.
    QString m_strFolder;
    // Out after OK: the three file names, each ending in ".shp" (in some letter case).
    QString m_strPointName;
    QString m_strPolygonName;
    QString m_strPolylineName;
    // In: the kinds the document holds (GT_POINT | GT_POLYLINE | GT_POLYGON bits). Out after
    // OK: the kinds to write.
    uint16_t m_nKinds;
    // The folder picker of the browse button (tests answer for the user).
    FolderPicker pickFolder = &PickExportFolder;

    // Puts the members into the controls, with the names proposed for the time `now`.
    // Done when the dialog is shown unless it was done before.
    void InitControls(const QDateTime& now);

    QLineEdit* folderEdit() const { return m_folder.edit; }
    QPushButton* browseButton() const { return m_folder.browse; }
    QCheckBox* checkBox(uint32_t kind) const;
    QLineEdit* nameEdit(uint32_t kind) const;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct KindRow {
        uint32_t kind;
        QCheckBox* check;
        QLineEdit* name;
    };
    const KindRow* Row(uint32_t kind) const;

    ExportFolderRow m_folder;
    KindRow m_rows[3];  // points, polylines, polygons: the order of writing
    bool m_bInitialised = false;
};

}  // namespace korvel
