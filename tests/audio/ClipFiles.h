#pragma once
// Writes small recordings for the tests.
#include <QDir>
#include <QFileInfo>
#include <QString>

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace kp::test {

// A sine of `frames` frames in a CAF (or, by extension, WAV) file; every channel alike.
inline bool writeClip(const QString& path, int frames, int rate = 44100, int channels = 1,
                      float level = 0.5f) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = (path.endsWith(".wav") ? SF_FORMAT_WAV : SF_FORMAT_CAF) | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f) return false;
    std::vector<float> data(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[std::size_t(i * channels + c)] = level * float(std::sin(2 * 3.14159265 * 440.0 * i / rate));
    sf_writef_float(f, data.data(), frames);
    sf_close(f);
    return true;
}

}  // namespace kp::test
