#pragma once
// The cat's look vocabulary: breeds, faces and the things a cat can be doing.
// Raw values are the case names; they are what the store and the logs hold.
#include "platform/EnumNames.h"

#include <string_view>

class QString;

namespace kp {

class Defaults;

enum class CatBreed { orange, tuxedo, siamese, black, british, calico, fold, maineCoon, persian, snowshoe };

template <>
struct EnumNames<CatBreed> {
    static constexpr std::array<std::string_view, 10> names{
        "orange", "tuxedo", "siamese", "black", "british", "calico", "fold", "maineCoon", "persian",
        "snowshoe"};
};

// "Orange tabby", "Tuxedo", ...: shown under the onboarding swatches and in settings.
std::string_view displayName(CatBreed breed);
// One short line about the breed.
std::string_view blurb(CatBreed breed);

// A breed from its raw value; anything that names no breed (including "") gives orange.
CatBreed breedOrOrange(std::string_view raw);
CatBreed breedOrOrange(const QString& raw);
inline CatBreed breedOrOrange(const char* raw) { return breedOrOrange(std::string_view(raw ? raw : "")); }
// The stored "catBreed", read afresh on every call (a new pick must show at once).
CatBreed storedBreed(Defaults& store);
CatBreed storedBreed();

// Colours and shape flags of a breed's coat; defined with the drawings (cat/art/).
struct CatCoat;
const CatCoat& coat(CatBreed breed);

enum class CatExpression {
    content, happy, love, sleepy, asleep, sad, grumpy, sick, surprised, eating, meow, dead
};

template <>
struct EnumNames<CatExpression> {
    static constexpr std::array<std::string_view, 12> names{
        "content", "happy", "love", "sleepy", "asleep", "sad", "grumpy", "sick", "surprised", "eating",
        "meow", "dead"};
};

// What the cat was up to (album and diary vocabulary; nothing draws it).
enum class CatDoing {
    lounging, asleep, stretching, eating, drinking, scratching, grooming, playing, sunNap, watching,
    waiting, loved
};

template <>
struct EnumNames<CatDoing> {
    static constexpr std::array<std::string_view, 12> names{
        "lounging", "asleep", "stretching", "eating", "drinking", "scratching", "grooming", "playing",
        "sunNap", "watching", "waiting", "loved"};
};

}  // namespace kp
