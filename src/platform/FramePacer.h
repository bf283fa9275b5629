#pragma once
// Frames at the display's rate from a millisecond timer: each frame is due one display period
// after the last one was due, so the timer's rounding neither drifts from the display nor adds
// frames it never shows (16 ms frames on a 60 Hz display drop one frame in 25), and a frame that
// came late brings no burst of frames after it.
class QScreen;

namespace kp {

class FramePacer {
public:
    // Starts counting frames of `periodSeconds` from `now` (seconds of a steady clock).
    void start(double periodSeconds, double now);
    // Milliseconds from `now` until the next frame is due (at least one); that frame is then the last.
    int next(double now);

private:
    double period_ = 1.0 / 60;
    double due_ = 0;
};

// One frame of `screen` in seconds: 1/60 when it does not tell its rate.
double displayFramePeriod(const QScreen* screen);

}  // namespace kp
