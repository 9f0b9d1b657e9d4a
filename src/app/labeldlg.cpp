#include "app/labeldlg.h"

#include "model/cobjenum.h"
#include "model/gtext.h"
#include "strings/stringtable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace korvel {
namespace {

constexpr int IDS_LABEL_POINTS = 2201;
constexpr int IDS_LABEL_LINES = 2202;
constexpr int IDS_LABEL_AREAS = 2203;

void Append(QString& s, QStringView x, QChar separator)
{
    if (!s.isEmpty() && !x.isEmpty()) s += separator;
    s += x;
}

// The same for a whole string, which an empty s shares instead of copying.
void Append(QString& s, const QString& x, QChar separator)
{
    if (s.isEmpty())
        s = x;
    else
        Append(s, QStringView(x), separator);
}

}  // namespace

QStringList CollectAttributeNames(GList* root, uint32_t typeMask)
{
    QStringList names;
    if (!root) return names;
    // Names are interned: look at each distinct id once, then compare case-folded names.
    std::vector<bool> seenId;
    QSet<QString> folded;
    CObjEnum walk(root);
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (!(o->GetType() & typeMask) || !o->m_pInfo) continue;
        for (const GInfoItem& item : o->m_pInfo->Items()) {
            const uint32_t id = item.NameId();
            if (id < seenId.size() && seenId[id]) continue;
            if (id >= seenId.size()) seenId.resize(id + 1, false);
            seenId[id] = true;
            const QString& name = item.Name();
            const QString key = name.toCaseFolded();
            if (folded.contains(key)) continue;
            folded.insert(key);
            names.append(name);
        }
    }
    return names;
}

QString ComposeLabel(const GObj& obj, const LabelRows& rows)
{
    QString label;
    for (const LabelRow& row : rows) {
        QString line = row.before;
        if (!row.attribute.isEmpty()) {
            if (const GInfoItem* item = obj.FindInfo(row.attribute)) Append(line, item->ValueView(), QLatin1Char(' '));
        }
        Append(line, row.after, QLatin1Char(' '));
        Append(label, line, QLatin1Char('\n'));
    }
    return label;
}

std::vector<std::unique_ptr<GObj>> MakeLabels(GList* root, const LabelRows& rows, uint32_t typeMask,
                                              const LogFont& font, uint32_t colour, GView* view)
{
    std::vector<std::unique_ptr<GObj>> texts;
    if (!root) return texts;
    CObjEnum walk(root);
    for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
        if (!(o->GetType() & typeMask)) continue;
        QString label = ComposeLabel(*o, rows);
        if (label.isEmpty()) continue;
        auto text = std::make_unique<GText>(label);
        text->m_ptPos = o->m_ptPos;
        text->SetFont(font, view);
        text->m_crColor = colour;
        texts.push_back(std::move(text));
    }
    return texts;
}

// ---------------------------------------------------------------- CLabelDlg

CLabelDlg::CLabelDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Beschriften"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Texteingabe")), 0, 0);
    grid->addWidget(new QLabel(tr("Infofeld")), 0, 1);
    grid->addWidget(new QLabel(tr("Texteingabe")), 0, 2);
    for (int i = 0; i < 3; ++i) {
        const auto r = size_t(i);
        m_before[r] = new QLineEdit;
        m_before[r]->setObjectName(QStringLiteral("edit%1").arg(1030 + 2 * i));
        m_attribute[r] = new QComboBox;
        m_attribute[r]->setObjectName(QStringLiteral("combo%1").arg(1009 + i));
        m_attribute[r]->setMinimumContentsLength(12);
        m_after[r] = new QLineEdit;
        m_after[r]->setObjectName(QStringLiteral("edit%1").arg(1031 + 2 * i));
        grid->addWidget(m_before[r], i + 1, 0);
        grid->addWidget(m_attribute[r], i + 1, 1);
        grid->addWidget(m_after[r], i + 1, 2);
    }
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_rows = Rows();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CLabelDlg::Prepare(uint32_t typeMask, const QStringList& names)
{
    switch (typeMask) {
    case 1: setWindowTitle(LoadString(IDS_LABEL_POINTS)); break;
    case 4: setWindowTitle(LoadString(IDS_LABEL_LINES)); break;
    case 0x18: setWindowTitle(LoadString(IDS_LABEL_AREAS)); break;
    default: setWindowTitle(tr("Beschriften")); break;
    }
    for (QComboBox* box : m_attribute) {
        box->clear();
        box->addItem(QString());
        box->addItems(names);
    }
    SetRows(m_rows);
}

LabelRows CLabelDlg::Rows() const
{
    LabelRows rows;
    for (size_t i = 0; i < 3; ++i) {
        rows[i].before = m_before[i]->text();
        rows[i].attribute = m_attribute[i]->currentText();
        rows[i].after = m_after[i]->text();
    }
    return rows;
}

void CLabelDlg::SetRows(const LabelRows& rows)
{
    m_rows = rows;
    for (size_t i = 0; i < 3; ++i) {
        m_before[i]->setText(rows[i].before);
        // A name the objects of this use do not have is not offered: the row starts empty.
        const int index = m_attribute[i]->findText(rows[i].attribute, Qt::MatchFixedString);
        m_attribute[i]->setCurrentIndex(index > 0 ? index : 0);
        m_after[i]->setText(rows[i].after);
    }
}

}  // namespace korvel
