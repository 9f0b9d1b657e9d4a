// korvel: the desktop program.
#include "app/demodocument.h"
#include "app/imagecommands.h"
#include "app/korvelapp.h"
#include "app/mainframe.h"
#include "app/messagebox.h"
#include "imagery/gimg.h"
#include "imagery/tilefetch.h"
#include "view/korvelview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

bool WantsOffscreen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 || qstrcmp(argv[i], "--make-demo") == 0 ||
            qstrcmp(argv[i], "--render") == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    // A screenshot or the demo file needs no display: render on the offscreen platform unless told otherwise.
    if (WantsOffscreen(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veldmark"));
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setDesktopFileName(QStringLiteral("korvel"));
    // Documents may hold raster images: their class must be known before any is read.
    korvel::RegisterImageryClasses();

    korvel::StartupOptions options;
    QString error;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!korvel::ParseCommandLine(args, &options, &error)) {
        std::fprintf(stderr, "korvel: %s\n", qPrintable(error));
        std::fprintf(stderr,
                     "Aufruf: korvel [--demo] [--maximized|--minimized] [--settings ORDNER] "
                     "[--screenshot DATEI.png [--size BxH]] [--timing] [--make-demo DATEI.kvd] [DOKUMENT.kvd]\n"
                     "       korvel --render BILD.png --size BxH [--window MINX,MINY,MAXX,MAXY] [--offline] "
                     "[--settings ORDNER] DOKUMENT.kvd\n");
        return 2;
    }
    // Rendering a screenshot or writing the demo file runs without anyone to answer a message
    // box; messages then go to standard error instead of blocking.
    if (!options.renderPath.isEmpty()) return korvel::RenderDocument(options);
    if (options.screenshotPath.isEmpty() && options.makeDemoPath.isEmpty()) {
        korvel::InstallMessageBoxHandler();
        korvel::InstallImageProgressDialog();
    }
    if (!options.makeDemoPath.isEmpty()) return korvel::WriteDemoDocument(options.makeDemoPath) ? 0 : 1;

    korvel::CKorvelApp app;
    if (!app.InitInstance(options)) return 1;
    korvel::CMainFrame* frame = app.mainFrame();
    if (options.timing) {
        const double initMs = clock.nsecsElapsed() / 1e6;
        // The user has seen the window once the map view's first paintEvent has drawn the
        // document; the view says so once.
        if (auto* view = frame->findChild<korvel::CKorvelView*>()) {
            QObject::connect(view, &korvel::CKorvelView::firstPaintDone, frame, [initMs, &clock] {
                std::fprintf(stderr, "korvel: Start %.1f ms, Hauptfenster gezeichnet nach %.1f ms\n", initMs,
                             clock.nsecsElapsed() / 1e6);
            });
        } else {
            std::fprintf(stderr, "korvel: Start %.1f ms, keine Kartenansicht\n", initMs);
        }
    }

    // Alive while the event loop runs: they pace the screenshot.
    QElapsedTimer waiting;
    QTimer tilesDone;
    if (!options.screenshotPath.isEmpty()) {
        if (options.screenshotSize.isValid()) {
            frame->setWindowState(Qt::WindowNoState);
            frame->resize(options.screenshotSize);
        }
        const auto shoot = [&] {
            // On a real display the picture is read back from the window system, so it shows
            // exactly what a user sees; the offscreen platform has only the widgets' rendering.
            const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
            const QImage image = offscreen ? frame->grab().toImage()
                                           : frame->screen()->grabWindow(frame->winId()).toImage();
            const bool ok = image.save(options.screenshotPath, "PNG");
            if (!ok) std::fprintf(stderr, "korvel: %s konnte nicht geschrieben werden.\n", qPrintable(options.screenshotPath));
            QApplication::exit(ok ? 0 : 1);
        };
        // The background tiles the first painting asked for arrive first (at most 30 s); the
        // repaints of the last ones get a moment before the picture is taken.
        QObject::connect(&tilesDone, &QTimer::timeout, frame, [&, shoot] {
            if (frame->tileFetcher()->PendingCount() > 0 && !waiting.hasExpired(30000)) return;
            tilesDone.stop();
            QTimer::singleShot(100, frame, shoot);
        });
        // Let layouts, the views' first fit and their first painting happen before grabbing.
        QTimer::singleShot(300, frame, [&] {
            waiting.start();
            tilesDone.start(50);
        });
    }
    return QApplication::exec();
}
