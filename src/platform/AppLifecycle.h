#pragma once
// One running copy per user, a clean quit on SIGTERM/SIGINT/SIGHUP, and a final save that cannot
// hold the quit up for long.
#include <QString>
#include <functional>
#include <memory>

class QLockFile;
class QCoreApplication;

namespace kp {

class SingleInstanceLock {
public:
    explicit SingleInstanceLock(const QString& lockPath);
    ~SingleInstanceLock();
    // False when another live copy holds the lock. A lock left by a crashed copy is taken over.
    bool tryLock();
    static QString defaultPath();  // <runtime dir>/kettlepaw.lock

private:
    std::unique_ptr<QLockFile> lock_;
};

// SIGTERM, SIGINT and SIGHUP (a closed terminal, a logout) quit the event loop the same way the
// menu's Quit does, so the termination work (aboutToQuit) always runs. Call once, after the
// application exists.
void quitOnTerminationSignals(QCoreApplication* app);

// Runs `work`; when it has not returned after `seconds` (a disk that hangs), says so on stderr and
// ends the process with status 1 rather than hold up a logout. What was written stays whole: every
// record is replaced in one step.
void finishWithin(double seconds, const std::function<void()>& work);

}  // namespace kp
