#pragma once
// The measuring state of one map view (point measurement, line and area recording, position
// display), seen from the view and the document window. The surveying layer implements it; the
// view only needs to end measuring before it goes away, and the document window before it asks
// whether to save, so that a line being recorded becomes part of the document first.

namespace korvel {

class MeasuringController {
public:
    virtual ~MeasuringController() = default;
    // Ends every running measurement, storing what was measured in the document (with the
    // questions measuring asks at its end). Does nothing when nothing runs.
    virtual void EndMeasuring() = 0;
    // Whether a measurement or the position display runs in this view.
    virtual bool IsMeasuring() const = 0;
};

}  // namespace korvel
