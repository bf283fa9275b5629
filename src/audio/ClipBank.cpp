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

namespace kp::audio {
namespace {

// A take is a second or two (the longest, a purr, is made one and a half seconds long). A file that
// would decode to much more is not a take, and decoding it would hold the app up.
constexpr double kMaxTakeSeconds = 5.0;
// Far more than a take of that length in any plain format; a bigger file is not looked into.
constexpr qint64 kMaxTakeBytes = 16 * 1024 * 1024;
constexpr int kMaxTakeChannels = 8;
constexpr int kMaxTakeRate = 192000;

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

QStringList recordingsIn(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) return {};
    const QStringList names = dir.entryList({QStringLiteral("*.caf"), QStringLiteral("*.wav")},
                                            QDir::Files | QDir::CaseSensitive, QDir::Name);
    QStringList paths;
    for (const QString& name : names) paths << dir.filePath(name);
    return paths;
}

// Compiled-in clips open as they are; a user's recording only when it is a plain file no bigger
// than a take can be (a pipe or a device under a take's name is refused without waiting).
bool openTake(QFile& file, const QString& path, QString* why) {
    if (path.startsWith(u':')) {
        file.setFileName(path);
        return file.open(QIODevice::ReadOnly);
    }
    QString problem;
    const FileState state = openPlainFile(file, path, kMaxTakeBytes, &problem);
    if (state == FileState::unfit) *why = problem;
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

const QStringList& ClipBank::clipPaths() {
    if (!paths_) {
        QStringList all;
        for (const QString& root : roots_) {
            all << recordingsIn(root);
            all << recordingsIn(QDir(root).filePath(QStringLiteral("Sounds")));
        }
        paths_ = all;
    }
    return *paths_;
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
    return keep(name, decodeTakes(takePaths(name)));
}

QStringList ClipBank::takePaths(const QString& name) {
    QStringList takes;
    for (const QString& path : clipPaths()) {
        const QFileInfo info(path);
        const QString base = info.fileName().left(info.fileName().lastIndexOf(u'.'));
        if (isTakeOf(base, name)) takes << path;
    }
    std::stable_sort(takes.begin(), takes.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return takes;
}

std::vector<SampleBuffer> ClipBank::decodeTakes(const QStringList& paths) {
    std::vector<SampleBuffer> buffers;
    for (const QString& path : paths)
        if (auto samples = decodeClip(path)) buffers.push_back(makeBuffer(std::move(*samples)));
    return buffers;
}

const std::vector<SampleBuffer>& ClipBank::keep(const QString& name, std::vector<SampleBuffer> takes) {
    auto found = cache_.find(name);
    if (found != cache_.end()) return *found;
    return *cache_.insert(name, std::move(takes));
}

const std::vector<SampleBuffer>* ClipBank::loaded(const QString& name) const {
    auto found = cache_.constFind(name);
    return found == cache_.constEnd() ? nullptr : &*found;
}

std::optional<Samples> ClipBank::decodeClip(const QString& path) {
    QFile file;
    QString why;
    const auto refuse = [&]() -> std::optional<Samples> {
        qWarning().noquote() << "The sound" << path << "is not played:" << why;
        return std::nullopt;
    };
    if (!openTake(file, path, &why)) return why.isEmpty() ? std::nullopt : refuse();
    SF_VIRTUAL_IO io{&vioLength, &vioSeek, &vioRead, &vioWrite, &vioTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sf) return std::nullopt;
    why = refusal(info);
    if (!why.isEmpty()) {
        sf_close(sf);
        return refuse();
    }

    std::optional<Samples> result;
    const sf_count_t frames = info.frames;
    if (frames > 0) {
        try {
            std::vector<float> interleaved(std::size_t(frames) * std::size_t(info.channels));
            const sf_count_t got = sf_readf_float(sf, interleaved.data(), frames);
            if (got > 0) {
                Samples mono(static_cast<std::size_t>(got));
                const int ch = info.channels;
                for (sf_count_t i = 0; i < got; ++i) {
                    double sum = 0.0;
                    for (int c = 0; c < ch; ++c) sum += interleaved[std::size_t(i * ch + c)];
                    mono[std::size_t(i)] = float(sum / ch);
                }
                if (info.samplerate == kSampleRate) {
                    result = std::move(mono);
                } else {
                    const double ratio = double(kSampleRate) / double(info.samplerate);
                    const long capacity = long(double(got) * ratio) + 1024;
                    Samples converted(static_cast<std::size_t>(capacity));
                    SRC_DATA data{};
                    data.data_in = mono.data();
                    data.input_frames = long(got);
                    data.data_out = converted.data();
                    data.output_frames = capacity;
                    data.src_ratio = ratio;
                    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) == 0 && data.output_frames_gen > 0) {
                        converted.resize(std::size_t(data.output_frames_gen));
                        result = std::move(converted);
                    }
                }
            }
        } catch (const std::bad_alloc&) {
            result.reset();
        }
    }
    sf_close(sf);
    return result;
}

}  // namespace kp::audio
