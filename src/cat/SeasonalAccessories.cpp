#include "cat/SeasonalAccessories.h"

#include "platform/Defaults.h"

#include <QStringList>

namespace kp {

namespace {

std::set<CatAccessory> readPieces(Defaults& store, const char* key) {
    std::set<CatAccessory> out;
    for (const QString& raw : store.stringArray(QString::fromLatin1(key))) {
        const QByteArray utf8 = raw.toUtf8();
        if (auto piece = fromRawValue<CatAccessory>(std::string_view(utf8.constData(), std::size_t(utf8.size()))))
            out.insert(*piece);
    }
    return out;
}

}  // namespace

std::set<CatAccessory> seasonalPieces(Defaults& store) { return readPieces(store, "seasonalPieces"); }

std::set<CatAccessory> unseenSeasonalPieces(Defaults& store) {
    std::set<CatAccessory> unseen = seasonalPieces(store);
    for (CatAccessory seen : readPieces(store, "seasonalPiecesSeen")) unseen.erase(seen);
    return unseen;
}

void markSeasonalPiecesSeen(Defaults& store) {
    writeSeasonalPieceList(store, "seasonalPiecesSeen", seasonalPieces(store));
}

void writeSeasonalPieceList(Defaults& store, const char* key, const std::set<CatAccessory>& pieces) {
    QStringList raw;
    for (CatAccessory piece : pieces) {
        const std::string_view name = rawValue(piece);
        raw << QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
    raw.sort();  // plain ascending string order, not case order
    store.set(QString::fromLatin1(key), raw);
}

}  // namespace kp
