// The Shop tab: the balance, then treats, home things and toys as tiles that buy or use.
#include "settings/SettingsPages.h"

#include "life/PetLife.h"
#include "life/Wallet.h"
#include "platform/Defaults.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace kp::settings {

namespace {

CatWhereabouts whereabouts(const SettingsServices& s) {
    CatWhereabouts w;
    if (const PetLife* life = s.life) {
        w.dead = life->isDead();
        w.out = life->isOut();
        w.inViewedRoom = life->room() == life->viewRoom();
        w.unfed = life->whyNotEat();
    }
    return w;
}

class ShopTileButton : public QAbstractButton {
public:
    ShopTileButton(ShopItem item, SettingsServices& s) : item_(item), s_(s) {
        setObjectName(QString::fromLatin1(rawValue(item).data(), qsizetype(rawValue(item).size())));
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(104);
        setMinimumWidth(10);
        refresh();
    }

    const ShopTile& tile() const { return tile_; }

    void refresh() {
        if (!s_.wallet) return;
        tile_ = shopTile(item_, *s_.wallet, whereabouts(s_));
        setEnabled(tile_.enabled);
        setCursor(tile_.enabled ? Qt::PointingHandCursor : Qt::ArrowCursor);
        const QString tip = shopTooltip(item_, tile_.away, tile_.unfed);
        if (toolTip() != tip) setToolTip(tip);
        if (tile_.coinsOff) setToolTip(shopCoinsOffTooltip(item_));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setOpacity(tile_.enabled ? 1.0 : 0.45);
        const QRectF r = rect();
        p.setPen(Qt::NoPen);
        p.setBrush(tile_.shown ? kit::withAlpha(kit::accent(), 0.16) : kit::line());
        p.drawRoundedRect(r, 12, 12);
        if (tile_.shown) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kit::accent(), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            p.drawRoundedRect(r.adjusted(0.75, 0.75, -0.75, -0.75), 11.25, 11.25);
        }
        // The drawing, still, a little larger than its 56 x 48 frame.
        const QRectF art(r.center().x() - 28, 8, 56, 48);
        {
            p.save();
            if (tile_.owned && !tile_.shown && section(item_) == ShopSection::home) p.setOpacity(p.opacity() * 0.45);
            p.translate(art.center());
            p.scale(1.15, 1.15);
            p.translate(-art.center());
            if (s_.art.item) s_.art.item(p, item_, art, 0.3);
            else drawStandInShopItem(p, item_, art, 0.3);
            p.restore();
        }
        // The name, shrunk to fit (down to 80 %).
        const auto n = itemName(item_);
        const QString name = QString::fromUtf8(n.data(), qsizetype(n.size()));
        QFont nameFont = kit::font(11, QFont::Bold);
        const double room = r.width() - 8;
        const double need = QFontMetricsF(nameFont).horizontalAdvance(name);
        if (need > room) nameFont.setPixelSize(std::max(9, int(std::floor(11 * std::max(0.8, room / need)))));
        p.setFont(nameFont);
        p.setPen(kit::ink());
        p.drawText(QRectF(r.left() + 2, art.bottom() + 4, r.width() - 4, 16), Qt::AlignCenter, name);
        const QRectF last(r.left() + 2, art.bottom() + 21, r.width() - 4, 16);
        const QString word = tile_.coinsOff ? shopCoinsOffWord() : shopStatusWord(item_, tile_.owned, tile_.shown);
        if (!word.isEmpty()) {
            p.setFont(kit::font(10, QFont::Black));
            p.setPen(kit::peach());
            p.drawText(last, Qt::AlignCenter, word);
        } else {
            const QFont priceFont = kit::font(11, QFont::Black);
            const QString digits = QString::number(price(item_));
            const double w = 11 + 3 + QFontMetricsF(priceFont).horizontalAdvance(digits);
            const double x = last.center().x() - w / 2;
            const QRectF coin(x, last.center().y() - 5.5, 11, 11);
            if (s_.art.coin) s_.art.coin(p, coin);
            else drawStandInCoin(p, coin);
            p.setFont(priceFont);
            const bool affordable = s_.wallet && s_.wallet->coins() >= price(item_);
            p.setPen(affordable ? kit::ink() : kit::muted());
            p.drawText(QRectF(x + 14, last.top(), w, last.height()), Qt::AlignVCenter | Qt::AlignLeft, digits);
        }
    }

private:
    ShopItem item_;
    SettingsServices& s_;
    ShopTile tile_;
};

}  // namespace

QWidget* buildShopPage(SettingsServices& s) {
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);

    auto* coins = new SettingsCard(QStringLiteral("His coins"), coinsFooter());
    auto* balance = new QWidget;
    auto* balanceRow = new QHBoxLayout(balance);
    balanceRow->setContentsMargins(12, 12, 12, 12);
    balanceRow->addWidget(coinBalance(s, 30, 30, QFont::Black, kit::ink()));
    balanceRow->addStretch(1);
    coins->add(balance);
    column->addWidget(coins);

    std::vector<ShopTileButton*> tiles;
    for (ShopSection section : allCases<ShopSection>()) {
        auto* card = new SettingsCard(QString::fromLatin1(shopSectionTitle(section)),
                                      QString::fromLatin1(shopSectionFooter(section)));
        auto* grid = new QWidget;
        auto* cells = new QGridLayout(grid);
        cells->setContentsMargins(10, 10, 10, 10);
        cells->setHorizontalSpacing(8);
        cells->setVerticalSpacing(8);
        for (int c = 0; c < 4; ++c) cells->setColumnStretch(c, 1);
        int i = 0;
        for (ShopItem item : shopItems(section)) {
            auto* tile = new ShopTileButton(item, s);
            if (s.wallet) {
                Wallet* wallet = s.wallet;
                PetLife* life = s.life;
                auto sound = s.playSound;
                QObject::connect(tile, &QAbstractButton::clicked, tile,
                                 [item, wallet, life, sound] { shopAction(item, *wallet, life, sound); });
            }
            cells->addWidget(tile, i / 4, i % 4);
            tiles.push_back(tile);
            ++i;
        }
        card->add(grid);
        column->addWidget(card);
    }
    auto refresh = [tiles] {
        for (auto* t : tiles) t->refresh();
    };
    if (s.wallet) QObject::connect(s.wallet, &Wallet::changed, page, refresh);
    if (s.life) QObject::connect(s.life, &PetLife::changed, page, refresh);
    column->addStretch(1);
    return page;
}

}  // namespace kp::settings
