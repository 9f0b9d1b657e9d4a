#pragma once
// The small dialog of the create-point tool: the clicked position, the number of the new point
// and "Automatisch nummerieren". A stand-in for the manual form of the point measurement
// dialog; CreateNumberedPoint is what both create.

#include "crs/worldpoint.h"
#include "model/canvas.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

namespace korvel {

class CKorvelDoc;
class CKorvelView;

// The number proposed after `last`: "1" for none; a trailing run of digits is counted up
// without leading zeros (P09 -> P10); otherwise "1" is appended (Schacht -> Schacht1).
QString NextPointNumber(const QString& last);

// A point at `pos` (document units) with "PTNR" = `number`, and a text with the number at the
// same place in `font` and `colour`, added as one undo step. The document remembers the
// number as its last. False when the point could not be added.
bool CreateNumberedPoint(CKorvelView& view, const WorldPoint& pos, const QString& number, const LogFont& font,
                         uint32_t colour);

class CManualPointDlg : public QDialog {
    Q_OBJECT
public:
    CManualPointDlg(const WorldPoint& pos, int32_t coordSys, const QString& number, bool autoNumber,
                    QWidget* parent = nullptr);

    QString Number() const;
    bool AutoNumber() const;
    QLineEdit* NumberEdit() const { return m_pNumber; }
    QCheckBox* AutoNumberBox() const { return m_pAuto; }

private:
    QLineEdit* m_pNumber;
    QCheckBox* m_pAuto;
};

}  // namespace korvel
