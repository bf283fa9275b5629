#include "audio/ClipBank.h"

#include "platform/Paths.h"
#include "platform/PlainFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <dirent.h>

namespace kp::audio {
namespace {

// A take is a second or two (the longest, a purr, is made one and a half seconds long). A file that
// would decode to much more is not a take, and decoding it would hold the app up.
constexpr double kMaxTakeSeconds = 5.0;
// Far more than a take of that length in any plain format; a bigger file is not looked into.
constexpr qint64 kMaxTakeBytes = 16 * 1024 * 1024;
constexpr int kMaxTakeChannels = 8;
constexpr int kMaxTakeRate = 192000;
// Frames read from a file at a time.
constexpr sf_count_t kReadFrames = 4096;

// libsndfile reads through QFile, so compiled-in resources and plain files are read alike.
sf_count_t vioLength(void* user) { return static_cast<QFile*>(user)->size(); }

sf_count_t vioSeek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<QFile*>(user);
    qint64 base = 0;
    if (whence == SEEK_CUR) base = f->pos();
    else if (whence == SEEK_END) base = f->size();
    if (!f->seek(base + offset)) return -1;
    return f->pos();
}

sf_count_t vioRead(void* ptr, sf_count_t count, void* user) {
    const qint64 got = static_cast<QFile*>(user)->read(static_cast<char*>(ptr), count);
    return got < 0 ? 0 : got;
}

sf_count_t vioWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t vioTell(void* user) { return static_cast<QFile*>(user)->pos(); }

// Calls `take` with each entry of `folder` named as a recording of `name` ("name.caf", "name-2.wav"),
// in no order. A folder on disk is read entry by entry, with no look at the files themselves: it
// may hold a hundred thousand of them. Pipes, devices and folders are passed over by their entry's
// kind; what a link leads to is found out when it is opened.
template <class Take>
void eachRecordingOf(const QString& folder, const QString& name, Take&& take) {
    const auto consider = [&](const QString& file) {
        if ((file.endsWith(QLatin1String(".caf")) || file.endsWith(QLatin1String(".wav"))) &&
            ClipBank::isTakeOf(file.chopped(4), name))
            take(file);
    };
    if (folder.startsWith(u':')) {
        for (const QString& file : QDir(folder).entryList(QDir::Files)) consider(file);
        return;
    }
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return;
    const QByteArray prefix = QFile::encodeName(name);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.constData(), std::size_t(prefix.size())) != 0) continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
        consider(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
}

qint64 bytesOf(const Samples& samples) { return qint64(samples.capacity() * sizeof(float)); }

// Compiled-in clips open as they are; a user's recording only when it is a plain file no bigger
// than a take can be (a pipe or a device under a take's name is refused without waiting).
bool openTake(QFile& file, const QString& path, QString* why) {
    if (path.startsWith(u':')) {
        file.setFileName(path);
        if (file.open(QIODevice::ReadOnly)) return true;
        *why = QStringLiteral("it cannot be opened");
        return false;
    }
    QString problem;
    const FileState state = openPlainFile(file, path, kMaxTakeBytes, &problem);
    if (state == FileState::unfit) *why = problem;
    else if (state == FileState::absent) *why = QStringLiteral("it is gone, or a link to nothing");
    else if (state == FileState::refused) *why = QStringLiteral("it cannot be opened");
    return state == FileState::plain;
}

// Why the recording a header describes is not a take, or nothing.
QString refusal(const SF_INFO& info) {
    if (info.channels < 1 || info.channels > kMaxTakeChannels)
        return QStringLiteral("it has %1 channels").arg(info.channels);
    if (info.samplerate < 1 || info.samplerate > kMaxTakeRate)
        return QStringLiteral("its rate is %1 Hz").arg(info.samplerate);
    const double seconds = double(info.frames) / double(info.samplerate);
    if (!(seconds <= kMaxTakeSeconds)) return QStringLiteral("it lasts %1 s").arg(seconds, 0, 'f', 1);
    return {};
}

}  // namespace

ClipBank::ClipBank(QStringList roots) : roots_(std::move(roots)) {}

QStringList ClipBank::defaultRoots() { return {QStringLiteral(":/"), paths::dataDir()}; }

ClipBank& ClipBank::shared() {
    static ClipBank bank;
    return bank;
}

bool ClipBank::isTakeOf(const QString& baseName, const QString& name) {
    if (!baseName.startsWith(name)) return false;
    const QStringView rest = QStringView(baseName).mid(name.size());
    if (rest.isEmpty()) return true;
    if (rest.front() != u'-') return false;
    return std::all_of(rest.begin() + 1, rest.end(), [](QChar c) { return c.isNumber(); });
}

const std::vector<SampleBuffer>& ClipBank::loadClips(const QString& name) {
    if (const auto* takes = loaded(name)) return *takes;
    return keep(name, find(roots_, name, room()));
}

namespace {

struct Candidate {
    QString file;
    int folder;
    bool plain;  // named after the clip alone ("cat-mew.wav"), no number
};

// The plain name first, however many numbered takes come beside it; the rest by file name.
bool before(const Candidate& a, const Candidate& b) {
    if (a.plain != b.plain) return a.plain;
    return a.file != b.file ? a.file < b.file : a.folder < b.folder;
}

QStringList foldersOf(const QStringList& roots) {
    QStringList folders;
    for (const QString& root : roots) folders << root << QDir(root).filePath(QStringLiteral("Sounds"));
    return folders;
}

// The first `most` recordings of a name in take order that come after `after`, and how many
// recordings it has in all. Only those few are held on to, however many there are.
std::vector<Candidate> firstTakes(const QStringList& folders, const QString& name, std::size_t most,
                                  const std::optional<Candidate>& after, int* all) {
    std::vector<Candidate> first;
    int matched = 0;
    for (int i = 0; i < folders.size(); ++i) {
        eachRecordingOf(folders[i], name, [&](const QString& file) {
            ++matched;
            Candidate candidate{file, i, file.size() == name.size() + 4};
            if (after && !before(*after, candidate)) return;
            if (first.size() == most && !before(candidate, first.back())) return;
            first.insert(std::upper_bound(first.begin(), first.end(), candidate, before), std::move(candidate));
            if (first.size() > most) first.pop_back();
        });
    }
    if (all) *all = matched;
    return first;
}

QString budgetText() {
    return QStringLiteral("it would pass the %1 MB kept for recordings").arg(ClipBank::kMaxHeldBytes >> 20);
}

}  // namespace

QStringList ClipBank::takePaths(const QStringList& roots, const QString& name, int* all) {
    const QStringList folders = foldersOf(roots);
    QStringList paths;
    for (const Candidate& c : firstTakes(folders, name, kMaxTakes, std::nullopt, all))
        paths << QDir(folders[c.folder]).filePath(c.file);
    return paths;
}

void ClipBank::Found::leaveOut(const QString& file, const QString& why) {
    if (leftOutCount++ < kNamedLeftOut) leftOut << QStringLiteral("%1 (%2)").arg(file, why);
}

// The takes are looked into in take order until the slots are full: a file that gives no
// sound, or no longer fits the room, leaves its slot to the next.
ClipBank::Found ClipBank::find(const QStringList& roots, const QString& name, qint64 room) {
    Found found;
    const QStringList folders = foldersOf(roots);
    std::optional<Candidate> after;
    int all = 0, looked = 0;
    while (found.takes.size() < std::size_t(kMaxTakes) && looked < kMaxLooks) {
        const std::size_t want = std::min(std::size_t(kMaxTakes) - found.takes.size(), std::size_t(kMaxLooks - looked));
        int matched = 0;
        const std::vector<Candidate> batch = firstTakes(folders, name, want, after, &matched);
        if (!after) all = matched;
        if (!batch.empty()) after = batch.back();
        for (const Candidate& c : batch) {
            ++looked;
            const QString path = QDir(folders[c.folder]).filePath(c.file);
            bool tooBig = false;
            QString why;
            auto samples = decodeClip(path, room, &tooBig, &why);
            if (samples) {
                room -= bytesOf(*samples);
                found.takes.push_back(makeBuffer(std::move(*samples)));
                found.files << path;
            } else {
                found.leaveOut(path, tooBig ? budgetText() : why.isEmpty() ? QStringLiteral("it gives no sound") : why);
            }
        }
        if (batch.size() < want) break;  // no more of them
    }
    found.notLookedAt = std::max(all - looked, 0);
    if (found.notLookedAt > 0) {
        for (const Candidate& c : firstTakes(folders, name, kNamedLeftOut, after, nullptr))
            found.notLookedInto << QDir(folders[c.folder]).filePath(c.file);
    }
    return found;
}

const std::vector<SampleBuffer>& ClipBank::keep(const QString& name, Found found) {
    auto known = cache_.find(name);
    if (known != cache_.end()) return *known;
    // Found with the room there was when the search began: another name's takes may have been kept
    // since.
    std::vector<SampleBuffer> kept;
    for (std::size_t i = 0; i < found.takes.size(); ++i) {
        SampleBuffer& take = found.takes[i];
        const qint64 bytes = bytesOf(*take);
        if (bytes > room()) {
            found.leaveOut(found.files.value(qsizetype(i)), budgetText());
            continue;
        }
        held_ += bytes;
        kept.push_back(std::move(take));
    }
    const int notPlayed = found.leftOutCount + found.notLookedAt;
    if (notPlayed > 0) {
        QStringList said = found.leftOut;
        if (found.leftOutCount > kNamedLeftOut) said << QStringLiteral("%1 more").arg(found.leftOutCount - kNamedLeftOut);
        if (found.notLookedAt > 0) {
            QString notLooked = QStringLiteral("%1 not looked into, past the first %2 takes or %3 files: %4")
                                    .arg(found.notLookedAt)
                                    .arg(kMaxTakes)
                                    .arg(kMaxLooks)
                                    .arg(found.notLookedInto.join(QStringLiteral(", ")));
            if (found.notLookedAt > found.notLookedInto.size())
                notLooked += QStringLiteral(" and %1 more").arg(found.notLookedAt - found.notLookedInto.size());
            said << notLooked;
        }
        qWarning().noquote() << QStringLiteral("%1 %2 of %3 %4 not played: %5")
                                    .arg(notPlayed)
                                    .arg(notPlayed == 1 ? QStringLiteral("recording") : QStringLiteral("recordings"), name,
                                         notPlayed == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                                         said.join(QStringLiteral("; ")));
    }
    return *cache_.insert(name, std::move(kept));
}

const std::vector<SampleBuffer>* ClipBank::loaded(const QString& name) const {
    auto found = cache_.constFind(name);
    return found == cache_.constEnd() ? nullptr : &*found;
}

std::optional<Samples> ClipBank::decodeClip(const QString& path, qint64 room, bool* tooBig, QString* reason) {
    QFile file;
    QString why;
    const auto refuse = [&]() -> std::optional<Samples> {
        if (reason) *reason = why;
        else qWarning().noquote() << "The sound" << path << "is not played:" << why;
        return std::nullopt;
    };
    if (!openTake(file, path, &why)) return refuse();
    SF_VIRTUAL_IO io{&vioLength, &vioSeek, &vioRead, &vioWrite, &vioTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sf) {
        why = QStringLiteral("it is no recording that can be read");
        return refuse();
    }
    why = refusal(info);
    if (!why.isEmpty()) {
        sf_close(sf);
        return refuse();
    }
    // The room is weighed from the header, before any work is done.
    const double ratio = double(kSampleRate) / double(info.samplerate);
    if ((double(info.frames) * ratio + 1.0) * double(sizeof(float)) > double(room)) {
        if (tooBig) *tooBig = true;
        sf_close(sf);
        return std::nullopt;
    }

    std::optional<Samples> result;
    try {
        // Read a block at a time: a header may promise more than the file holds.
        const int ch = info.channels;
        std::vector<float> block(std::size_t(kReadFrames) * std::size_t(ch));
        Samples mono;
        mono.reserve(std::size_t(info.frames));
        while (sf_count_t(mono.size()) < info.frames) {
            const sf_count_t want = std::min<sf_count_t>(kReadFrames, info.frames - sf_count_t(mono.size()));
            const sf_count_t got = sf_readf_float(sf, block.data(), want);
            if (got <= 0) break;
            for (sf_count_t i = 0; i < got; ++i) {
                double sum = 0.0;
                for (int c = 0; c < ch; ++c) sum += block[std::size_t(i * ch + c)];
                mono.push_back(float(sum / ch));
            }
        }
        if (mono.empty()) {
            // Nothing in it.
        } else if (info.samplerate == kSampleRate) {
            mono.shrink_to_fit();
            result = std::move(mono);
        } else {
            const long capacity = long(double(mono.size()) * ratio) + 1024;
            Samples converted(static_cast<std::size_t>(capacity));
            SRC_DATA data{};
            data.data_in = mono.data();
            data.input_frames = long(mono.size());
            data.data_out = converted.data();
            data.output_frames = capacity;
            data.src_ratio = ratio;
            if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) == 0 && data.output_frames_gen > 0) {
                // What is kept is counted by its capacity: none to spare.
                converted.resize(std::size_t(data.output_frames_gen));
                converted.shrink_to_fit();
                result = std::move(converted);
            }
        }
    } catch (const std::bad_alloc&) {
        result.reset();
    }
    sf_close(sf);
    return result;
}

}  // namespace kp::audio
