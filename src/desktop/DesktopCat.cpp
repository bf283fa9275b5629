#include "desktop/DesktopCat.h"
#include "desktop/QuietOpen.h"

#include "app/AppState.h"
#include "audio/PetSoundPlayer.h"
#include "life/PetLife.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/InputIdle.h"
#include "platform/NotificationCenter.h"
#include "platform/Processes.h"
#include "platform/Random.h"

#include <QProcess>

#include <algorithm>
#include <array>

namespace kp {

namespace {

constexpr std::array<const char*, DesktopCat::trickCount> trickNames = {
    "peek", "pounce", "gift", "breakTime", "mug", "keyboard", "nap", "bellyNap", "play", "meow", "watch", "vibe"};

}  // namespace

double desktopVoicePitch(PetStage stage) {
    switch (stage) {
    case PetStage::kitten: return 1.3;
    case PetStage::junior: return 1.12;
    case PetStage::adult: return 1.0;
    }
    return 1.0;
}

DesktopWorld DesktopWorld::shared() {
    DesktopWorld world;
    world.clock = &SystemClock::shared();
    world.random = &SystemRandom::shared();
    world.store = &Defaults::standard();
    world.hub = &NotificationCenter::shared();
    world.life = &AppState::shared().life();
    world.windows = &WindowListX11::shared();
    world.processes = &ProcessesLinux::shared();
    world.idleness = &InputIdlenessX11::shared();
    world.playing = [] { return MediaWatcher::shared().playing(); };
    world.track = [] { return MediaWatcher::shared().track(); };
    world.pomodoroPhase = [] { return Pomodoro::shared().phase(); };
    world.startBreak = [] { Pomodoro::shared().startBreak(); };
    world.playSound = [](PetSound sound, double pitch) {
        auto& player = audio::PetSoundPlayer::shared();
        player.setPitch(pitch);
        player.play(sound);
    };
    world.openFile = [](const QString& path) { openQuietly(path); };
    return world;
}

QString DesktopCat::trickName(Trick trick) {
    return QString::fromLatin1(trickNames[static_cast<std::size_t>(trick)]);
}

std::optional<DesktopCat::Trick> DesktopCat::trickFromRawValue(const QString& name) {
    for (std::size_t i = 0; i < trickNames.size(); ++i) {
        if (name == QLatin1String(trickNames[i])) return static_cast<Trick>(i);
    }
    return std::nullopt;
}

const std::vector<DesktopCat::Trick>& DesktopCat::allTricks() {
    static const std::vector<Trick> all = [] {
        std::vector<Trick> v;
        for (int i = 0; i < trickCount; ++i) v.push_back(static_cast<Trick>(i));
        return v;
    }();
    return all;
}

DesktopCat::DesktopCat(const RoamScreen& roamed, DesktopWorld world)
    : screen(roamed), face(*world.random), world_(std::move(world)) {
    const double t = now();
    facingRight = coin();
    pose = Pose::air;
    sit = 0;
    appear = 0;
    squash = 1;
    turn = 1;
    lastWatchWork = t;
    stepStarted = t;
    last = t;
    lastKnock = t;
    lastPeek = t;
    lastGift = t;
    lastPlay = t;
    lastMeow = t;
    pops.reserve(16);
    dragHistory.reserve(64);
    plan.reserve(8);
    terrain = scanTerrain();
    feet = QPointF(0.5 * terrain.size.width(), terrain.menuBottom - 2);
    vx = uniform(60, 140);
    if (!facingRight) vx = -vx;
    vy = -120;
    falling = true;
    pose = Pose::air;
    playSound(PetSound::trill);
}

DesktopCat::~DesktopCat() = default;

void DesktopCat::playSound(PetSound sound) {
    if (!world_.playSound) return;
    world_.playSound(sound, desktopVoicePitch(life().stage()));
}

Terrain DesktopCat::scanTerrain() const {
    Processes* processes = world_.processes;
    const long long own = processes ? processes->ownPid() : 0;
    static const std::vector<WindowInfo> none;
    const auto& windows = world_.windows ? world_.windows->onScreenWindows() : none;
    return Terrain::scan(screen, windows, own);
}

double DesktopCat::now() const { return world_.clock->now(); }
double DesktopCat::unit() { return world_.random->unit(); }
double DesktopCat::uniform(double lo, double hi) { return world_.random->uniform(lo, hi); }
bool DesktopCat::coin() { return world_.random->unit() < 0.5; }
PetGrowth DesktopCat::growth() const {
    if (!growth_ || growthAt_ != last) {
        growth_ = life().growth();
        growthAt_ = last;
    }
    return *growth_;
}

double DesktopCat::bodyScale() const { return growth().body; }
double DesktopCat::headScale() const { return growth().head; }

MediaWatcher::Playing DesktopCat::playing() const {
    return world_.playing ? world_.playing() : MediaWatcher::Playing::nothing();
}

std::optional<QString> DesktopCat::track() const {
    return world_.track ? world_.track() : std::nullopt;
}

Pomodoro::Phase DesktopCat::pomodoroPhase() const {
    return world_.pomodoroPhase ? world_.pomodoroPhase() : Pomodoro::Phase::idle;
}

double DesktopCat::secondsSinceInput() const {
    return world_.idleness ? world_.idleness->secondsSinceLastInput() : 0;
}

std::optional<DesktopCat::Step::Kind> DesktopCat::currentStep() const {
    if (plan.empty()) return std::nullopt;
    return plan.front().kind;
}

DesktopCat::Pop DesktopCat::makePop(QPointF p, Pop::Kind kind, const QString& text, double born, double drift) {
    Pop pop;
    pop.id = nextPopId_++;
    pop.born = born;
    pop.p = p;
    pop.kind = kind;
    pop.text = text;
    pop.drift = drift;
    return pop;
}

}  // namespace kp
