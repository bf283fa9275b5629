#include "life/MediaWatcher.h"

#include "platform/AudioStreams.h"
#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"

#include <QPointer>

#include <array>
#include <limits>
#include <map>
#include <memory>

namespace kp {

namespace {

constexpr std::array<const char*, 21> playerNames = {
    "webkit", "safari", "chrome", "chromium", "firefox", "arc.app", "brave",
    "edge",   "opera",  "vivaldi", "orion",   "iina",    "vlc",     "quicktime",
    "/tv.app", "netflix", "infuse", "plex",   "mpv",     "elmedia", "movist"};

constexpr std::array<const char*, 9> excludedNames = {
    "coresimulator", "simulator", "zoom", "facetime", "teams", "webex", "discord", "slack", "/system/library/"};

constexpr std::array<const char*, 3> mediaPhrases = {"media playback", "htmlmediaelement", "video wake lock"};

template <std::size_t N>
bool containsAny(const QString& text, const std::array<const char*, N>& needles) {
    for (const char* needle : needles)
        if (text.contains(QLatin1String(needle))) return true;
    return false;
}

// Process ids are 32-bit; anything else cannot name a process.
bool validPid(long long pid) { return pid > 0 && pid <= std::numeric_limits<int>::max(); }

// Folders that hold many unrelated programs: living in one says nothing about belonging together.
bool sharedFolder(const QString& folder) {
    const QString last = folder.section(QLatin1Char('/'), -1);
    return last.isEmpty() || last == QLatin1String("bin") || last == QLatin1String("sbin") ||
           last == QLatin1String("lib") || last == QLatin1String("lib64") ||
           last == QLatin1String("libexec") || last == QLatin1String("games");
}

constexpr int maxAncestors = 16;

}  // namespace

// What one scan has already looked up, so no process is asked twice in a scan.
struct MediaWatcher::ScanContext {
    Processes& processes;
    std::map<long long, QString> paths;
    std::optional<std::vector<RunningApp>> apps;

    const std::vector<RunningApp>& runningApps() {
        if (!apps) apps = processes.runningApplications();
        return *apps;
    }
    const RunningApp* app(long long pid) {
        for (const RunningApp& a : runningApps())
            if (a.pid == pid) return &a;
        return nullptr;
    }
};

MediaWatcher::MediaWatcher(PowerAssertions& assertions, MusicPlayers& players, Processes& processes,
                           Scheduler& scheduler, QObject* parent)
    : QObject(parent), assertions_(assertions), players_(players), processes_(processes), scheduler_(scheduler) {}

MediaWatcher::~MediaWatcher() {
    if (timer_) scheduler_.cancel(timer_);
    scheduler_.cancel(settle_);
}

MediaWatcher& MediaWatcher::shared() {
    static JoinedAssertions desktop(SessionInhibitions::shared(), SessionManagerInhibitors::shared());
    static JoinedAssertions locks(LogindInhibitors::shared(), desktop);
    static JoinedAssertions all(locks, AudioStreams::shared());
    static MediaWatcher* instance = new MediaWatcher(all, MprisPlayers::shared(),
                                                     ProcessesLinux::shared(), QtScheduler::shared());
    return *instance;
}

void MediaWatcher::start() {
    if (timer_) return;
    QPointer<MediaWatcher> self(this);
    timer_ = scheduler_.every(scanSeconds, [self] {
        if (self) self->scan(true);
    });
    players_.start([self] {
        if (self) self->refresh();
    });
    refresh();
}

void MediaWatcher::refresh() { scan(false); }

void MediaWatcher::scan(bool fromTimer) {
    if (scanning_) {
        again_ = true;
        againFromTimer_ = againFromTimer_ || fromTimer;
        return;
    }
    scanning_ = true;
    // Every source is asked afresh; the scan judges when the last has answered.
    QPointer<MediaWatcher> self(this);
    auto left = std::make_shared<int>(2);
    const auto answered = [self, left, fromTimer] {
        if (--*left == 0 && self) self->judge(fromTimer);
    };
    assertions_.refresh(answered);
    players_.refresh(answered);
}

void MediaWatcher::judge(bool fromTimer) {
    ScanContext context{processes_, {}, std::nullopt};
    const std::optional<Playing> player = readPlayers(context);
    Playing now = scanAssertions(musicAppPlaying_);
    // A player showing a video is watched, wake lock or not.
    if (player && !now.isVideo()) now = *player;
    scanning_ = false;

    if (now != seen_ && !now.isNothing()) {
        // Wait for a second scan to agree, a second from now or at the timer.
        seen_ = now;
        settled_ = false;
        scheduler_.cancel(settle_);
        QPointer<MediaWatcher> self(this);
        settle_ = scheduler_.after(settleSeconds, [self] {
            if (self) self->settled_ = true;
        });
    } else if (now.isNothing() || fromTimer || settled_) {
        if (playing_ != now) {
            playing_ = now;
            emit playingChanged();
            emit changed();
        }
        seen_ = now;
    }

    if (again_) {
        const bool timer = againFromTimer_;
        again_ = againFromTimer_ = false;
        scan(timer);
    }
}

std::optional<MediaWatcher::Playing> MediaWatcher::readPlayers(ScanContext& context) {
    // Every playing player counts: a video in one wins over music in another.
    std::optional<Playing> video;
    const PlayerState* music = nullptr;
    const std::vector<PlayerState> players = players_.players();
    for (const PlayerState& player : players) {
        if (!player.playing()) continue;
        if (showsVideo(player)) {
            if (!video && player.pid) {
                const QString text = processPath(*player.pid, context);
                video = Playing::video(browserOwner(text, *player.pid, context).value_or(*player.pid));
            }
            if (!video) video = Playing::video();
        } else if (!music || player.order > music->order) {
            music = &player;
        }
    }
    musicAppPlaying_ = music != nullptr;
    const std::optional<QString> track = music ? music->title : std::nullopt;
    if (track != track_) {
        track_ = track;
        emit trackChanged();
        emit changed();
    }
    return video;
}

bool MediaWatcher::showsVideo(const PlayerState& player) {
    if (!player.videoAddress) return false;
    // What the player tells comes first; then whether its process shows a picture's window.
    if (player.showsPicture) return *player.showsPicture;
    if (!player.pid) return true;
    return processes_.showsLargeWindow(*player.pid).value_or(true);
}

bool MediaWatcher::isPlayerApp(const QString& text) { return containsAny(text, playerNames); }

bool MediaWatcher::isExcluded(const QString& text) { return containsAny(text, excludedNames); }

MediaWatcher::Playing MediaWatcher::scanAssertions(bool musicAppPlaying) {
    const auto records = assertions_.assertions();
    if (!records) return musicAppPlaying ? Playing::music() : Playing::nothing();

    const long long own = processes_.ownPid();
    bool audio = musicAppPlaying;
    std::optional<Playing> video;
    ScanContext scan{processes_, {}, std::nullopt};
    const QString space = QStringLiteral(" ");

    for (const PowerAssertion& record : *records) {
        const std::optional<long long> onBehalf = record.onBehalfOfPid ? record.onBehalfOfPid : record.assertPid;
        // The session's list names no process: its records count, with their owner unknown.
        if (!record.fromSessionList && (!onBehalf || *onBehalf == own)) continue;
        const QString type = record.trueType ? *record.trueType : record.type.value_or(QString());
        const long long holder = record.assertPid ? *record.assertPid : onBehalf.value_or(0);
        const QString text = (processPath(onBehalf.value_or(0), scan) + space + record.processName.value_or(QString()) + space +
                              record.assertName.value_or(QString()))
                                 .toLower();
        const bool player = isPlayerApp(text);
        if (type == QLatin1String(PowerAssertion::preventDisplaySleep) && (player || containsAny(text, mediaPhrases)))
            video = Playing::video(browserOwner(text, holder, scan));
        if (record.resourcesUsed && record.resourcesUsed->contains(QLatin1String(PowerAssertion::audioOut)) &&
            (player || !isExcluded(text)))
            audio = true;
    }
    if (video) return *video;
    return audio ? Playing::music() : Playing::nothing();
}

QString MediaWatcher::processPath(long long pid, ScanContext& scan) {
    if (!validPid(pid)) return {};
    const auto cached = scan.paths.find(pid);
    if (cached != scan.paths.end()) return cached->second;
    QString path = processes_.executablePath(pid);
    if (path.isEmpty())
        if (const RunningApp* app = scan.app(pid)) path = app->path;
    path = path.toLower();
    scan.paths.emplace(pid, path);
    return path;
}

std::optional<long long> MediaWatcher::browserOwner(const QString& text, long long pid, ScanContext& scan) {
    if (!validPid(pid)) return std::nullopt;
    if (const RunningApp* app = scan.app(pid); app && app->regular) return pid;

    // A helper process belongs to the application that started it: the nearest ancestor with a
    // window. A web engine's helpers live apart from the browser; other helpers must live in the
    // application's own folder (or be the same program), or they are not the application's.
    const RunningApp* owner = nullptr;
    std::optional<long long> at = processes_.parentPid(pid);
    for (int step = 0; at && validPid(*at) && step < maxAncestors; ++step) {
        const RunningApp* app = scan.app(*at);
        if (app && app->regular) {
            owner = app;
            break;
        }
        at = processes_.parentPid(*at);
    }
    if (!owner) return std::nullopt;
    if (text.contains(QLatin1String("webkit")) || text.contains(QLatin1String("safari"))) return owner->pid;

    const QString helperPath = processPath(pid, scan);
    const QString ownerPath = processPath(owner->pid, scan);
    if (helperPath.isEmpty() || ownerPath.isEmpty()) return std::nullopt;
    if (helperPath == ownerPath) return owner->pid;
    const QString folder = ownerPath.left(ownerPath.lastIndexOf(QLatin1Char('/')));
    if (!sharedFolder(folder) && helperPath.startsWith(folder + QLatin1Char('/'))) return owner->pid;
    return std::nullopt;
}

}  // namespace kp
