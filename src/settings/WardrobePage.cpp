// The Wardrobe tab: a countdown until the wardrobe opens, then every piece as a round button.
#include "settings/SettingsPages.h"

#include "cat/Closet.h"
#include "cat/art/CatDrawing.h"
#include "platform/Color.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <memory>
#include <set>

namespace kp::settings {

namespace {

// One piece: its icon in a 48-wide disc, ringed while worn, grey and faint while locked.
class PieceButton : public QAbstractButton {
public:
    PieceButton(CatAccessory piece, bool worn, bool unlocked) : piece_(piece), worn_(worn), unlocked_(unlocked) {
        setFixedSize(48, 48);
        setFocusPolicy(Qt::NoFocus);
        setEnabled(unlocked);
        setCursor(unlocked ? Qt::PointingHandCursor : Qt::ArrowCursor);
        const auto name = displayName(piece);
        setToolTip(unlocked ? QString::fromUtf8(name.data(), qsizetype(name.size())) : QStringLiteral("Not yet"));
        setObjectName(QString::fromLatin1(rawValue(piece).data(), qsizetype(rawValue(piece).size())));
    }
    bool worn() const { return worn_; }
    bool unlocked() const { return unlocked_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (look_.isNull()) look_ = render(devicePixelRatioF());
        QPainter p(this);
        p.drawImage(QRectF(0, 0, 48, 48), look_);
    }

private:
    QImage render(double dpr) const {
        QImage img(QSize(48, 48) * dpr, QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(Qt::NoPen);
            p.setBrush(worn_ ? kit::withAlpha(kit::accent(), 0.16) : kit::line());
            p.drawEllipse(QRectF(0, 0, 48, 48));
            AccessoryIcon{piece_}.paint(p, CatEnv{}, QRectF(4, 4, 40, 40));
            if (worn_) {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(kit::accent(), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                p.drawEllipse(QRectF(1, 1, 46, 46));
            }
        }
        if (!unlocked_) {
            // Grey and faint.
            for (int y = 0; y < img.height(); ++y) {
                auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = px[x];
                    const int g = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
                    px[x] = qRgba(g / 4, g / 4, g / 4, qAlpha(c) / 4);
                }
            }
        }
        return img;
    }

    CatAccessory piece_;
    bool worn_;
    bool unlocked_;
    mutable QImage look_;
};

QWidget* wardrobeCard(SettingsServices& s) {
    Closet* closet = s.closet;
    const double together = closet ? closet->together() : 0;
    auto* card = new SettingsCard(QStringLiteral("His wardrobe"), wardrobeFooter(together));
    card->setObjectName(QStringLiteral("wardrobeCard"));
    if (together < wardrobeOpensAt) {
        auto* left = kit::label(nextGiftText(wardrobeOpensAt - together), 13, QFont::Bold, kit::peach());
        left->setObjectName(QStringLiteral("opensIn"));
        card->add(new SettingsRow(QStringLiteral("lock.fill"), colorFromHex("#A8927A"), QStringLiteral("Opens in"),
                                  QString(), left));
        return card;
    }
    auto* count = kit::label(QString::number(closet->unlocked().size()) + QStringLiteral(" of ") +
                                 QString::number(giftOrder().size()),
                             13, QFont::Bold, kit::peach());
    count->setObjectName(QStringLiteral("pieceCount"));
    card->add(new SettingsRow(QStringLiteral("tshirt.fill"), kit::accent(), QStringLiteral("Pieces"), QString(), count));

    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("pieces"));
    auto* cells = new QGridLayout(grid);
    cells->setContentsMargins(12, 12, 12, 12);
    cells->setHorizontalSpacing(6);
    cells->setVerticalSpacing(8);
    for (int c = 0; c < 6; ++c) cells->setColumnStretch(c, 1);
    int i = 0;
    auto play = s.playSound;
    for (CatAccessory a : wardrobePieces(closet->seasonal())) {
        const bool unlocked = closet->isUnlocked(a);
        const bool worn = closet->outfit().at(slot(a)) == a;
        auto* b = new PieceButton(a, worn, unlocked);
        QObject::connect(b, &QAbstractButton::clicked, b, [closet, a, play] {
            if (closet->isUnlocked(a) && play) play(PetSound::wear);
            closet->wear(a);
        });
        cells->addWidget(b, i / 6, i % 6, Qt::AlignCenter);
        ++i;
    }
    card->add(grid);
    return card;
}

}  // namespace

QWidget* buildWardrobePage(SettingsServices& s) {
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);
    auto* slot = new Slot(column, [&s] { return wardrobeCard(s); });
    QObject::connect(page, &QObject::destroyed, [slot] { delete slot; });
    if (Closet* closet = s.closet) {
        // The countdown ticks in place; the card is built again when what it shows changes.
        struct Shown {
            bool open;
            std::size_t unlocked;
            std::set<CatAccessory> seasonal;
            CatOutfit outfit;
            bool operator==(const Shown&) const = default;
        };
        const auto shown = [closet] {
            return Shown{closet->together() >= wardrobeOpensAt, closet->unlocked().size(), closet->seasonal(),
                         closet->outfit()};
        };
        auto last = std::make_shared<Shown>(shown());
        QObject::connect(closet, &Closet::changed, page, [slot, closet, shown, last] {
            const Shown now = shown();
            if (now == *last) {
                if (auto* left = slot->widget()->findChild<QLabel*>(QStringLiteral("opensIn")))
                    left->setText(nextGiftText(wardrobeOpensAt - closet->together()));
                return;
            }
            *last = now;
            slot->rebuild();
        });
    }
    column->addStretch(1);
    return page;
}

}  // namespace kp::settings
