#include "desktop/DesktopSteps.h"

#include "life/PetLife.h"

#include <algorithm>
#include <cmath>

namespace kp {

using namespace desktopsteps;

namespace {

const QString kNotes[] = {QStringLiteral("♪"), QStringLiteral("♫"), QStringLiteral("♪♪")};
const QString kMeows[] = {QStringLiteral("meow"), QStringLiteral("mrrp?"), QStringLiteral("mew!"),
                          QStringLiteral("meow!"), QStringLiteral("mrrow")};

}  // namespace

void DesktopCat::runStep(double now, double dt, const Ledge& ground) {
    if (plan.empty()) {
        plan = choosePlan(now, ground);
        stepStarted = now;
        if (plan.empty()) return;
        // Carried toward the screen's side by its window: back into sight first.
        if (const double in = spotOn(ground, feet.x()); keptOnScreen(feet.x()) != feet.x() && std::abs(in - feet.x()) > 1.5)
            plan.insert(plan.begin(), Step::walk(in, false));
    }
    // A copy: handlers may replace the plan under it.
    const Step step = plan.front();
    const double t = now - stepStarted;
    const double s = bodyScale();

    if (step.kind != Kind::peek) {
        peekLine.reset();
        peekDepth = 0;
    }
    wiggle = false;
    if (step.kind == Kind::playAlone) {
        vibing = false;
        bellyUp = false;
        playStep(now, dt, ground, t, step.length);
        return;
    }
    toy.reset();

    if (step.kind == Kind::vibe) {
        bellyUp = false;
        pose = Pose::sit;
        vibing = true;
        if (now >= nextNote) {
            nextNote = now + uniform(1.2, 2.2);
            QString text;
            const std::optional<QString> name = track();
            if (name && !name->isEmpty() && unit() < 0.15)
                text = QStringLiteral("♪ ") + *name;
            else
                text = kNotes[pickIndex(*this, 3)];
            say(*this, now, text, uniform(-14, 14));
        }
        const bool goesOn = t <= step.length && (playing().isMusic() || vibeAnyway);
        if (!goesOn) {
            vibing = false;
            vibeAnyway = false;
            nextStep(now);
        }
        return;
    }
    vibing = false;

    if (step.kind == Kind::sleep) {
        // The sleep pose is only ever set here, so a pose other than sleep marks the step's first frame.
        const bool firstFrame = pose != Pose::sleep;
        pose = Pose::sleep;
        if (firstFrame) {
            life().sleepOutside();
            bellyUp = forceBelly || (life().happiness() > 50 && unit() < 0.35);
            forceBelly = false;
        }
        if (t > 1.0 && !life().isSleeping()) {
            bellyUp = false;
            wokenUp(now, ground);
        }
        return;
    }
    bellyUp = false;

    switch (step.kind) {
    case Kind::walk: {
        pose = step.run ? Pose::run : Pose::walk;
        if (approach(*this, spotOn(ground, step.x), step.run ? 200 : 78, dt)) {
            pose = Pose::stand;
            nextStep(now);
        }
        break;
    }
    case Kind::hop: {
        pose = Pose::crouch;
        const std::optional<Ledge> to = terrain.ledge(step.ground, step.x);
        if (!to) {
            nextStep(now);
            break;
        }
        const double x = spotOn(*to, step.x);
        facingRight = x >= feet.x();
        if (t > 0.22) {
            nextStep(now);
            startFlight(QPointF(x, to->y), step.ground, false);
        }
        break;
    }
    case Kind::sit:
    case Kind::watchCup:
        pose = Pose::sit;
        if (t > step.length) nextStep(now);
        break;
    case Kind::groom:
        pose = Pose::groom;
        if (t > step.length) nextStep(now);
        break;
    case Kind::loaf:
        pose = Pose::lie;
        if (t > step.length) nextStep(now);
        break;
    case Kind::stare:
        pose = Pose::stare;
        if (cup && !cup->falling) facingRight = cup->p.x() >= feet.x();
        if (t > step.length) nextStep(now);
        break;
    case Kind::rummage:
        pose = Pose::crouch;
        if (t > step.length) {
            gift = Gift{feet, window, true, std::nullopt};
            playSound(PetSound::mew);
            nextStep(now);
        }
        break;
    case Kind::stomp:
        pose = Pose::stomp;
        feet.setX(keptOnScreen(feet.x() + dt * 40 * std::sin(3 * t)));
        if (t > 1.8) {
            walkOnKeyboard();
            nextStep(now);
        }
        break;
    case Kind::intoNotch:
        pose = Pose::crouch;
        if (t > 0.25) {
            nextStep(now);
            startFlight(QPointF(0.5 * terrain.size.width(), terrain.menuBottom - 2), ground::notch, true);
            playSound(PetSound::trill);
        }
        break;
    case Kind::pounce:
        pose = Pose::crouch;
        wiggle = true;
        if (mouse.x() != feet.x()) facingRight = mouse.x() > feet.x();
        if (t > 0.4) {
            nextStep(now);
            pounceLeap();
        }
        break;
    case Kind::dropGift: {
        double x = ground.middle();
        if (ground.width() > 12) {
            x = feet.x() + (facingRight ? 1 : -1) * 22 * 1.45 * s;
            x = std::clamp(x, ground.x0 + 6, ground.x1 - 6);
        }
        gift = Gift{QPointF(x, ground.y), ground.window, false, now};
        say(*this, now, QStringLiteral("for you!"));
        smugUntil = now + 4;
        playSound(PetSound::trill);
        nextStep(now);
        break;
    }
    case Kind::meow:
        pose = Pose::sit;
        // One meow per step: frames 1/60 s apart would otherwise meow two or three times over.
        if (t < 0.05 && meowUntil < stepStarted + 0.9) {
            meowUntil = now + 0.9;
            say(*this, now, kMeows[pickIndex(*this, 5)]);
            playSound(PetSound::meow);
        }
        if (t > 1.2) nextStep(now);
        break;
    case Kind::follow: followStep(now, dt, ground, t, step.length); break;
    case Kind::chase: chaseStep(now, dt, ground); break;
    case Kind::plea: pleaStep(now, t, step.length); break;
    case Kind::ask: askStep(now, t, step.length); break;
    case Kind::watch: watchStep(now, dt, t, step.length); break;
    case Kind::peek: peekStep(now, ground, t, step.length); break;
    case Kind::bringGift: bringGiftStep(now, ground); break;
    case Kind::nudgeCup: nudgeCupStep(now, t); break;
    case Kind::playAlone:
    case Kind::vibe:
    case Kind::sleep: break;  // handled above
    }
}

}  // namespace kp
