#pragma once
// CMeasureController: the measuring state of one map view. Holds the measuring mode (0 none,
// 2 recording a line, 3 showing the position) and the pause flag, and is the one place where the
// mode changes, so that leaving a recording always stores it. The view keeps one for its whole
// life; the view's destructor and the document window's save question end measuring through it.

#include "view/viewmeasuring.h"

namespace korvel {

class CKorvelView;

class CMeasureController : public MeasuringController {
public:
    static constexpr int kModeNone = 0;
    static constexpr int kModeTrack = 2;
    static constexpr int kModePosition = 3;

    explicit CMeasureController(CKorvelView& view) : m_view(view) {}

    int measureMode() const { return m_nMeasureMode; }
    bool paused() const { return m_bPaused; }

    // The single place where the mode changes; nothing happens when it already is `mode`.
    void SetMeasureMode(int mode);

    // MeasuringController.
    void EndMeasuring() override { SetMeasureMode(kModeNone); }
    bool IsMeasuring() const override { return m_nMeasureMode != kModeNone; }

    CKorvelView& view() const { return m_view; }

private:
    CKorvelView& m_view;
    int m_nMeasureMode = kModeNone;
    bool m_bPaused = false;
};

}  // namespace korvel
