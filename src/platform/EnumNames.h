#pragma once
// Raw values of the enumerations that are persisted, shown or posted.
// Each enumeration specialises EnumNames<E> with `names`, its raw values in case order;
// the helpers below give the conversions both ways and the list of cases.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kp {

template <typename E>
struct EnumNames;  // static constexpr std::array<std::string_view, N> names;

template <typename E>
constexpr std::size_t caseCount() { return EnumNames<E>::names.size(); }

template <typename E>
constexpr std::string_view rawValue(E e) {
    return EnumNames<E>::names[static_cast<std::size_t>(e)];
}

// Building a value from a string that names no case gives none (exact, case-sensitive).
template <typename E>
constexpr std::optional<E> fromRawValue(std::string_view raw) {
    const auto& names = EnumNames<E>::names;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == raw) return static_cast<E>(i);
    return std::nullopt;
}

template <typename E>
constexpr auto allCases() {
    std::array<E, caseCount<E>()> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<E>(i);
    return out;
}

}  // namespace kp
