#include "NotificationCenter.h"

#include <algorithm>

namespace kp {

NotificationCenter& NotificationCenter::shared() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::observe(std::string_view name, Observer observer) {
    const Token token = next_++;
    entries_.push_back(Entry{token, std::string(name), std::make_shared<Observer>(std::move(observer))});
    return token;
}

void NotificationCenter::remove(Token token) {
    std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(std::string_view name, const std::any& object) {
    // Take a snapshot so observers may add or remove observers while they run.
    std::vector<std::pair<Token, std::shared_ptr<Observer>>> targets;
    for (const auto& e : entries_)
        if (e.name == name) targets.emplace_back(e.token, e.observer);
    for (auto& [token, observer] : targets) {
        const bool stillThere = std::any_of(entries_.begin(), entries_.end(),
                                            [t = token](const Entry& e) { return e.token == t; });
        if (stillThere) (*observer)(object);
    }
}

std::size_t NotificationCenter::observerCount(std::string_view name) const {
    return std::count_if(entries_.begin(), entries_.end(), [name](const Entry& e) { return e.name == name; });
}

}  // namespace kp
