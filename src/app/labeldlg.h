#pragma once
// Labelling points, lines or areas from their attributes: the dialog "Beschriften" with three
// rows (text before, attribute, text after) whose values persist between uses during a run,
// and the composition of one label per object.

#include "model/canvas.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;

namespace korvel {

class CKorvelDoc;
class GList;
class GObj;
class GView;

// One row of the dialog: a text before, the name of an attribute (empty for none), a text after.
struct LabelRow {
    QString before;
    QString attribute;
    QString after;
};
using LabelRows = std::array<LabelRow, 3>;

// Every attribute name of the objects whose type is in `typeMask` (deep walk), each once
// whatever its case, in the order of first appearance.
QStringList CollectAttributeNames(GList* root, uint32_t typeMask);

// The label of `obj`: per row the text before, the attribute's value (looked up ignoring case)
// and the text after, joined by single spaces where both sides are non-empty; the rows joined
// by newlines the same way. Empty when nothing is left.
QString ComposeLabel(const GObj& obj, const LabelRows& rows);

// A text for each object whose type is in `typeMask` and whose label is not empty, placed at
// the object's reference point, with `font` (laid out for `view` when given) and `colour`.
std::vector<std::unique_ptr<GObj>> MakeLabels(GList* root, const LabelRows& rows, uint32_t typeMask,
                                              const LogFont& font, uint32_t colour, GView* view);

class CLabelDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 139;

    explicit CLabelDlg(QWidget* parent = nullptr);

    // Prepares a use: the caption for the type mask (points 1, lines 4, areas 0x18) and the
    // attribute names offered (after one empty entry) in the three combo boxes. The row values
    // of the last use are shown again where they still fit.
    void Prepare(uint32_t typeMask, const QStringList& names);

    LabelRows Rows() const;
    void SetRows(const LabelRows& rows);

    QLineEdit* BeforeEdit(int row) const { return m_before[size_t(row)]; }
    QComboBox* AttributeBox(int row) const { return m_attribute[size_t(row)]; }
    QLineEdit* AfterEdit(int row) const { return m_after[size_t(row)]; }

private:
    std::array<QLineEdit*, 3> m_before{};
    std::array<QComboBox*, 3> m_attribute{};
    std::array<QLineEdit*, 3> m_after{};
    LabelRows m_rows;
};

}  // namespace korvel
