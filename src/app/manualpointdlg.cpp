#include "app/manualpointdlg.h"

#include "app/docundo.h"
#include "model/gpoint.h"
#include "model/gtext.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"

namespace korvel {

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

}  // namespace korvel
