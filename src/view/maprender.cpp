#include "view/maprender.h"

#include "view/korvelview.h"

#include <QCoreApplication>

namespace korvel {

QImage RenderMap(CKorvelDoc& doc, QSize size, const WorldRect* window)
{
    if (size.isEmpty()) return QImage();
    // A real view, shown off screen: it gets its size the way a window gives it, fits itself,
    // and paints through its own paint routine.
    CKorvelView view(&doc);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(size);
    view.show();
    QCoreApplication::sendPostedEvents();
    if (window) view.SetWorldRect(*window);
    else view.FitAll();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    view.render(&image);
    return image;
}

}  // namespace korvel
