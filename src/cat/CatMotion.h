#pragma once
// The face's life between frames: blinks, the cross-fade between expressions and the head sway.
// One LiveFace per drawn face that moves (the notch face, the desktop cat).
#include "cat/CatLook.h"

#include <optional>

namespace kp {

class RandomSource;

// A damped spring pulled towards a target; callers may add to `velocity` to jolt it.
struct Spring {
    double value = 0;
    double velocity = 0;
    double stiffness = 60;
    double damping = 7;
    double clamp = 1.5;

    void step(double target, double dt);
};

// What the head is drawn with this frame.
struct FaceFrame {
    CatExpression expression = CatExpression::content;
    std::optional<CatExpression> previous;  // blended from, while the cross-fade runs
    double mix = 1;                         // 1 = fully `expression`
    double blink = 0;                       // 0 open ... 1 shut
    double sway = 0;                        // head sway; the head turns by about 12° per unit

    friend bool operator==(const FaceFrame&, const FaceFrame&) = default;
};

class LiveFace {
public:
    static constexpr double blendSeconds = 0.22;
    static constexpr double blinkSeconds = 0.16;
    static constexpr double doubleBlinkGap = 0.12;
    static constexpr double doubleBlinkChance = 0.15;
    static constexpr double maxStep = 0.05;

    // Blink timing draws from `random`.
    LiveFace();
    explicit LiveFace(RandomSource& random);

    // Advances to time `t` (seconds) towards `target`; `x` is the head's horizontal screen position
    // when known. Calling again for the same time and expression gives the same frame.
    FaceFrame frame(CatExpression target, std::optional<double> x, double t);

    // The head sway; add to `sway.spring.velocity` to jolt the head.
    struct Sway {
        Spring spring;
        double speed = 0;  // smoothed horizontal speed, points per second
    } sway;

private:
    void scheduleBlink(double after, double lo, double hi);
    double blinkAt(double t);

    RandomSource* random_;
    bool started_ = false;
    double lastT_ = 0;
    std::optional<double> lastX_;
    CatExpression lastTarget_ = CatExpression::content;
    FaceFrame cached_;

    CatExpression current_ = CatExpression::content;
    std::optional<CatExpression> previous_;
    double blendStart_ = 0;

    double nextBlink_ = 0;
    bool secondBlink_ = false;  // the blink at nextBlink_ is the quick second one
};

}  // namespace kp
