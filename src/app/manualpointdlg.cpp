#include "app/manualpointdlg.h"

#include "app/docundo.h"
#include "model/gpoint.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvel {

QString NextPointNumber(const QString& last)
{
    if (last.isEmpty()) return QStringLiteral("1");
    qsizetype start = last.size();
    while (start > 0 && last.at(start - 1) >= QLatin1Char('0') && last.at(start - 1) <= QLatin1Char('9')) --start;
    if (start == last.size()) return last + QLatin1Char('1');
    // Count up digit by digit, so runs longer than any integer type still work.
    QString digits = last.mid(start);
    qsizetype i = digits.size();
    while (i > 0) {
        --i;
        if (digits[i] == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            break;
        }
        if (i == 0) digits.prepend(QLatin1Char('1'));
    }
    qsizetype zeros = 0;
    while (zeros + 1 < digits.size() && digits[zeros] == QLatin1Char('0')) ++zeros;
    return last.left(start) + digits.mid(zeros);
}

bool CreateNumberedPoint(CKorvelView& view, const WorldPoint& pos, const QString& number, const LogFont& font,
                         uint32_t colour)
{
    CKorvelDoc* doc = view.GetDocument();
    if (!doc || !doc->m_pRoot) return false;
    UndoableAdd add(*doc, QObject::tr("Punkt erzeugen"));
    auto point = std::make_unique<GPoint>(pos);
    point->SetInfo(QStringLiteral("PTNR"), number);
    if (!add.Add(point.get())) return false;
    point.release();
    doc->m_strLastPointNo = number;
    auto text = std::make_unique<GText>(number);
    text->m_ptPos = pos;
    text->SetFont(font, &view);
    text->m_crColor = colour;
    if (add.Add(text.get())) text.release();
    return true;
}

CManualPointDlg::CManualPointDlg(const WorldPoint& pos, int32_t coordSys, const QString& number, bool autoNumber,
                                 QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Punkt erzeugen"));
    const bool degrees = coordSys == 0 || coordSys == 4326 || coordSys == 900913;
    const int decimals = degrees ? 6 : 3;
    auto* form = new QFormLayout;
    form->addRow(new QLabel(degrees ? tr("Longitude:") : tr("Rechts:")), new QLabel(QString::number(pos.x, 'f', decimals)));
    form->addRow(new QLabel(degrees ? tr("Latitude:") : tr("Hoch:")), new QLabel(QString::number(pos.y, 'f', decimals)));
    m_pNumber = new QLineEdit(number);
    form->addRow(tr("Punkt-Nr.:"), m_pNumber);
    m_pAuto = new QCheckBox(tr("Automatisch nummerieren"));
    m_pAuto->setChecked(autoNumber);
    form->addRow(m_pAuto);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
}

QString CManualPointDlg::Number() const { return m_pNumber->text(); }
bool CManualPointDlg::AutoNumber() const { return m_pAuto->isChecked(); }

}  // namespace korvel
