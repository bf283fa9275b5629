#pragma once
// One running copy per user, and a clean quit on SIGTERM/SIGINT.
#include <QString>
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

// SIGTERM and SIGINT quit the event loop the same way the menu's Quit does, so the
// termination work (aboutToQuit) always runs. Call once, after the application exists.
void quitOnTerminationSignals(QCoreApplication* app);

}  // namespace kp
