#pragma once
// Names of the notifications on the shared hub (NotificationCenter::shared()).
#include <string_view>

namespace kp::note {

inline constexpr std::string_view triggerEmote = "loafKeeper.triggerEmote";        // object: BotEmote
inline constexpr std::string_view triggerSlap = "loafKeeper.triggerSlap";
inline constexpr std::string_view botGreet = "loafKeeper.botGreet";
inline constexpr std::string_view botBlink = "loafKeeper.botBlink";
inline constexpr std::string_view openFullSettings = "loafKeeper.openFullSettings";  // object: tab raw value (std::string) or none
inline constexpr std::string_view openAlbum = "loafKeeper.openAlbum";
inline constexpr std::string_view greetComplete = "loafKeeper.greetComplete";
inline constexpr std::string_view greetingHover = "loafKeeper.greetingHover";
inline constexpr std::string_view greetingInterrupt = "loafKeeper.greetingInterrupt";
inline constexpr std::string_view onboardingDone = "tobbi.onboardingDone";
inline constexpr std::string_view replayOnboarding = "tobbi.replayOnboarding";
inline constexpr std::string_view pomodoroChanged = "tobbi.pomodoroChanged";
inline constexpr std::string_view openRoom = "tobbi.openRoom";                      // object: IslandRoomKind

inline constexpr std::string_view all[] = {
    triggerEmote, triggerSlap, botGreet, botBlink, openFullSettings, openAlbum, greetComplete,
    greetingHover, greetingInterrupt, onboardingDone, replayOnboarding, pomodoroChanged, openRoom};

}  // namespace kp::note
