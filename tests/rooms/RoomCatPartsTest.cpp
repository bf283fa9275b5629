// The room cat laid down from its kept parts: it looks as the cat drawn shape by shape, draws again
// only the parts that changed, and tells the host every pixel that changed.
#include "RoomCatWorld.h"
#include "scenery/PoolPaint.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kp::test {
namespace {

// The cat layer's next frame at `scale`, in device pixels.
QImage layerFrame(RoomCatWorld& w, const RoomModels& m, double scale) {
    QImage img(int(640 * scale), int(160 * scale), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        w.hot.clear();
        w.layer->paint(p, w.frame(), m, w.hot);
    }
    img.setDevicePixelRatio(1);
    return img;
}

struct Difference {
    int ink = 0;      // pixels with ink in either picture
    int far = 0;      // pixels whose colour or cover differs by more than a third
    double mean = 0;  // mean difference over the ink, 0...255
};

int pixelDifference(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// How far each pixel of `a` is from the nearest like pixel of `b` within one pixel: the kept parts
// lie on whole pixels, up to half a pixel from where the shapes would fall.
Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    double sum = 0;
    for (const auto& [one, other] : {std::pair(&a, &b), std::pair(&b, &a)})
        for (int y = 1; y + 1 < one->height(); ++y)
            for (int x = 1; x + 1 < one->width(); ++x) {
                const QRgb pa = one->pixel(x, y);
                if (qAlpha(pa) == 0 && qAlpha(other->pixel(x, y)) == 0) continue;
                int best = 255;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) best = std::min(best, pixelDifference(pa, other->pixel(x + dx, y + dy)));
                ++d.ink;
                sum += best;
                d.far += best > 85;
            }
    d.mean = d.ink ? sum / d.ink : 0;
    return d;
}

struct Scene {
    std::string name;
    std::function<void(RoomCatWorld&)> setUp;
    double opening = 1;
    IslandRoomKind room = IslandRoomKind::bedroom;
};

// Every pose, as the room's contact sheet sets it up.
std::vector<Scene> poseScenes() {
    std::vector<Scene> out;
    for (int i = 0; i <= int(PetPose::dead); ++i) {
        const auto pose = PetPose(i);
        out.push_back({"pose " + std::to_string(i), [pose](RoomCatWorld& w) {
                           if (pose == PetPose::sleeping) w.life().setSleeping(true);
                           if (pose == PetPose::dead) PetLifeProbe::die(w.life());
                           PetLifeProbe::setStepping(w.life(), pose == PetPose::walking || pose == PetPose::wander ||
                                                                   pose == PetPose::hunting);
                           w.life().setPose(pose);
                       }});
    }
    return out;
}

std::vector<Scene> everydayScenes() {
    auto pose = [](PetPose p, bool stepping = false) {
        return [p, stepping](RoomCatWorld& w) {
            PetLifeProbe::setStepping(w.life(), stepping);
            w.life().setPose(p);
        };
    };
    return {
        {"sitting", pose(PetPose::sitting)},
        {"walking", pose(PetPose::walking, true)},
        {"sleeping", [](RoomCatWorld& w) { w.life().setSleeping(true); }},
        {"licking", pose(PetPose::licking)},
        {"eating", pose(PetPose::eating)},
        {"watching", pose(PetPose::watching)},
        {"bellyUp", pose(PetPose::bellyUp)},
        {"sick", [](RoomCatWorld& w) {
             w.life().setPose(PetPose::sitting);
             PetLifeProbe::setMood(w.life(), PetMood::sick);
         }},
        {"dead", [](RoomCatWorld& w) { PetLifeProbe::die(w.life()); }},
        {"fadingIn", pose(PetPose::sitting), 0.6},
        {"peeking", [](RoomCatWorld& w) { PetLifeProbe::setInHouse(w.life(), true); }, 1, IslandRoomKind::garden},
        {"kitten", [](RoomCatWorld& w) { PetLifeTestAccess::setBirth(w.life(), w.now()); }},
        {"headphones", [](RoomCatWorld& w) {
             w.layer->setMusicSource([] { return true; });
             w.life().setPose(PetPose::sitting);
         }},
    };
}

void looksAsDrawnShapeByShape(const std::vector<Scene>& scenes, std::initializer_list<double> scales) {
    const bool dump = qEnvironmentVariableIsSet("KP_ROOM_CAT_DUMP");
    for (const Scene& scene : scenes) {
        for (double scale : scales) {
            RoomCatWorld w;
            w.show(scene.room);
            PetLifeProbe::setPlace(w.life(), 0.45);
            w.state->mousePosition = QPointF(760, 40);  // over the room: the eyes follow it
            scene.setUp(w);
            w.settle();
            const RoomModels m = w.models();
            auto frameAt = [&](bool kept) {
                w.layer->setKeepsParts(kept);
                RoomFrame f = w.frame(640, 160, scene.opening);
                QImage img(int(640 * scale), int(160 * scale), QImage::Format_ARGB32_Premultiplied);
                img.setDevicePixelRatio(scale);
                img.fill(Qt::transparent);
                {
                    QPainter p(&img);
                    w.hot.clear();
                    w.layer->paint(p, f, m, w.hot);
                }
                img.setDevicePixelRatio(1);
                return img;
            };
            // A few frames first, so that the face has settled into its own state.
            for (int i = 0; i < 5; ++i) {
                w.cat.clock.advance(1.0 / 60);
                frameAt(true);
            }
            w.cat.clock.advance(1.0 / 60);
            const QImage kept = frameAt(true);
            const QImage straight = frameAt(false);  // the same moment: the springs do not move
            const Difference d = compare(kept, straight);
            const std::string what = scene.name + " at " + std::to_string(int(scale));
            if (dump) {
                kept.save(QDir::tempPath() + "/roomcat-" + QString::fromStdString(scene.name) + "-" +
                          QString::number(scale) + "-kept.png");
                straight.save(QDir::tempPath() + "/roomcat-" + QString::fromStdString(scene.name) + "-" +
                              QString::number(scale) + "-straight.png");
                std::printf("%s: ink %d far %d mean %.2f\n", what.c_str(), d.ink, d.far, d.mean);
            }
            ASSERT_GT(d.ink, 300 * scale * scale) << what;
            // Laid on whole pixels and in steps of a fraction of a pixel: only edges and the
            // smallest features (a mouth, a whisker) differ a little, less so on a denser screen.
            EXPECT_LT(d.mean, 12 / scale) << what;
            EXPECT_LT(d.far, d.ink / (50 * scale)) << what;
        }
    }
}

TEST(RoomCatParts, LooksAsTheCatDrawnShapeByShape) { looksAsDrawnShapeByShape(everydayScenes(), {1.0, 2.0}); }

TEST(RoomCatParts, EveryPoseLooksAsDrawnShapeByShape) { looksAsDrawnShapeByShape(poseScenes(), {2.0}); }

// A seated cat's state, without any model.
RoomCatState seated() {
    RoomCatState c;
    c.width = 640;
    c.floorLine = 126;
    c.s = 0.94;
    c.x = 300.3;
    c.y = 100.6;
    c.sit = 1;
    c.tail = 8;
    c.headOffset = {5, -13};
    return c;
}

TEST(RoomCatParts, DrawsAgainOnlyThePartsThatChanged) {
    CatParts parts;
    RoomCatState c = seated();
    auto update = [&](const RoomCatState& state, FaceFrame face = {}) {
        return parts.update(roomCatParts(state, CatEnv{}, face, QPointF(), 2));
    };
    update(c);
    std::uint64_t keys[CatParts::count];
    auto remember = [&] {
        for (int i = 0; i < CatParts::count; ++i) keys[i] = parts.drawn(i).key;
    };
    remember();
    const int first = parts.drawings();
    EXPECT_EQ(first, 6);  // no bow worn, nothing on the head

    // The tail sways: the tail alone is drawn again.
    c.tail = 11;
    update(c);
    EXPECT_EQ(parts.drawings(), first + 1);
    for (int i = 0; i < CatParts::count; ++i)
        EXPECT_EQ(parts.drawn(i).key != keys[i], i == CatParts::tail) << i;
    // Swaying back, it finds the drawing it made before.
    c.tail = 8;
    update(c);
    EXPECT_EQ(parts.drawings(), first + 1);
    // Less than a step of sway draws nothing.
    c.tail = 8.1;
    update(c);
    EXPECT_EQ(parts.drawings(), first + 1);

    // A blink: the face alone, over the head kept as it was.
    remember();
    FaceFrame blink;
    blink.blink = 1;
    update(c, blink);
    EXPECT_EQ(parts.drawings(), first + 2);
    for (int i = 0; i < CatParts::count; ++i)
        EXPECT_EQ(parts.drawn(i).key != keys[i], i == CatParts::face) << i;
    // A step of the legs: the body's layers, not the head or the tail.
    remember();
    c.sit = 0;
    c.swing = 0.5;
    c.headOffset = catHeadOffset(0);
    const int before = parts.drawings();
    update(c, blink);
    EXPECT_EQ(parts.drawings(), before + 6);  // the whole figure, since its pose changed
    remember();
    c.swing = 0.6;
    update(c, blink);
    EXPECT_EQ(parts.drawings(), before + 8);
    for (int i = 0; i < CatParts::count; ++i)
        EXPECT_EQ(parts.drawn(i).key != keys[i], i == CatParts::underTail || i == CatParts::overTail) << i;

    // Let go, the same look is drawn afresh, whole.
    parts.clear();
    const int kept = parts.drawings();
    update(c, blink);
    EXPECT_EQ(parts.drawings(), kept + 6);
    EXPECT_FALSE(parts.drawn(CatParts::head).image.isNull());
}

TEST(RoomCatParts, ALookThatDidNotChangeVisiblyDrawsNoPart) {
    CatParts parts;
    const RoomCatState c = seated();
    auto update = [&](const FaceFrame& face) { parts.update(roomCatParts(c, CatEnv{}, face, QPointF(), 2)); };
    FaceFrame asleep;
    asleep.expression = CatExpression::asleep;
    update(asleep);
    const int drawn = parts.drawings();
    // Shut eyes do not blink.
    for (double blink : {0.3, 0.7, 1.0, 0.0}) {
        asleep.blink = blink;
        update(asleep);
    }
    // A blend that is over shows the face it ended on.
    asleep.previous = CatExpression::content;
    asleep.mix = 1;
    update(asleep);
    EXPECT_EQ(parts.drawings(), drawn);
    // An open-eyed face does blink, and only the face is drawn for it.
    FaceFrame awake;
    update(awake);
    const int open = parts.drawings();
    awake.blink = 0.5;
    update(awake);
    EXPECT_EQ(parts.drawings(), open + 1);
}

// Slow motions step by no more than a quarter of a device pixel at ratio 2 as at ratio 1, standing
// or seated (where the tail swings less far): between two drawings of a slowly swinging tail, a
// slowly lifting paw or a body slowly turning round, no pixel's cover changes by much more than a quarter (64).
TEST(RoomCatParts, SlowMotionsStepByAQuarterOfADevicePixel) {
    struct Motion {
        std::function<void(RoomCatState&, int)> step;
        std::vector<int> parts;
    };
    const std::vector<Motion> motions{
        {[](RoomCatState& c, int i) {
             c.tail = 4 + 0.05 * i;
             c.paw.angle = -0.05 * i;
         }, {CatParts::tail, CatParts::frontPaw}},
        {[](RoomCatState& c, int i) { c.facingWidth = 1 - 0.001 * i; }, {CatParts::underTail}},
        // A breath squashes the figure, the head carried along and laid down on whole pixels.
        {[](RoomCatState& c, int i) { c.squash = 1 - 0.0005 * i; }, {CatParts::underTail, CatParts::tail, CatParts::head}},
    };
    for (const Motion& motion : motions) {
        for (double sit : {0.0, 1.0}) {
            for (double dpr : {1.0, 2.0}) {
                CatParts parts;
                RoomCatState c = seated();
                c.sit = sit;
                c.headOffset = catHeadOffset(sit);
                QImage was[CatParts::count];
                QRect wasAt[CatParts::count];
                int worst[CatParts::count] = {}, changes[CatParts::count] = {};
                for (int i = 0; i < 120; ++i) {
                    motion.step(c, i);
                    parts.update(roomCatParts(c, CatEnv{}, FaceFrame{}, QPointF(), dpr));
                    for (int part : motion.parts) {
                        const CatParts::Drawn& d = parts.drawn(part);
                        // On device pixels about the anchor, wherever the box lies.
                        const QRect at = d.ink.translated(parts.box().topLeft() * int(dpr));
                        if (!was[part].isNull() && d.image.cacheKey() != was[part].cacheKey()) {
                            ++changes[part];
                            const QRect both = at | wasAt[part];
                            auto alpha = [](const QImage& img, const QRect& r, int x, int y) {
                                return r.contains(x, y) ? qAlpha(img.pixel(x - r.left(), y - r.top())) : 0;
                            };
                            for (int y = both.top(); y <= both.bottom(); ++y)
                                for (int x = both.left(); x <= both.right(); ++x)
                                    worst[part] = std::max(worst[part], std::abs(alpha(d.image, at, x, y) -
                                                                                 alpha(was[part], wasAt[part], x, y)));
                        }
                        was[part] = d.image;
                        wasAt[part] = at;
                    }
                }
                for (int part : motion.parts) {
                    EXPECT_GT(changes[part], 2) << part << " sit " << sit << " at " << dpr;
                    EXPECT_LE(worst[part], 70) << part << " sit " << sit << " at " << dpr;
                }
            }
        }
    }
}

// The head laid down as its skull, its face and what it wears is the head drawn whole.
TEST(RoomCatParts, TheHeadInLayersIsTheHeadDrawnWhole) {
    CatEnv env;
    env.breed = CatBreed::tuxedo;
    env.outfit.head = CatAccessory::beanie;
    env.outfit.face = CatAccessory::glasses;
    env.outfit.neck = CatAccessory::bellCollar;
    for (double dpr : {1.0, 2.0}) {
        CatHead head;
        head.look = QPointF(0.4, -0.3);
        head.blink = 0.4;
        head.sway = 0.3;
        auto draw = [&](CatHead::Layer layer, QImage& img) {
            QPainter p(&img);
            p.translate(30, 30);
            p.scale(1.3, 1.3);
            CatHead h = head;
            h.layer = layer;
            h.paint(p, env);
        };
        auto blank = [&] {
            QImage img(int(60 * dpr), int(60 * dpr), QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(dpr);
            img.fill(Qt::transparent);
            return img;
        };
        QImage whole = blank(), laid = blank();
        draw(CatHead::Layer::all, whole);
        for (CatHead::Layer layer : {CatHead::Layer::skull, CatHead::Layer::face, CatHead::Layer::worn}) {
            QImage one = blank();
            draw(layer, one);
            QPainter p(&laid);
            p.drawImage(QPointF(0, 0), one);
        }
        int worst = 0, inked = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x) {
                worst = std::max(worst, pixelDifference(whole.pixel(x, y), laid.pixel(x, y)));
                inked += qAlpha(whole.pixel(x, y)) > 0;
            }
        EXPECT_GT(inked, 1000 * dpr * dpr) << dpr;
        EXPECT_LE(worst, 2) << dpr;  // rounding of the colours laid over each other
    }
}

// Every pixel that differs between two pictures lies in `region`.
int outside(const QImage& a, const QImage& b, const QRegion& region) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && !region.contains(QPoint(x, y))) ++n;
    return n;
}

TEST(RoomCatParts, TellsWhereItsPixelsChangedFrameByFrame) {
    for (double scale : {1.0, 2.0}) {
        RoomCatWorld w;
        w.show(IslandRoomKind::bedroom);
        PetLifeProbe::setPlace(w.life(), 0.4);
        w.life().setPose(PetPose::sitting);
        w.settle();
        const RoomModels m = w.models();
        auto frame = [&] { return layerFrame(w, m, scale); };
        QImage before = frame();
        int changedFrames = 0, stillFrames = 0;
        const int drawn = w.layer->parts().drawings();
        for (int i = 0; i < 120; ++i) {
            w.cat.clock.advance(1.0 / 60);
            // The pointer wanders over the room: the eyes follow it.
            w.state->mousePosition = QPointF(500 + 2 * i, 40 + (i % 30));
            const QImage now = frame();
            const QRegion changed = w.layer->changed();
            EXPECT_EQ(outside(before, now, changed), 0) << scale << " frame " << i;
            if (changed.isEmpty())
                ++stillFrames;
            else
                ++changedFrames;
            // Never more than the cat's own neighbourhood.
            EXPECT_LT(changed.boundingRect().width(), 100 * scale) << i;
            before = now;
        }
        // It moves at the display's rate, drawing far fewer parts than frames times parts.
        EXPECT_GT(changedFrames, 20) << scale;
        EXPECT_LT(w.layer->parts().drawings() - drawn, 120 * 2) << scale;

        // Walking: the changed region holds where the cat was and where it is now.
        PetLifeProbe::setStepping(w.life(), true);
        w.life().setPose(PetPose::walking);
        before = frame();
        const QRect was = inkBounds(before);
        for (int i = 0; i < 10; ++i) {
            w.cat.clock.advance(1.0 / 60);
            PetLifeProbe::setPlace(w.life(), 0.4 + 0.01 * (i + 1));
            const QImage now = frame();
            EXPECT_EQ(outside(before, now, w.layer->changed()), 0) << scale << " step " << i;
            before = now;
        }
        // Walked well clear of where it stood: both places changed in the last frames' regions.
        const QRect is = inkBounds(before);
        EXPECT_GT(is.left(), was.left() + 30 * scale);

        // Asleep with its rising letters, eating with its words and crumbs, swaying and nodding
        // to music with its notes: they move every frame.
        for (const int effect : {0, 1, 2}) {
            const bool asleep = effect == 0;
            PetLifeProbe::setStepping(w.life(), false);
            w.life().setSleeping(asleep);
            if (effect == 1) w.life().setPose(PetPose::eating);
            if (effect == 2) {
                w.layer->setMusicSource([] { return true; });
                w.life().setPose(PetPose::sitting);
            }
            w.settle(1);
            before = frame();
            int moving = 0;
            for (int i = 0; i < 40; ++i) {
                w.cat.clock.advance(1.0 / 60);
                const QImage now = frame();
                EXPECT_EQ(outside(before, now, w.layer->changed()), 0) << scale << " effect " << effect << " " << i;
                moving += !w.layer->changed().isEmpty();
                before = now;
            }
            EXPECT_EQ(moving, 40) << effect;
        }
        w.layer->setMusicSource({});

        // Gone from the room on view: where it was changes, and the layer draws nothing.
        w.show(IslandRoomKind::kitchen);
        PetLifeTestAccess::setRoom(w.life(), IslandRoomKind::bedroom);
        const QImage gone = frame();
        EXPECT_TRUE(inkBounds(gone).isEmpty());
        EXPECT_TRUE(w.layer->changed().contains(is.center())) << scale;
    }
}

// Swaying to music, the figure is laid down turned in three pictures (body, head, front paw): what
// changed between frames still lies where the layer says.
TEST(RoomCatParts, SwayingToMusicTellsWhereItsPixelsChanged) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    w.layer->setMusicSource([] { return true; });
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::sitting);
    w.settle();
    const RoomModels m = w.models();
    auto frame = [&] { return layerFrame(w, m, 2); };
    QImage before = frame();
    int moved = 0;
    for (int i = 0; i < 30; ++i) {
        w.cat.clock.advance(1.0 / 60);
        const QImage now = frame();
        EXPECT_EQ(outside(before, now, w.layer->changed()), 0) << i;
        moved += now != before;
        before = now;
    }
    EXPECT_GT(moved, 25);  // the sway moves it every frame
}

TEST(RoomCatParts, TellsWhereTheReactionBubblesChanged) {
    RoomCatWorld w;
    w.show(IslandRoomKind::bedroom);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::sitting);
    w.settle();
    const RoomModels m = w.models();
    auto bubbles = [&] {
        QImage img(640, 160, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        w.layer->paintReactions(p, w.frame(), m);
        return img;
    };
    QImage before = bubbles();
    EXPECT_TRUE(w.layer->reactionsChanged().isEmpty());
    w.life().react(PetReaction::Kind::heart, 2, w.now());
    int shown = 0;
    for (int i = 0; i < 240; ++i) {
        w.cat.clock.advance(1.0 / 60);
        const QImage now = bubbles();
        EXPECT_EQ(outside(before, now, w.layer->reactionsChanged()), 0) << "frame " << i;
        shown += !inkBounds(now).isEmpty();
        before = now;
    }
    EXPECT_GT(shown, 10);
    EXPECT_TRUE(inkBounds(before).isEmpty());  // gone again
}

// The head's layers are drawn about the head's own centre, off the grid by the fraction of a pixel
// it lies off it, and laid down on whole pixels: at any breath, place and turn of the head, tall hat
// and all, the parts laid together are the look drawn straight.
TEST(RoomCatParts, TheHeadLaidInItsOwnFrameIsTheLookDrawnStraight) {
    CatEnv env;
    env.breed = CatBreed::calico;
    env.outfit.head = CatAccessory::witchHat;
    env.outfit.face = CatAccessory::glasses;
    for (double dpr : {1.0, 2.0}) {
        CatParts parts;
        for (int i = 0; i < 6; ++i) {
            RoomCatState c = seated();
            c.s = 0.6 + 0.06 * i;
            c.squash = 0.975 + 0.01 * i;  // breathing
            c.headOffset = {5 + 0.37 * i, -13 - 0.29 * i};
            c.headRotation = -6 + 2.5 * i;
            FaceFrame face;
            face.blink = 0.1 * i;
            const CatPartsLook look = roomCatParts(c, env, face, QPointF(0.3, -0.2 * i / 5), dpr);
            parts.update(look);
            const QRect box = parts.box();
            auto blank = [&] {
                QImage img((QSizeF(box.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
                img.fill(Qt::transparent);
                return img;
            };
            QImage laid = blank(), straight = blank();
            {
                QPainter p(&laid);
                for (int part = 0; part < CatParts::count; ++part)
                    if (parts.shown(part) && !parts.drawn(part).ink.isEmpty())
                        p.drawImage(QRectF(parts.drawn(part).ink), parts.drawn(part).image,
                                    QRectF(parts.drawn(part).image.rect()));
            }
            {
                straight.setDevicePixelRatio(dpr);
                QPainter p(&straight);
                p.setRenderHint(QPainter::Antialiasing);
                p.translate(-box.topLeft());
                CatParts::paintAll(p, look);
                straight.setDevicePixelRatio(1);
            }
            const Difference d = compare(laid, straight);
            const std::string what = "moment " + std::to_string(i) + " at " + std::to_string(int(dpr));
            ASSERT_GT(d.ink, 700 * dpr * dpr) << what;
            EXPECT_LT(d.mean, 1) << what;  // the rounding of colours laid over each other
            EXPECT_EQ(d.far, 0) << what;
            // Nothing of the hat is cut off: the laid picture reaches as high as the straight one.
            EXPECT_LE(std::abs(inkBounds(laid).top() - inkBounds(straight).top()), 1) << what;
        }
    }
}

// What a user sees most: sitting (breathing, the tail swaying, blinking), sitting with the eyes
// following the pointer, walking to and fro. Once the cat has done each for a while, its parts
// come back to drawings already kept: a breath or a step moves the head as a whole, and no value
// is stepped finer than a quarter of a device pixel.
TEST(RoomCatParts, EverydayMotionsDrawFewParts) {
    struct Case {
        const char* name;
        PetPose pose;
        std::function<void(RoomCatWorld&, int)> each;  // before frame i
        int most[2];                                   // parts drawn in five seconds at ratio 1, 2
    };
    const std::vector<Case> cases{
        {"sitting", PetPose::sitting, {}, {30, 62}},
        {"following the pointer", PetPose::sitting,
         [](RoomCatWorld& w, int i) { w.state->mousePosition = QPointF(560 + 3 * (i % 80), 30 + (i % 40)); },
         {80, 145}},
        {"walking", PetPose::walking,
         [](RoomCatWorld& w, int i) { w.life().walk((i / 240) % 2 ? 0.2 : 0.8, 1.0 / 60, 0.12); }, {260, 420}},
    };
    for (const Case& c : cases) {
        for (double scale : {1.0, 2.0}) {
            RoomCatWorld w;
            SeededRandom blinks{5};
            w.layer->setBlinkRandom(blinks);
            PetLifeTestAccess::setBirth(w.life(), w.now());  // a kitten, as a new cat is
            w.show(IslandRoomKind::bedroom);
            PetLifeProbe::setPlace(w.life(), 0.5);
            w.life().setPose(c.pose);
            w.state->mousePosition = QPointF(760, 40);
            w.settle();
            const RoomModels m = w.models();
            int drawn = 0;
            for (int i = 0; i < 1200; ++i) {
                if (i == 900) drawn = w.layer->parts().drawings();
                w.cat.clock.advance(1.0 / 60);
                if (c.each) c.each(w, i);
                layerFrame(w, m, scale);
            }
            EXPECT_LE(w.layer->parts().drawings() - drawn, c.most[int(scale) - 1]) << c.name << " at " << scale;
        }
    }
}

// At two pixels a point, swaying to music, the parts drawn and the turned pictures laid down go
// to a pool thread in one hand-off a frame at most; sitting still, only a frame that draws a part
// hands off. At one pixel a point nothing is handed off: the cat is drawn in place.
TEST(RoomCatParts, HandsOffToThePoolOnceAFrameAtMostAndOnlyAtHighRatios) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.life().setPose(PetPose::sitting);
    w.settle();
    const RoomModels m = w.models();
    for (double scale : {2.0, 1.0})
        for (bool music : {true, false}) {
            w.layer->setMusicSource([music] { return music; });
            const int before = w.layer->handOffs();
            int drawingFrames = 0;
            for (int i = 0; i < 120; ++i) {
                w.cat.clock.advance(1.0 / 60);
                w.state->mousePosition = QPointF(300 + 4 * i, 40);  // the eyes follow: the face draws again
                const int drawn = w.layer->parts().drawings();
                layerFrame(w, m, scale);
                drawingFrames += w.layer->parts().drawings() > drawn;
            }
            const int handOffs = w.layer->handOffs() - before;
            EXPECT_GT(drawingFrames, 5) << music << " at " << scale;
            if (scale < 2)
                EXPECT_EQ(handOffs, 0) << music;
            else if (music)
                EXPECT_EQ(handOffs, 120);
            else
                EXPECT_EQ(handOffs, drawingFrames);
        }
}

// A word bubble's fills go to a pool thread at two pixels a point even while the room's frames are
// drawn in place, once a frame while it shows; at one pixel a point they are drawn in place.
TEST(RoomCatParts, AWordBubbleAtHighRatiosIsHandedOffWhicheverWayTheFramesGo) {
    RoomCatWorld w;
    w.show(IslandRoomKind::living);
    PetLifeProbe::setPlace(w.life(), 0.5);
    w.settle();
    // The room's frames go in place: handed off, they were found to cost more.
    scenery::FrameWay& way = scenery::roomFrameWay();
    way.retry();
    for (int i = 0; i < 2 * scenery::FrameWay::kTried; ++i) way.add(way.handOff() ? 1e-3 : 1e-4);
    ASSERT_FALSE(way.handOff());
    const RoomModels m = w.models();
    for (double scale : {2.0, 1.0}) {
        w.life().react(PetReaction::Kind::meow, 1, w.now());
        const int before = w.layer->handOffs();
        for (int i = 0; i < 20; ++i) {
            w.cat.clock.advance(1.0 / 60);
            QImage img(int(640 * scale), int(160 * scale), QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(scale);
            img.fill(Qt::transparent);
            QPainter p(&img);
            w.layer->paintReactions(p, w.frame(), m);
        }
        EXPECT_EQ(w.layer->handOffs() - before, scale < 2 ? 0 : 20) << scale;
        w.cat.clock.advance(3);
    }
    way.retry();
}

}  // namespace
}  // namespace kp::test
