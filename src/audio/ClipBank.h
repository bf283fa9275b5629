#pragma once
// Recorded takes of the cat's voice and the interface sounds. Files named after a clip name, with an
// optional "-" and number ("cat-mew.caf", "cat-mew-2.caf"), are found in the compiled-in resources
// and the app's data folder, each at the top level and in a "Sounds" folder. A name's takes are
// decoded once, to 44100 Hz mono float, and kept for the rest of the run.
#include "audio/AudioGraph.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace kp::audio {

class ClipBank {
public:
    // `roots` are searched in order (each at its top level, then its "Sounds" folder).
    explicit ClipBank(QStringList roots = defaultRoots());

    // The resources (":/") and the data folder.
    static QStringList defaultRoots();
    static ClipBank& shared();

    // The takes of a clip name, in file-name order; empty when there are none (remembered too).
    const std::vector<SampleBuffer>& loadClips(const QString& name);

    // loadClips() in parts, so the decoding can be done away from the bank's thread: the files of a
    // name's takes in take order, their decoding (on any thread), and the result kept for the name.
    // loaded() is none until a name's takes are kept; the first takes kept for a name stay.
    QStringList takePaths(const QString& name);
    static std::vector<SampleBuffer> decodeTakes(const QStringList& paths);
    const std::vector<SampleBuffer>& keep(const QString& name, std::vector<SampleBuffer> takes);
    const std::vector<SampleBuffer>* loaded(const QString& name) const;

    // Every recording file, found once at the first request.
    const QStringList& clipPaths();

    // A whole file as 44100 Hz mono float; none when it cannot be read or converted, or when it is
    // no take: not a plain file, or too long or too big for one (said in the log).
    static std::optional<Samples> decodeClip(const QString& path);

    // Whether a file's base name (no extension) is a take of `name`.
    static bool isTakeOf(const QString& baseName, const QString& name);

private:
    QStringList roots_;
    std::optional<QStringList> paths_;
    QHash<QString, std::vector<SampleBuffer>> cache_;
};

}  // namespace kp::audio
