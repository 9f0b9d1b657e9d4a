#pragma once
// What the surveying tools need from the window that hosts the map views: the receiver
// settings (port, quality filter, interval and averaging), the label font and colour given to
// new point labels, and the pause button's face. The main window implements it once; tests
// hand in their own.

#include "model/canvas.h"

namespace korvel {

class CGpsSettings;

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
};

}  // namespace korvel
