#include "audio/ClipBank.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>

namespace kp::audio {
namespace {

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
    auto found = cache_.find(name);
    if (found != cache_.end()) return *found;

    QStringList takes;
    for (const QString& path : clipPaths()) {
        const QFileInfo info(path);
        const QString base = info.fileName().left(info.fileName().lastIndexOf(u'.'));
        if (isTakeOf(base, name)) takes << path;
    }
    std::stable_sort(takes.begin(), takes.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    std::vector<SampleBuffer> buffers;
    for (const QString& path : takes)
        if (auto samples = decodeClip(path)) buffers.push_back(makeBuffer(std::move(*samples)));
    return *cache_.insert(name, std::move(buffers));
}

std::optional<Samples> ClipBank::decodeClip(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    SF_VIRTUAL_IO io{&vioLength, &vioSeek, &vioRead, &vioWrite, &vioTell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sf) return std::nullopt;

    std::optional<Samples> result;
    const sf_count_t frames = info.frames;
    if (frames > 0 && frames < (sf_count_t(1) << 32) && info.channels > 0 && info.samplerate > 0) {
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
