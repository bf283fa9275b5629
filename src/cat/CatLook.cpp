#include "cat/CatLook.h"

#include "platform/Defaults.h"

#include <QString>

namespace kp {

namespace {

struct BreedText {
    std::string_view name;
    std::string_view blurb;
};

constexpr std::array<BreedText, 10> kBreedTexts{{
    {"Orange tabby", "The original. Stripes, and always hungry."},
    {"Tuxedo", "Dressed for dinner, every day."},
    {"Siamese", "Blue eyes, dark points, lots to say."},
    {"Black cat", "A little panther with golden eyes."},
    {"British Shorthair", "Round, grey and very serious about naps."},
    {"Calico", "Three colours, all of them opinions."},
    {"Scottish Fold", "Folded ears, an owl's face."},
    {"Maine Coon", "A big fluffy gentle giant."},
    {"Persian", "A cloud with a face."},
    {"Snowshoe", "White socks, blue eyes, a mask with a white V."},
}};
static_assert(kBreedTexts.size() == caseCount<CatBreed>());

}  // namespace

std::string_view displayName(CatBreed breed) { return kBreedTexts[static_cast<std::size_t>(breed)].name; }

std::string_view blurb(CatBreed breed) { return kBreedTexts[static_cast<std::size_t>(breed)].blurb; }

CatBreed breedOrOrange(std::string_view raw) { return fromRawValue<CatBreed>(raw).value_or(CatBreed::orange); }

CatBreed breedOrOrange(const QString& raw) {
    const QByteArray utf8 = raw.toUtf8();
    return breedOrOrange(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

CatBreed storedBreed(Defaults& store) { return breedOrOrange(store.string(QStringLiteral("catBreed"))); }

CatBreed storedBreed() { return storedBreed(Defaults::standard()); }

}  // namespace kp
