#pragma once
// What the surveying tools need from the window that hosts the map views: the receiver
// settings (port, quality filter, interval and averaging), the label font and colour given to
// new point labels, and the pause button's face. The main window implements it once; tests
// hand in their own.

#include "model/canvas.h"

#include <QString>

#include <memory>
#include <vector>

namespace korvel {

class CGpsSettings;
class CKorvelDoc;
class GObj;

class SurveyHost {
public:
    virtual ~SurveyHost() = default;
    // The receiver settings whose port, quality filter, interval and averaging every
    // measurement uses; null when the program runs without a receiver.
    virtual CGpsSettings* Gps() = 0;
    // Font and text colour of new labels.
    virtual LogFont LabelFont() const = 0;
    virtual COLORREF LabelColor() const = 0;
    // The pause button shows the resume picture while `paused`, greyed when no line is being
    // recorded.
    virtual void ShowPauseFace(bool /*paused*/, bool /*notLineMode*/) {}
    // Adds what a measurement made to `doc`, in order, as one step the user can undo (named
    // `text`). Objects the document takes are released from `objects`; the rest stay with the
    // caller. True when all were added. The default adds them without an undo step.
    virtual bool AddToDocument(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects, const QString& text);
};

// Adds the objects with CKorvelDoc::AddObject, in order, without an undo step; the rules of
// SurveyHost::AddToDocument.
bool AddObjectsDirectly(CKorvelDoc& doc, std::vector<std::unique_ptr<GObj>>& objects);

}  // namespace korvel
