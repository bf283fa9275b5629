#pragma once
// One running copy over one cat, a clean quit on SIGTERM/SIGINT/SIGHUP, and a final save that cannot
// hold the quit up for long.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QCoreApplication;

namespace kp {

// One running copy over one cat: an advisory lock (flock) on a plain file in each folder of what it
// guards, folders only the user may write in. The kernel lets go of it when its holder ends, however
// it ends, so a copy that crashed never keeps the next one out.
class SingleInstanceLock {
public:
    enum class Outcome {
        taken,          // this copy holds it, until the object goes
        heldElsewhere,  // another live copy holds it
        failed,         // no lock could be had; why() says what failed and where
    };

    // The lock is <folder>/kettlepaw.lock in every folder given, each held for the copy to run (a
    // folder given twice, under any name, once); a missing folder is made, for the user alone.
    explicit SingleInstanceLock(QStringList folders);
    explicit SingleInstanceLock(const QString& folder) : SingleInstanceLock(QStringList{folder}) {}
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Never waits and never reads more than a few bytes: nothing but a plain file of the user's own
    // is opened for good, and what sits there is not followed nor waited on.
    Outcome tryLock();
    // Which copy holds the lock, or what failed and where.
    const QString& why() const { return why_; }
    // The folders of the cat's records and of its settings, links followed and made when missing:
    // every start over the same files meets the same locks, whatever else its environment says.
    static QStringList defaultFolders();

private:
    void release();

    QStringList folders_;
    std::vector<int> fds_;
    QString why_;
};

// SIGTERM, SIGINT and SIGHUP (a closed terminal, a logout) quit the event loop the same way the
// menu's Quit does, so the termination work (aboutToQuit) always runs. Whatever happens, the process
// ends within 20 s of the first signal. Call once, after the application exists.
void quitOnTerminationSignals(QCoreApplication* app);
// From once the events queued now have run: a main thread that has not taken such a signal up
// within 5 s is stuck (waiting on something that never comes), and `save` runs on it there and
// then, from the signal of a timer aimed at it; the process then ends with status 0. Call once, on
// the main thread.
void saveWhenQuitIsStuck(QCoreApplication* app, std::function<void()> save);

// Runs `work`; when it has not returned after `seconds` (a disk that hangs), says so on stderr and
// ends the process with status 1 rather than hold up a logout. What was written stays whole: every
// record is replaced in one step. The work runs whether or not a thread can be started to watch it;
// without one, a timer's signal bounds it.
void finishWithin(double seconds, const std::function<void()>& work);
// As above, saying `late` and ending with `status`.
void finishWithin(double seconds, const std::function<void()>& work, const char* late, int status);

}  // namespace kp
