#include "survey/measurecontroller.h"

namespace korvel {

void CMeasureController::SetMeasureMode(int mode)
{
    if (mode == m_nMeasureMode) return;
    if (m_nMeasureMode == kModeTrack) m_bPaused = false;
    m_nMeasureMode = mode;
}

}  // namespace korvel
