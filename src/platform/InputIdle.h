#pragma once
// How long the user has left the keyboard and pointer alone.
#include <chrono>
#include <optional>

struct xcb_connection_t;

namespace kp {

class InputIdleness {
public:
    virtual ~InputIdleness() = default;
    // Seconds since the last keyboard or pointer event; 0 when it cannot be told.
    virtual double secondsSinceLastInput() = 0;
};

// Idleness set by hand; for tests.
class ManualInputIdleness final : public InputIdleness {
public:
    explicit ManualInputIdleness(double seconds = 0) : seconds_(seconds) {}
    double secondsSinceLastInput() override { return seconds_; }
    void set(double seconds) { seconds_ = seconds; }

private:
    double seconds_;
};

// The X server's idle time (MIT-SCREEN-SAVER). Without a display or the extension it reports 0,
// so the user counts as present rather than never.
class InputIdlenessX11 final : public InputIdleness {
public:
    InputIdlenessX11();
    ~InputIdlenessX11() override;
    InputIdlenessX11(const InputIdlenessX11&) = delete;
    InputIdlenessX11& operator=(const InputIdlenessX11&) = delete;

    double secondsSinceLastInput() override;
    // True once a query has reached the server.
    bool available() const { return available_; }
    static InputIdlenessX11& shared();

private:
    void connect();
    std::optional<double> answer(unsigned int sequence, std::chrono::steady_clock::duration age);
    ::xcb_connection_t* connection_ = nullptr;
    unsigned int root_ = 0;
    unsigned int pending_ = 0;  // the question asked at the last call, 0 for none
    std::chrono::steady_clock::time_point askedAt_;
    bool tried_ = false;
    bool available_ = false;
};

}  // namespace kp
