#pragma once
// A breed's coat: the colours and shape flags every cat drawing reads. `coat(CatBreed)` (declared
// in cat/CatLook.h) returns one of ten fixed coats that live for the whole run.
#include "cat/CatLook.h"

#include <QColor>

namespace kp {

struct CatCoat {
    // Colours. An invalid QColor means the coat has no such part.
    QColor base;      // body, head, near legs
    QColor shade;     // far legs, far ear, underside
    QColor outline;   // the thin rim round every shape
    QColor light;     // muzzle, chest and belly; invalid = none
    QColor stripe;    // tabby stripes; invalid = none
    QColor points;    // ears, mask, paws and tail of pointed coats; invalid = none
    QColor patchA;    // calico orange patches; invalid = none
    QColor patchB;    // calico dark patches; invalid = none
    QColor eye;       // iris
    QColor nose;
    QColor innerEar;
    QColor whisker;
    QColor eyeInk;    // lids, shut eyes and brows: light on dark faces
    QColor eyeInkNear;  // the same for the near (+x) eye, which may sit in a dark patch
    QColor mouthInk;  // mouth lines: light where the mouth sits on dark fur

    // Markings.
    bool whiteBib = false;     // light chin and chest bib (tuxedo)
    bool whiteSocks = false;   // light paws
    bool whiteV = false;       // inverted white V from the nose bridge down (snowshoe)

    // Shape.
    bool foldedEars = false;
    bool earTufts = false;
    bool smallEars = false;
    bool fluffy = false;       // scalloped outline
    bool roundFace = false;    // wider, rounder head and fuller cheeks
    bool flatFace = false;     // short muzzle, nose set higher
    double headGrow = 0;       // extra head size in head units (both axes)
    double eyeScale = 1;
    double tailFluff = 1;      // tail width factor
    double bodyGrow = 0;       // extra torso height in figure units
};

}  // namespace kp
