// The figure laid from its kept parts, as the room and the desktop show it, checked against the
// same figure drawn shape by shape.
#include "cat/art/CatParts.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

using namespace kp;

namespace {

// The figure drawn straight, in device pixels over the parts' box.
QImage straight(const CatPartsLook& look) {
    const QRect box = look.figure.mapRect(look.area).toAlignedRect();
    QImage img((QSizeF(box.size()) * look.dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(look.dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(-box.topLeft());
    CatParts::paintAll(p, look);
    return img;
}

struct Likeness {
    int ink = 0;  // pixels with ink in either picture
    int far = 0;  // of them, those with no like pixel within one pixel in the other picture
};

// Kept parts lie on whole pixels, a fraction of one from where the shapes fall: a pixel matches
// when one within a pixel of it in the other picture is alike.
Likeness likeness(const QImage& a, const QImage& b) {
    Likeness l;
    auto differ = [](QRgb u, QRgb v) {
        return std::max({std::abs(qRed(u) - qRed(v)), std::abs(qGreen(u) - qGreen(v)), std::abs(qBlue(u) - qBlue(v)),
                         std::abs(qAlpha(u) - qAlpha(v))});
    };
    for (const auto& [one, other] : {std::pair(&a, &b), std::pair(&b, &a)})
        for (int y = 1; y + 1 < one->height(); ++y)
            for (int x = 1; x + 1 < one->width(); ++x) {
                const QRgb u = one->pixel(x, y);
                if (qAlpha(u) == 0 && qAlpha(other->pixel(x, y)) == 0) continue;
                ++l.ink;
                int best = 255;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) best = std::min(best, differ(u, other->pixel(x + dx, y + dy)));
                l.far += best > 85;
            }
    return l;
}

}  // namespace

// Step after step of a walk, a turn seen from behind and on a denser screen, the parts kept and
// drawn again make the same cat as drawing it afresh: legs that swing, a back that tilts and a head
// at its own size.
TEST(CatParts, KeptPartsFollowEveryStepOfTheLook) {
    struct Step {
        std::string what;
        double swing = 0;
        std::optional<double> tilt;  // seen from behind
        double dpr = 1;
    };
    const Step steps[] = {{"step back", -1, std::nullopt}, {"step forward", 1, std::nullopt}, {"from behind, leaning left", 0, -8.0},
                          {"from behind, leaning right", 0, 8.0}, {"step back at 2x", -1, std::nullopt, 2},
                          {"step forward at 2x", 1, std::nullopt, 2}};
    CatParts parts;
    for (const Step& s : steps) {
        CatPartsLook look;
        look.figure = QTransform::fromScale(2, 2);
        look.env = CatEnv{CatBreed::tuxedo, CatOutfit::empty().toggling(CatAccessory::partyHat).toggling(CatAccessory::boots)};
        look.body.swing = s.swing;
        look.body.tail = 10;
        look.headCentre = catHeadOffset(0);
        look.back = s.tilt.has_value();
        look.backView.tilt = s.tilt.value_or(0);
        look.dpr = s.dpr;
        parts.update(look, CatParts::Wash{});
        const Likeness l = likeness(parts.together(), straight(look));
        EXPECT_GT(l.ink, 4000 * s.dpr * s.dpr) << s.what;
        EXPECT_LT(l.far, l.ink / 100) << s.what << ": " << l.far << " of " << l.ink << " pixels differ";
    }
}

// A dead cat is shown faded and a sick one turned green, without changing how light it is.
TEST(CatParts, WashesFadeTheDeadAndGreenTheSick) {
    const QColor coats[] = {QColor(0xE9, 0xA1, 0x5B), QColor(0x6F, 0xB0, 0xE8), QColor(0xE8, 0x8A, 0x8A), QColor(0x8E, 0x98, 0xA6)};
    QImage img(4, 1, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < 4; ++x) img.setPixelColor(x, 0, coats[x]);
    QImage dead = img, sick = img;
    CatParts::wash(dead, dead.rect(), CatParts::Wash{false, true});
    CatParts::wash(sick, sick.rect(), CatParts::Wash{true, false});
    for (int x = 0; x < 4; ++x) {
        const QColor was = coats[x], faded = dead.pixelColor(x, 0), green = sick.pixelColor(x, 0);
        const std::string name = was.name().toStdString();
        EXPECT_LT(faded.hsvSaturation(), was.hsvSaturation() * 0.75) << name;
        EXPECT_NEAR(faded.lightness(), was.lightness(), 25) << name;
        if (was.hsvSaturation() > 60) {
            EXPECT_NEAR(faded.hsvHue(), was.hsvHue(), 12) << name;
        }
        // greener: green gains on red and blue
        EXPECT_GT(green.greenF() / std::max(green.redF(), 0.01f), was.greenF() / was.redF()) << name;
        EXPECT_GT(green.greenF() / std::max(green.blueF(), 0.01f), was.greenF() / was.blueF()) << name;
    }
}
