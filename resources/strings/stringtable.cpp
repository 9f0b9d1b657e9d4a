#include "strings/stringtable.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace korvel {
namespace {

struct StringEntry {
    int id;
    const char* text;  // UTF-8
};

// Every module keeps its texts in its own include file, sorted by id within it.
constexpr StringEntry kStrings[] = {
#include "strings/strings_common.inc"
#include "strings/strings_model.inc"
#include "strings/strings_crs.inc"
#include "strings/strings_gps.inc"
#include "strings/strings_exchange.inc"
#include "strings/strings_view.inc"
#include "strings/strings_survey.inc"
#include "strings/strings_imagery.inc"
#include "strings/strings_app.inc"
};

const StringEntry* Find(int id)
{
    for (const StringEntry& e : kStrings) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

MessageHandler& Handler()
{
    static MessageHandler handler;
    return handler;
}

}  // namespace

QString LoadString(int id)
{
    const StringEntry* e = Find(id);
    if (!e) return QString();
    return QCoreApplication::translate("StringTable", e->text);
}

QString FormatString(int id, const QString& insert)
{
    QString s = LoadString(id);
    s.replace(QStringLiteral("%1"), insert);
    return s;
}

QString FormatString(int id, const QStringList& inserts)
{
    const QString s = LoadString(id);
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('%') && i + 1 < s.size() && s[i + 1] >= QLatin1Char('1') && s[i + 1] <= QLatin1Char('9')) {
            const qsizetype n = s[i + 1].unicode() - u'1';
            if (n < inserts.size()) {
                out += inserts[n];
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

bool HasString(int id) { return Find(id) != nullptr; }

namespace {

int Show(MessageRequest req)
{
    req.caption = LoadString(req.captionId);
    if (Handler()) return Handler()(req);
    std::fprintf(stderr, "%s: %s\n", qPrintable(req.caption), qPrintable(req.text));
    return (req.type & 0xF) == MB_YESNO || (req.type & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
}

MessageRequest Request(int textId, int captionId, unsigned type)
{
    MessageRequest req;
    req.textId = textId;
    req.captionId = captionId;
    req.type = type;
    if (type == 0) {
        if (captionId == IDS_CAPTION_NOTE) req.type = MB_ICONINFORMATION;
        else if (captionId == IDS_CAPTION_ERROR) req.type = MB_ICONERROR;
    }
    return req;
}

}  // namespace

int ShowMessage(int textId, int captionId, unsigned type, const QString& insert)
{
    MessageRequest req = Request(textId, captionId, type);
    req.text = insert.isNull() ? LoadString(textId) : FormatString(textId, insert);
    return Show(std::move(req));
}

int ShowMessage(int textId, int captionId, unsigned type, const QStringList& inserts)
{
    MessageRequest req = Request(textId, captionId, type);
    req.text = FormatString(textId, inserts);
    return Show(std::move(req));
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

}  // namespace korvel
