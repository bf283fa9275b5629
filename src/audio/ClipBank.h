#pragma once
// Recorded takes of the cat's voice and the interface sounds. Files named after a clip name, with an
// optional "-" and number ("cat-mew.caf", "cat-mew-2.caf"), are found in the compiled-in resources
// and the app's data folder, each at the top level and in a "Sounds" folder. Takes are in take
// order: those named after the clip alone first, then the numbered ones by file name (as text, so
// "-10" before "-2"); the same name in two folders, the earlier folder's first. A name's takes are
// decoded once, to 44100 Hz mono float, and kept for the rest of the run: a few per name, and no
// more samples across the bank than its budget, whatever the folders hold.
#include "audio/AudioGraph.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace kp::audio {

class ClipBank {
public:
    // The takes of a name kept at most, the first that decode in take order: far more than
    // anyone records of one sound. The budget below is what bounds a real folder.
    static constexpr int kMaxTakes = 64;
    // Files of a name looked into at most, decoded or refused: a folder of thousands of files that
    // are no recordings costs a bounded search.
    static constexpr int kMaxLooks = 4 * kMaxTakes;
    // Files left out that the log names; the rest are counted.
    static constexpr int kNamedLeftOut = 8;
    // Decoded samples the bank keeps across every name, in bytes: some three dozen of the longest
    // takes, or all the takes of every sound at a second or two each.
    static constexpr qint64 kMaxHeldBytes = qint64(32) << 20;

    // `roots` are searched in order (each at its top level, then its "Sounds" folder).
    explicit ClipBank(QStringList roots = defaultRoots());

    // The resources (":/") and the data folder.
    static QStringList defaultRoots();
    static ClipBank& shared();

    const QStringList& roots() const { return roots_; }

    // A name's takes as found and decoded, with what was left out of them.
    struct Found {
        std::vector<SampleBuffer> takes;
        QStringList files;        // the file of each take
        QStringList leftOut;      // the first kNamedLeftOut files looked into and not played, with why
        int leftOutCount = 0;     // every file looked into and not played
        int notLookedAt = 0;      // recordings past the slots or the files looked into
        QStringList notLookedInto;  // the first kNamedLeftOut of those
        void leaveOut(const QString& file, const QString& why);
    };

    // The takes of a clip name, in take order; empty when there are none (remembered too).
    // Lists the folders and decodes on the calling thread.
    const std::vector<SampleBuffer>& loadClips(const QString& name);

    // loadClips() in parts, so the listing and decoding can be done away from the bank's thread:
    // the search (on any thread, given the bank's roots and its room), then the result kept for the
    // name. loaded() is none until a name's takes are kept; the first takes kept for a name stay.
    static Found find(const QStringList& roots, const QString& name, qint64 room);
    const std::vector<SampleBuffer>& keep(const QString& name, Found found);
    const std::vector<SampleBuffer>* loaded(const QString& name) const;

    // Bytes of decoded samples held, and what the budget still allows.
    qint64 heldBytes() const { return held_; }
    qint64 room() const { return kMaxHeldBytes - held_; }

    // The files of a name's first kMaxTakes recordings in take order, and how many it has in all.
    static QStringList takePaths(const QStringList& roots, const QString& name, int* all = nullptr);

    // A whole file as 44100 Hz mono float; none when it cannot be read or converted, or when it is
    // no take: not a plain file, or too long or too big for one (said in the log, or in `why` when
    // given). Nor when its samples would take more than `room` bytes: `tooBig` is set then, and
    // nothing is said.
    static std::optional<Samples> decodeClip(const QString& path, qint64 room = kMaxHeldBytes,
                                             bool* tooBig = nullptr, QString* why = nullptr);

    // Whether a file's base name (no extension) is a take of `name`.
    static bool isTakeOf(const QString& baseName, const QString& name);

private:
    QStringList roots_;
    QHash<QString, std::vector<SampleBuffer>> cache_;
    qint64 held_ = 0;
};

}  // namespace kp::audio
