#include "view/maprender.h"

#include "imagery/tilefetch.h"
#include "view/korvelview.h"
#include "view/tilelayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace korvel {

QImage RenderMap(CKorvelDoc& doc, QSize size, const WorldRect* window, MapRenderTiles* tiles)
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
    CTileLayer* layer = nullptr;
    if (tiles && !tiles->cacheRoot.isEmpty()) {
        layer = InstallTileLayer(view, tiles->fetcher, tiles->cacheRoot);
        layer->SetSliceMs(-1);  // a picture for a file is drawn whole
        layer->SetBusyAfterMs(-1);
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    view.render(&image);
    if (layer && tiles->fetcher && layer->Downloading() > 0) {
        // The tiles arrive in the cache; then the picture is drawn again from there alone.
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (layer->Downloading() == 0 || clock.hasExpired(tiles->waitMs)) loop.quit();
        });
        poll.start(20);
        loop.exec();
        tiles->timedOut = layer->Downloading() > 0;
        tiles->fetcher->CancelAll();
        layer->SetDownloadsAllowed(false);
        view.InvalidateAll();
        image.fill(Qt::white);
        view.render(&image);
    }
    return image;
}

}  // namespace korvel
