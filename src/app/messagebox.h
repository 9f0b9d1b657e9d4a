#pragma once
// The desktop program's message box for string-table messages: installed as the handler of
// ShowMessage, so that every module's messages appear as modal boxes over the main window.

#include "strings/stringtable.h"

#include <QMessageBox>

class QWidget;

namespace korvel {

// The icon and the buttons a message-box type asks for.
QMessageBox::Icon MessageIcon(unsigned type);
QMessageBox::StandardButtons MessageButtons(unsigned type);

// Shows the request modally over `owner` (null: the active window, else the main window) and
// returns the button pressed as IDOK, IDCANCEL, IDYES or IDNO.
int ShowMessageBox(QWidget* owner, const MessageRequest& request);

// Makes ShowMessageBox the handler of ShowMessage.
void InstallMessageBoxHandler();

}  // namespace korvel
