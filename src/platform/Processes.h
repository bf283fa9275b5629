#pragma once
// Other processes: their executables, their parents and which of them are applications with
// windows of their own.
#include <QString>

#include <map>
#include <optional>
#include <set>
#include <vector>

struct xcb_connection_t;

namespace kp {

struct RunningApp {
    long long pid = 0;
    QString path;        // the executable, as the system spells it; empty when unknown
    QString identifier;  // the application's class name; empty when unknown
    bool regular = false;  // it has a window of its own on the desktop
};

class Processes {
public:
    virtual ~Processes() = default;
    virtual long long ownPid() const = 0;
    // The executable's path, empty when unknown.
    virtual QString executablePath(long long pid) = 0;
    // The parent process, none when unknown or at the top.
    virtual std::optional<long long> parentPid(long long pid) = 0;
    // The applications now running; asked afresh on every call.
    virtual std::vector<RunningApp> runningApplications() = 0;
    // Whether a window of the process is mapped and larger than an icon; none when the desktop's
    // windows cannot be read.
    virtual std::optional<bool> showsLargeWindow(long long pid) = 0;
};

// Processes described by hand; for tests.
class FakeProcesses final : public Processes {
public:
    long long ownPid() const override { return own; }
    QString executablePath(long long pid) override {
        ++pathLookups;
        const auto it = paths.find(pid);
        return it == paths.end() ? QString() : it->second;
    }
    std::optional<long long> parentPid(long long pid) override {
        const auto it = parents.find(pid);
        if (it == parents.end()) return std::nullopt;
        return it->second;
    }
    std::vector<RunningApp> runningApplications() override {
        ++appListings;
        return apps;
    }
    std::optional<bool> showsLargeWindow(long long pid) override {
        if (!windowsKnown) return std::nullopt;
        return largeWindows.count(pid) > 0;
    }

    long long own = 1000;
    std::map<long long, QString> paths;
    std::map<long long, long long> parents;
    std::vector<RunningApp> apps;
    bool windowsKnown = false;
    std::set<long long> largeWindows;
    int pathLookups = 0;
    int appListings = 0;
};

// /proc for executables and parents; the X server's managed windows (_NET_CLIENT_LIST with
// _NET_WM_PID and WM_CLASS) for the applications, the newest kMaxWindows of a longer list. Without a
// display no application is running.
class ProcessesLinux final : public Processes {
public:
    ProcessesLinux();
    ~ProcessesLinux() override;
    ProcessesLinux(const ProcessesLinux&) = delete;
    ProcessesLinux& operator=(const ProcessesLinux&) = delete;

    long long ownPid() const override;
    QString executablePath(long long pid) override;
    std::optional<long long> parentPid(long long pid) override;
    std::vector<RunningApp> runningApplications() override;
    std::optional<bool> showsLargeWindow(long long pid) override;
    static ProcessesLinux& shared();

    // The parent pid from the text of /proc/PID/stat; the command name may hold spaces and ')'.
    static std::optional<long long> parentFromStat(const QByteArray& stat);

    static constexpr std::size_t kMaxWindows = 8192;

private:
    bool connect();
    ::xcb_connection_t* connection_ = nullptr;
    unsigned int root_ = 0;
    unsigned int clientListAtom_ = 0;
    unsigned int pidAtom_ = 0;
    bool tried_ = false;
};

}  // namespace kp
