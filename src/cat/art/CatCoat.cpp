#include "cat/art/CatCoat.h"

#include "cat/art/CatArtInternal.h"

#include <QPainterPathStroker>

#include <map>
#include <mutex>
#include <utility>

#include <array>
#include <cmath>

namespace kp {

namespace {

QColor hex(unsigned v) { return QColor{QRgb(v)}; }

std::array<CatCoat, 10> makeCoats() {
    std::array<CatCoat, 10> c{};
    const QColor whiskerDark = QColor(0x5C, 0x46, 0x36, 140);
    const QColor ink = hex(0x2C2622);
    const QColor lightInk = hex(0xF1E8DC);
    for (CatCoat& one : c) {
        one.eyeInk = ink;
        one.mouthInk = ink;
    }

    CatCoat& orange = c[static_cast<int>(CatBreed::orange)];
    orange.base = hex(0xE9A15B);
    orange.shade = hex(0xC97F3E);
    orange.outline = hex(0x8A4E22);
    orange.light = hex(0xFBE6C8);
    orange.stripe = hex(0xC0692B);
    orange.eye = hex(0x86B85A);
    orange.nose = hex(0xE88A8A);
    orange.innerEar = hex(0xF4B09A);
    orange.whisker = whiskerDark;

    CatCoat& tux = c[static_cast<int>(CatBreed::tuxedo)];
    tux.base = hex(0x2B2A30);
    tux.shade = hex(0x1C1B20);
    tux.outline = hex(0x5A5462);
    tux.eyeInk = lightInk;
    tux.light = hex(0xF7F4F0);
    tux.eye = hex(0xB9D45A);
    tux.nose = hex(0xE79AA0);
    tux.innerEar = hex(0x8C6A72);
    tux.whisker = QColor(0xF7, 0xF4, 0xF0, 170);
    tux.whiteBib = true;
    tux.whiteSocks = true;

    CatCoat& siam = c[static_cast<int>(CatBreed::siamese)];
    siam.base = hex(0xF2E6D2);
    siam.shade = hex(0xDCCDB4);
    siam.outline = hex(0x8F7A62);
    siam.eyeInk = lightInk;
    siam.mouthInk = lightInk;
    siam.points = hex(0x5B4336);
    siam.eye = hex(0x6FB0E8);
    siam.nose = hex(0x4A352A);
    siam.innerEar = hex(0x7A5C4C);
    siam.whisker = QColor(0x3A, 0x2A, 0x22, 140);

    CatCoat& black = c[static_cast<int>(CatBreed::black)];
    black.base = hex(0x2A2730);
    black.shade = hex(0x1B1920);
    black.outline = hex(0x5E5668);
    black.eyeInk = lightInk;
    black.mouthInk = lightInk;
    black.eye = hex(0xF2C14E);
    black.nose = hex(0x4A4048);
    black.innerEar = hex(0x5A4A56);
    black.whisker = QColor(0xF7, 0xF4, 0xF0, 170);

    CatCoat& brit = c[static_cast<int>(CatBreed::british)];
    brit.base = hex(0x8E98A6);
    brit.shade = hex(0x737D8C);
    brit.outline = hex(0x4F5866);
    brit.light = hex(0xA7B0BC);
    brit.eye = hex(0xE59A3A);
    brit.nose = hex(0x6F7786);
    brit.innerEar = hex(0xB9A3AD);
    brit.whisker = QColor(0x3F, 0x46, 0x52, 140);
    brit.roundFace = true;
    brit.smallEars = true;
    brit.headGrow = 0.5;
    brit.bodyGrow = 1.5;

    CatCoat& cal = c[static_cast<int>(CatBreed::calico)];
    cal.base = hex(0xF7F1E8);
    cal.shade = hex(0xE2DACE);
    cal.outline = hex(0x9A8C7C);
    cal.patchA = hex(0xE39455);
    cal.patchB = hex(0x3A3434);
    cal.eye = hex(0xC8A73A);
    cal.nose = hex(0xE88A8A);
    cal.innerEar = hex(0xF4B0B0);
    cal.whisker = whiskerDark;
    cal.eyeInkNear = lightInk;  // the near eye sits in the dark patch

    CatCoat& fold = c[static_cast<int>(CatBreed::fold)];
    fold.base = hex(0xC9BBA8);
    fold.shade = hex(0xA89984);
    fold.outline = hex(0x6E6252);
    fold.light = hex(0xEFE6DA);
    fold.eye = hex(0xE0A53C);
    fold.nose = hex(0xD89A9A);
    fold.innerEar = hex(0xE2B8B0);
    fold.whisker = whiskerDark;
    fold.foldedEars = true;
    fold.roundFace = true;
    fold.eyeScale = 1.15;

    CatCoat& coon = c[static_cast<int>(CatBreed::maineCoon)];
    coon.base = hex(0x8A6446);
    coon.shade = hex(0x6B4B33);
    coon.outline = hex(0x3E2A1C);
    coon.light = hex(0xE8D7C0);
    coon.stripe = hex(0x4E3524);
    coon.eye = hex(0xA9B84E);
    coon.nose = hex(0xB07A6A);
    coon.innerEar = hex(0xD8B4A0);
    coon.whisker = QColor(0xF0, 0xE6, 0xD8, 170);
    coon.earTufts = true;
    coon.fluffy = true;
    coon.tailFluff = 1.45;
    coon.headGrow = 1;
    coon.bodyGrow = 1.5;

    CatCoat& pers = c[static_cast<int>(CatBreed::persian)];
    pers.base = hex(0xF4EEE6);
    pers.shade = hex(0xDCD2C4);
    pers.outline = hex(0xA39684);
    pers.eye = hex(0xD98C3A);
    pers.nose = hex(0xE8A0A8);
    pers.innerEar = hex(0xF2C0C4);
    pers.whisker = QColor(0x8A, 0x7C, 0x6C, 120);
    pers.fluffy = true;
    pers.flatFace = true;
    pers.smallEars = true;
    pers.roundFace = true;
    pers.tailFluff = 1.6;
    pers.bodyGrow = 1.5;

    CatCoat& snow = c[static_cast<int>(CatBreed::snowshoe)];
    snow.base = hex(0xEFE4D2);
    snow.shade = hex(0xD9CCB6);
    snow.outline = hex(0x8A7563);
    snow.eyeInk = lightInk;
    snow.light = hex(0xFFFFFF);
    snow.points = hex(0x6E5545);
    snow.eye = hex(0x5FA8E8);
    snow.nose = hex(0xE8A0A8);
    snow.innerEar = hex(0x8C6E5E);
    snow.whisker = QColor(0x3A, 0x2A, 0x22, 140);
    snow.whiteV = true;
    snow.whiteSocks = true;

    for (CatCoat& one : c)
        if (!one.eyeInkNear.isValid()) one.eyeInkNear = one.eyeInk;
    return c;
}

}  // namespace

namespace art {

const QPainterPath& rimOutline(const QPainterPath& stable, double w) {
    // Keyed by the shape's address: only shapes that are never freed come here.
    static std::map<std::pair<const void*, int>, QPainterPath> cache;
    static std::mutex guard;
    const std::lock_guard<std::mutex> lock(guard);
    const auto key = std::make_pair(static_cast<const void*>(&stable), int(std::lround(w * 1000)));
    auto it = cache.find(key);
    if (it == cache.end()) {
        QPainterPathStroker stroker;
        stroker.setWidth(2 * w);
        stroker.setJoinStyle(Qt::RoundJoin);
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath rim = stroker.createStroke(stable).united(stable).simplified();
        it = cache.emplace(key, std::move(rim)).first;
    }
    return it->second;
}

}  // namespace art

const CatCoat& coat(CatBreed breed) {
    static const std::array<CatCoat, 10> coats = makeCoats();
    return coats[static_cast<std::size_t>(breed)];
}

}  // namespace kp
