#include "app/messagebox.h"

#include <QApplication>
#include <QWidget>

namespace korvel {

QMessageBox::Icon MessageIcon(unsigned type)
{
    switch (type & 0xF0u) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons MessageButtons(unsigned type)
{
    switch (type & 0x0Fu) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

int ShowMessageBox(QWidget* owner, const MessageRequest& request)
{
    if (!owner) owner = QApplication::activeWindow();
    if (!owner) {
        // The first top-level main window stands in for the main window when none is active
        // (start-up, or the program is in the background).
        const auto tops = QApplication::topLevelWidgets();
        for (QWidget* w : tops) {
            if (w->inherits("QMainWindow") && w->isVisible()) {
                owner = w;
                break;
            }
        }
    }
    QMessageBox box(MessageIcon(request.type), request.caption, request.text, MessageButtons(request.type),
                    owner);
    switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

void InstallMessageBoxHandler()
{
    SetMessageHandler([](const MessageRequest& r) { return ShowMessageBox(nullptr, r); });
}

}  // namespace korvel
