#pragma once
// The string table: every text the user sees, looked up by its numeric id, and the one
// message routine all modules use. The German texts are built in; a loaded translation
// (context "StringTable") replaces them.

#include <QString>
#include <QStringList>

#include <functional>

namespace korvel {

// Captions.
inline constexpr int IDS_CAPTION_ERROR = 1401;  // "Fehler"
inline constexpr int IDS_CAPTION_NOTE = 1402;   // "Hinweis"

// Message box types and answers, with the values the original message boxes used.
enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// The text of string `id` in the active language; an empty string for an unknown id.
QString LoadString(int id);

// String `id` with its "%1" replaced by `insert`.
QString FormatString(int id, const QString& insert);
// String `id` with "%1", "%2", … replaced by the inserts in order, in one pass (an insert that
// itself holds "%2" stays as it is).
QString FormatString(int id, const QStringList& inserts);

// Whether the table has a string with this id.
bool HasString(int id);

// What a message box shows, after the type-0 rule has been applied.
struct MessageRequest {
    int textId = 0;
    int captionId = 0;
    unsigned type = MB_OK;  // buttons | icon
    QString text;           // loaded, with "%1" replaced
    QString caption;
};

// Shows a message from the string table and returns the button pressed.
// A type of 0 becomes an information box for the caption "Hinweis" and an error box for
// "Fehler". Without a handler installed the message goes to standard error and the
// answer is the default button (IDOK, or IDYES for yes/no boxes).
int ShowMessage(int textId, int captionId, unsigned type = 0, const QString& insert = QString());
// The same for a text with several inserts ("%1", "%2", …).
int ShowMessage(int textId, int captionId, unsigned type, const QStringList& inserts);

using MessageHandler = std::function<int(const MessageRequest&)>;
// Installs the routine that really shows messages (the desktop program's message box, or a
// test's recorder). Returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

}  // namespace korvel
