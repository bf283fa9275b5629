#pragma once
// One saved page of one cat's life, and the JSON form of the album's list of them.
#include "cat/CatOutfit.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kp {

struct MacKeepsake {
    QString id;           // upper-case UUID, 8-4-4-4-12
    QString key;          // the diary key it was made from ("arrived", "days-7", "candid"...)
    double date = 0;      // when the moment happened, reference seconds
    double catBirth = 0;  // the cat it belongs to: all its keepsakes carry exactly this
    QString name;         // the cat's name at the time
    QString breed;        // raw value of the cat's breed at the time
    double age = 0;       // seconds from catBirth to date
    QString title;
    QString note;
    bool died = false;
    QStringList photos;    // file names in the album's photo folder, in display order
    QStringList captions;  // one per photo
    std::optional<CatOutfit> outfit;

    friend bool operator==(const MacKeepsake&, const MacKeepsake&) = default;
};

// A JSON array of keepsake objects, members in record order ("outfit" left out when there is none).
QByteArray encodeKeepsakes(const std::vector<MacKeepsake>& keepsakes);
// Any element missing "id", "key", "date" or "catBirth", holding a member of the wrong type or a
// "date" or "catBirth" no record holds (see isRecordMoment), makes the whole list unreadable. Other
// missing members (a keepsake from an earlier version) are empty, "died" false and "age" (also when
// it is longer than any real one) the time from "catBirth" to "date". As no page the app writes holds
// more, a page keeps its first two photos and captions, each text its first 2000 UTF-16 units (the
// name its first 24 characters), never cut inside a character.
std::optional<std::vector<MacKeepsake>> decodeKeepsakes(const QByteArray& json);

// A new identity in the stored form.
QString newKeepsakeId();

}  // namespace kp
