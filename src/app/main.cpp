// korvel: the desktop program.
#include "app/korvelapp.h"
#include "app/mainframe.h"
#include "app/messagebox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <cstdio>

namespace {

bool WantsOffscreen(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    // A screenshot needs no display: render on the offscreen platform unless told otherwise.
    if (WantsOffscreen(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veldmark"));
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setDesktopFileName(QStringLiteral("korvel"));

    korvel::StartupOptions options;
    QString error;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!korvel::ParseCommandLine(args, &options, &error)) {
        std::fprintf(stderr, "korvel: %s\n", qPrintable(error));
        std::fprintf(stderr,
                     "Aufruf: korvel [--demo] [--maximized|--minimized] [--settings ORDNER] "
                     "[--screenshot DATEI.png [--size BxH]] [--timing] [DOKUMENT.kvd]\n");
        return 2;
    }
    korvel::InstallMessageBoxHandler();

    korvel::CKorvelApp app;
    if (!app.InitInstance(options)) return 1;
    korvel::CMainFrame* frame = app.mainFrame();
    if (options.timing) {
        std::fprintf(stderr, "korvel: Hauptfenster nach %.1f ms gezeigt\n", clock.nsecsElapsed() / 1e6);
    }

    if (!options.screenshotPath.isEmpty()) {
        if (options.screenshotSize.isValid()) {
            frame->setWindowState(Qt::WindowNoState);
            frame->resize(options.screenshotSize);
        }
        // Let layouts, the views' first fit and their first painting happen before grabbing.
        QTimer::singleShot(300, frame, [&] {
            const QImage image = frame->grab().toImage();
            const bool ok = image.save(options.screenshotPath, "PNG");
            if (!ok) std::fprintf(stderr, "korvel: %s konnte nicht geschrieben werden.\n", qPrintable(options.screenshotPath));
            QApplication::exit(ok ? 0 : 1);
        });
    }
    return QApplication::exec();
}
