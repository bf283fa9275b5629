#pragma once
// The onboarding pages' illustrations, each drawn in a 280 x 180 canvas from the page time, the
// clock and a few model values. Nothing here keeps state but the face's own motion.
#include "cat/art/CatDrawing.h"
#include "island/TobbiFace.h"
#include "core/SkyTypes.h"

#include <QPointF>

class QPainter;

namespace kp::onboard {

inline constexpr double kArtWidth = 280;
inline constexpr double kArtHeight = 180;

// What every illustration reads this frame.
struct ArtContext {
    double t = 0;      // seconds since the page began
    double clock = 0;  // seconds since the reference date: the endless loops
    CatEnv env;        // breed and outfit of every drawn cat
    // The live face; without one the cat shows a plain content face.
    TobbiFace* face = nullptr;
    const FaceEmotes* emotes = nullptr;
    TobbiFace::World world;
    double faceTime = 0;  // the face's own clock (blinks, blends)
    // The island's left edge in the canvas's coordinates, so the face aims at the pointer.
    double islandOffsetX = 0;
    bool liveWeather = false;
    SkyLook liveLook;  // the weather model's look now
};

struct OnboardCat {
    bool walking = false;
    double sit = 0;
    double pawAngle = 0;
    double pawRaise = 0;
    double faceX = 140;
    double tilt = 0;

    // Draws the cat with its figure centred on `centre`.
    void paint(QPainter& p, QPointF centre, const ArtContext& ctx) const;
};

// One rising heart: whether it shows, where, and how.
struct HeartLook {
    bool shown = false;
    QPointF centre;
    double size = 12;
    double scale = 1;
    double opacity = 1;
};
HeartLook floatingHeart(int index, double delay, double time, double x, double y);

// The name page's walk-in: the cat's x and whether it waves.
double nameCatX(double t);
bool nameWaving(double t);
// The breed page's hop, from the seconds since the last pick.
double pickBounce(double sincePick);
// Page 3: the look the window shows and its label.
SkyLook windowLook(double t, bool live, const SkyLook& liveLook);
inline constexpr SkyLook kPreviewLooks[8] = {
    {SkyTime::morning, SkyWeather::clear},  {SkyTime::day, SkyWeather::clear},
    {SkyTime::afternoon, SkyWeather::cloudy}, {SkyTime::sunset, SkyWeather::clear},
    {SkyTime::night, SkyWeather::clear},    {SkyTime::day, SkyWeather::rain},
    {SkyTime::night, SkyWeather::storm},    {SkyTime::afternoon, SkyWeather::snow},
};
// Page 4: the phone's island is expanded in this part of every 4 s.
bool phoneExpanded(double t);

void nameArt(QPainter& p, const ArtContext& ctx);
void breedArt(QPainter& p, const ArtContext& ctx, double sincePick);
void careArt(QPainter& p, const ArtContext& ctx);
void windowArt(QPainter& p, const ArtContext& ctx);
void phoneArt(QPainter& p, const ArtContext& ctx);
void closingArt(QPainter& p, const ArtContext& ctx);

// The page's illustration in the canvas at the painter's origin.
void paintIllustration(QPainter& p, int page, const ArtContext& ctx, double sincePick);

}  // namespace kp::onboard
