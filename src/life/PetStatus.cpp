// Read-outs for the views: what the cat is doing right now, and its age.
#include "PetLife.h"
#include "platform/Dates.h"

#include <algorithm>

namespace kp {

QString PetLife::statusLine() const {
    if (isOut_) return isSleeping_ ? QStringLiteral("napping outside") : QStringLiteral("out exploring");
    if (isNightSleeping()) return QStringLiteral("fast asleep");
    if (room_ != viewRoom_ && !isDead_) {
        if (errand_ == PetErrand::stroll || errand_ == PetErrand::snowPlay) return QStringLiteral("out in the garden");
        if (errand_ == PetErrand::sleep) return QStringLiteral("off to bed");
        if (errand_ == PetErrand::sulk) return QStringLiteral("off sulking");
        return QStringLiteral("elsewhere");
    }
    if (isZooming_) return QStringLiteral("zoomies!");
    switch (pose_) {
    case PetPose::sitting: return QStringLiteral("just sitting");
    case PetPose::napping: return QStringLiteral("catnapping");
    case PetPose::batting:
        return errand_ == PetErrand::snowPlay ? QStringLiteral("playing in the snow") : QStringLiteral("playing");
    case PetPose::scratching: return QStringLiteral("scratching");
    case PetPose::eating: return QStringLiteral("eating");
    case PetPose::playing: return QStringLiteral("playing");
    case PetPose::healing: return QStringLiteral("pill time");
    case PetPose::watching: return QStringLiteral("watching TV");
    case PetPose::perched:
        switch (look().weather) {
        case SkyWeather::rain:
        case SkyWeather::storm: return QStringLiteral("watching the rain");
        case SkyWeather::snow: return QStringLiteral("watching the snow");
        default: return QStringLiteral("at the window");
        }
    case PetPose::kneading: return QStringLiteral("making biscuits");
    case PetPose::stretching: return QStringLiteral("big stretch");
    case PetPose::licking: return QStringLiteral("yum");
    case PetPose::drinking: return QStringLiteral("drinking");
    case PetPose::sniffing: return QStringLiteral("sniffing");
    case PetPose::resting: return QStringLiteral("resting");
    case PetPose::digging: return QString::fromUtf8("busy…");
    case PetPose::lookout:
        if (highSpot_ == PetErrand::tvTop) return QStringLiteral("on the TV");
        if (highSpot_ == PetErrand::carrierTop) return QStringLiteral("on the carrier");
        if (highSpot_ == PetErrand::fridgeTop) return QStringLiteral("on the fridge");
        return QStringLiteral("on his shelf");
    case PetPose::hunting: return QStringLiteral("on the hunt");
    case PetPose::hiding: return QStringLiteral("hiding from the thunder");
    case PetPose::bellyUp: return QStringLiteral("belly up");
    case PetPose::sleeping: return QStringLiteral("sleeping");
    case PetPose::wander:
    case PetPose::walking:
    case PetPose::dead: break;
    }
    switch (mood_) {
    case PetMood::idle: return QStringLiteral("idle");
    case PetMood::hungry: return QStringLiteral("hungry");
    case PetMood::sad: return QStringLiteral("sad");
    case PetMood::crying: return QStringLiteral("crying");
    case PetMood::sleepy: return QStringLiteral("sleepy");
    case PetMood::sick: return QStringLiteral("sick");
    case PetMood::sleeping: return QStringLiteral("sleeping");
    case PetMood::eating: return QStringLiteral("eating");
    case PetMood::dead: return QStringLiteral("at peace");
    }
    return QStringLiteral("idle");
}

QString PetLife::ageText() const {
    const double age = this->age();
    if (age >= 86400) return QString::number(static_cast<long long>(age / 86400)) + QLatin1Char('d');
    if (age >= 3600) return QString::number(static_cast<long long>(age / 3600)) + QLatin1Char('h');
    // A clock set back before the birth still reads as a newborn.
    const long long minutes = age > 0 ? static_cast<long long>(age / 60) : 0;
    return QString::number(std::max(minutes, 1LL)) + QLatin1Char('m');
}

}  // namespace kp
