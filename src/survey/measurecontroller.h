#pragma once
// CMeasureController: the measuring state of one map view. Records a line along the walked
// track (closing it into an area on request when the recording ends) or shows the receiver's
// position with a heading arrow, keeping the position (and a searched point) in sight. It is
// the one place where the mode changes, so that leaving a recording always stores it. The view
// keeps one for its whole life; the view's destructor and the document window's save question
// end measuring through it.
//
// A tick costs the same however long the track is: a new vertex extends the track's bounds and
// repaints the new segment's area only.

#include "crs/worldpoint.h"
#include "model/canvas.h"
#include "model/pixel.h"
#include "view/viewmeasuring.h"

#include <QString>
#include <QTimer>

#include <memory>

namespace korvel {

class CKorvelDoc;
class CKorvelView;
class GObj;
class CSerialComm;
class GRing;
class SurveyHost;

inline constexpr int IDS_CLOSE_LINE_QUESTION = 4203;  // "Linie schließen und Fläche bilden?"

// Colours of the recording (red low byte first).
inline constexpr COLORREF kTrackColor = 255;             // red while recording
inline constexpr COLORREF kStoredTrackColor = 14822282;  // 0xE22B8A when stored
inline constexpr COLORREF kTrackAreaColor = 16711680;    // 0xFF0000 (blue) for the area

// What all views share: the last GPS position any view saw ((0, 0) = none yet) and the
// heading of the marker (radians, counter-clockwise from grid north).
struct MeasureShared {
    WorldPoint lastPosition;
    double heading = 0.0;
};
MeasureShared& SharedMeasureState();

// The world window shrunk on every side by 17 % of its smaller extent.
WorldRect InnerRectangle(const WorldRect& window);
// The window that shows both the GPS position and the find marker, or false when the view
// is to stay as it is (see OnMeasureTimer).
bool FramePositionAndMarker(const WorldRect& window, const WorldPoint& gps, const WorldPoint& marker,
                            WorldRect* out);

class CMeasureController : public MeasuringController {
public:
    static constexpr int kModeNone = 0;
    static constexpr int kModeTrack = 2;
    static constexpr int kModePosition = 3;
    static constexpr int kTimerTrack = 1;
    static constexpr int kTimerPosition = 2;
    static constexpr int kPositionPeriodMs = 100;

    // `host` may be null: no receiver, default label look.
    CMeasureController(CKorvelView& view, SurveyHost* host);
    ~CMeasureController() override;

    int measureMode() const { return m_nMeasureMode; }
    bool paused() const { return m_bPaused; }

    // "Linie/Fläche messen": starts recording (ignored while a track exists).
    void StartTrack();
    // "Position zeigen": shows the position (ends a recording first).
    void ShowPosition();
    // "Pause": stops or resumes appending points; the marker keeps moving.
    void TogglePause();
    // "Stop": ends measuring and removes the find marker.
    void StopMeasuring();
    // The single place where the mode changes; nothing happens when it already is `mode`.
    // Leaving a recording stores the line (and, on request, the area) in the document.
    void SetMeasureMode(int mode);
    // One tick of timer 1 (recording) or 2 (position).
    void OnMeasureTimer(int timerId);

    // MeasuringController.
    void EndMeasuring() override { SetMeasureMode(kModeNone); }
    bool IsMeasuring() const override { return m_nMeasureMode != kModeNone; }

    CKorvelView& view() const { return m_view; }
    SurveyHost* host() const { return m_pHost; }
    bool timerActive(int timerId) const;
    int trackPeriodMs() const { return m_timer1.interval(); }

    // The managed GPS port when its fix passes the quality filter, else null.
    static CSerialComm* UsablePort(SurveyHost* host);

private:
    void StoreTrack();
    // Adds one object through the host (one undo step); a line the document refuses goes back
    // on the screen. True when added.
    bool AddToDocument(CKorvelDoc& doc, std::unique_ptr<GObj> obj, const QString& text);
    void CreateMarkerIfMissing();
    void AppendToTrack(const WorldPoint& pos);
    void MoveMarker(const WorldPoint& pos, double heading);
    void FollowPosition(const WorldPoint& pos);
    void ShowPauseFace();

    CKorvelView& m_view;
    SurveyHost* m_pHost;
    int m_nMeasureMode = kModeNone;
    bool m_bPaused = false;
    QTimer m_timer1;
    QTimer m_timer2;
};

}  // namespace korvel
