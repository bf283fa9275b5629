#include "life/MediaWatcher.h"

#include "platform/MusicPlayers.h"
#include "platform/PowerAssertions.h"
#include "platform/Processes.h"
#include "platform/Scheduler.h"

#include <QPointer>

#include <array>
#include <limits>
#include <map>

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
}

MediaWatcher& MediaWatcher::shared() {
    static JoinedAssertions desktop(SessionInhibitions::shared(), SessionManagerInhibitors::shared());
    static JoinedAssertions locks(LogindInhibitors::shared(), desktop);
    static MediaWatcher* instance = new MediaWatcher(locks, MprisPlayers::shared(),
                                                     ProcessesLinux::shared(), QtScheduler::shared());
    return *instance;
}

void MediaWatcher::start() {
    if (timer_) return;
    QPointer<MediaWatcher> self(this);
    timer_ = scheduler_.every(scanSeconds, [self] {
        if (self) self->refresh();
    });
    players_.start([self](const std::optional<QString>& state, const std::optional<QString>& name, bool video) {
        if (self) self->applyPlayerState(state, name, video);
    });
    refresh();
}

void MediaWatcher::applyPlayerState(const std::optional<QString>& state, const std::optional<QString>& name,
                                    bool video) {
    const bool playing = state == QLatin1String("Playing");
    musicAppPlaying_ = playing && !video;
    videoAppPlaying_ = playing && video;
    track_ = musicAppPlaying_ ? name : std::nullopt;
    emit trackChanged();
    emit changed();
    refresh();
}

void MediaWatcher::refresh() {
    Playing now = scanAssertions(musicAppPlaying_);
    // A player showing a video is watched, wake lock or not.
    if (videoAppPlaying_ && !now.isVideo()) now = Playing::video();
    if (now != seen_ && !now.isNothing()) {
        seen_ = now;  // wait for a second scan to agree
        return;
    }
    if (playing_ != now) {
        playing_ = now;
        emit playingChanged();
        emit changed();
    }
    seen_ = now;
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
