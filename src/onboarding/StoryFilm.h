#pragma once
// The story film that opens a new cat's first run: an evening street, a person walking home, a
// kitten that follows him in. Every frame is a pure function of the film time t; nothing is kept
// between frames but the walk table, built once.
//
// World coordinates: x along the street in walk units, y from the ground line, negative upwards.
#include "cat/art/CatDrawing.h"

#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace kp::story {

// u² (3 − 2u) of u clamped to 0...1.
double smooth(double u);
// smooth((t − a) / (b − a)).
double smoothOver(double t, double a, double b);

struct StoryLayout {
    bool letterbox = false;  // picture between black bands
    double below = 46;       // points from the picture's bottom up to the ground line
    double walkZoom = 0.55;
    double wideZoom = 0.17;
    double closeZoom = 0.44;
    double personAt = 0.7;   // share of the width where the followed walker stands
    double caption = 13;     // caption font size
};

enum class StoryPose { walk, sit };

// The kitten: the app's cat drawing in a 60 x 44 frame centred on the origin.
struct StoryKitten {
    StoryPose pose = StoryPose::sit;
    double swing = 0;
    double tail = 0;
    double pawAngle = 0;
    double pawRaise = 0;
    QPointF look{0, 0};
    double blink = 0;

    // `head`, when given, draws the head in its place instead, the painter set to the head's frame.
    void paint(QPainter& p, const CatEnv& env, const std::function<void(QPainter&)>& head = {}) const;
    // The head alone, about the origin, in its own frame.
    void paintHead(QPainter& p, const CatEnv& env) const;
    friend bool operator==(const StoryKitten&, const StoryKitten&) = default;
};

inline constexpr double kFilmLength = 25.2;
inline constexpr double kKittenPoses = 30;
inline constexpr double kPaperFrom = 22.6;  // from here on the frame is the end card's paper  // the kitten's poses a second
inline constexpr int kWalkTableSize = 3146;

double storyWalkSpeed(double t);
// The walked distance at k / 120 s, k = 0...3145; built once on first use.
const std::vector<double>& storyWalkTable();
double storyWalked(double t);
double storyPauseX();    // walked at 5.0 s
double storyArrivalX();  // walked at 14.0 s
double storyDoorX();     // the door, 64 beyond the arrival
double personX(double t);
double legSwing(double t);

// Deterministic value in [0, 1) from an index and a salt: the street's only variety.
double hash01(long long n, unsigned long long salt);

struct StoryCamera {
    double cx = 0;
    double zoom = 1;
};

struct KittenSpot {
    double x = 0;
    double lift = 0;
    bool walking = false;
};

struct Caption {
    double from;
    double to;
    const char* text;  // UTF-8
};
inline constexpr Caption kCaptions[] = {
    {0.9, 4.5, "You were walking home, like on any other evening\u2026"},
    {5.2, 9.0, "\u2026until you noticed you weren't alone."},
    {9.5, 13.6, "He followed you all the way to your door."},
    {14.1, 17.0, "And when the door opened\u2026"},
    {18.6, 21.9, "\u2026he walked right in, like he'd always lived here."},
};
inline constexpr const char* kEndCard = "And now, this is his home too.";

// How many characters of a caption show at t (none outside its window), and its opacity.
int captionTyped(const Caption& c, double t, int length);
double captionOpacity(const Caption& c, double t);
double endCardOpacity(double t);

// One frame of the film.
struct StoryFilm {
    double t = 0;
    QSizeF size{640, 180};
    StoryLayout layout;

    double width() const { return size.width(); }
    double height() const { return size.height(); }
    double groundY() const;
    double pictureTop() const;
    double pictureBottom() const;

    StoryCamera camera() const;
    // The distance the kitten's approach would cover, with this frame's camera.
    double approachDistance(const StoryCamera& cam) const;
    KittenSpot kittenPosition(const StoryCamera& cam) const;
    double kittenOpacity(const StoryCamera& cam) const;
    StoryKitten kitten(const KittenSpot& spot) const;
    double doorLight(double kittenX) const;
    // The bubble's word while one shows.
    std::optional<QString> bubbleWord() const;

    double nightAmount() const;
    double lampsOn() const;
    double doorOpen() const;
    double personFade() const;

    // The whole frame, filling (0, 0, W, H) of the painter; clipped to it.
    void paint(QPainter& p, const CatEnv& env) const;

    // The layers, for callers and tests that want them alone.
    void drawStreet(QPainter& p, const StoryCamera& cam) const;
    void drawHouse(QPainter& p, const StoryCamera& cam) const;
    void drawPerson(QPainter& p, const StoryCamera& cam) const;  // at the person's fade
    void drawPersonOpaque(QPainter& p, const StoryCamera& cam) const;
    void drawOverlay(QPainter& p) const;
};

// Paints whole frames of the film through one kept image, drawn on a worker of the raster
// engine's thread pool, then copied 1:1 onto the painter. On the pool, the engine keeps each large
// fill on that one thread; on the GUI thread it splits every fill of more than about a hundred
// lines across the pool and waits for it, dozens of times a frame. The image also gives the film
// a plain rectangle to draw in whatever the host clips to. GUI thread only.
class FilmFrames {
public:
    FilmFrames() = default;
    // Frees what the film kept between frames.
    ~FilmFrames();
    FilmFrames(const FilmFrames&) = delete;
    FilmFrames& operator=(const FilmFrames&) = delete;
    void paint(QPainter& p, const StoryFilm& film, const CatEnv& env);
    // Before the first frame, makes what the film's moments would otherwise make on their first
    // frames (the cat's kept shapes for this look, the words' fonts and glyphs, the settled street)
    // at this device scale, so no frame waits on them.
    void prepare(const CatEnv& env, double scale);

private:
    QImage image_;
};

// Frees the drawings the film keeps between frames; they are made again when next needed.
void releaseKeptDrawings();
void releaseStreetDrawings();

// Person pieces, exposed for their geometry.
struct FootPose {
    double dx = 0;
    double lift = 0;
    double roll = 0;
};
FootPose footCycle(double phase, double swing, double side);
QPointF kneePoint(QPointF hip, QPointF ankle, double zoom);

// The painter's device pixels per point: its own scale and the screen's together.
double deviceScale(const QPainter& p);
// Draws `image`, made at deviceScale(p), with its top-left at `at` moved to a whole device pixel,
// so the raster engine copies it rather than resamples it.
void drawAtDevicePixels(QPainter& p, QPointF at, const QImage& image);

}  // namespace kp::story
