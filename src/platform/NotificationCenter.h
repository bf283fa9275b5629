#pragma once
// The in-process notification hub: components that do not hold each other post named
// notifications with an optional object; observers run synchronously on the posting thread.
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

class NotificationCenter {
public:
    using Observer = std::function<void(const std::any& object)>;
    using Token = std::uint64_t;

    static NotificationCenter& shared();

    Token observe(std::string_view name, Observer observer);
    void remove(Token token);
    // An observer added while a post runs is first called by the next post; one removed is not called again.
    void post(std::string_view name, const std::any& object = {});
    std::size_t observerCount(std::string_view name) const;

private:
    struct Entry {
        Token token;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    std::vector<Entry> entries_;
    Token next_ = 1;
};

// Removes its observer when it goes away.
class Subscription {
public:
    Subscription() = default;
    Subscription(NotificationCenter& center, std::string_view name, NotificationCenter::Observer observer)
        : center_(&center), token_(center.observe(name, std::move(observer))) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& other) noexcept { *this = std::move(other); }
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            center_ = other.center_;
            token_ = other.token_;
            other.center_ = nullptr;
            other.token_ = 0;
        }
        return *this;
    }
    ~Subscription() { reset(); }
    void reset() {
        if (center_ && token_) center_->remove(token_);
        center_ = nullptr;
        token_ = 0;
    }

private:
    NotificationCenter* center_ = nullptr;
    NotificationCenter::Token token_ = 0;
};

// The object of a notification as T, or nullptr when it is something else (or nothing).
template <typename T>
const T* notificationObject(const std::any& object) {
    return std::any_cast<T>(&object);
}

}  // namespace kp
