// catsheet: renders contact sheets of the cat drawings to PNG files, for looking at the art.
//   QT_QPA_PLATFORM=offscreen catsheet [output-folder] [scale]
// Writes faces.png (breeds x expressions), poses.png (breeds x poses), pieces.png (every piece worn,
// and its wardrobe icon), blinks.png (blinks, blends, gaze, sway, mirroring), sizes.png (the
// callers' real sizes and effects), icons.png (the wardrobe grid at 1x and 2x) and fit.png (head,
// face and neck pieces on every breed's head).
#include "cat/art/CatDrawing.h"

#include "platform/EnumNames.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <string>

using namespace kp;

namespace {

const QColor kBackground(0x2A, 0x24, 0x2E);
const QColor kCell(0x3A, 0x33, 0x40);
const QColor kLabel(0xF7, 0xF4, 0xF0);

QString name(std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); }

struct Sheet {
    int cols, rows, cellW, cellH, labelW = 110, headerH = 22;
    QImage image;
    Sheet(int c, int r, int w, int h, int lw = 110)
        : cols(c), rows(r), cellW(w), cellH(h), labelW(lw),
          image(lw + c * w, 22 + r * h, QImage::Format_ARGB32_Premultiplied) {
        image.fill(kBackground);
    }
    QRect cell(int col, int row) const { return QRect(labelW + col * cellW, headerH + row * cellH, cellW, cellH); }
    void header(int col, const QString& text) {
        QPainter p(&image);
        p.setPen(kLabel);
        QFont f = p.font();
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(QRect(labelW + col * cellW, 0, cellW, headerH), Qt::AlignCenter, text);
    }
    void rowLabel(int row, const QString& text) {
        QPainter p(&image);
        p.setPen(kLabel);
        QFont f = p.font();
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(QRect(4, headerH + row * cellH, labelW - 8, cellH), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    // Draws into one cell: the painter's origin at the cell's centre (plus `dy`), scaled by `k`.
    void draw(int col, int row, double k, const std::function<void(QPainter&)>& fn, double dy = 0,
              const QString& caption = {}) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRect r = cell(col, row).adjusted(2, 2, -2, -2);
        p.fillRect(r, kCell);
        if (!caption.isEmpty()) {
            p.setPen(kLabel);
            QFont f = p.font();
            f.setPixelSize(10);
            p.setFont(f);
            p.drawText(r.adjusted(3, 1, -3, -1), Qt::AlignBottom | Qt::AlignHCenter, caption);
        }
        p.setClipRect(r);
        p.translate(QPointF(r.center()) + QPointF(0.5, 0.5 + dy));
        p.scale(k, k);
        fn(p);
    }
    bool save(const QString& path) const { return image.save(path); }
};

void faces(const QString& dir, double k) {
    const int n = int(caseCount<CatExpression>());
    Sheet s(n, 10, int(34 * k), int(40 * k));
    for (int e = 0; e < n; ++e) s.header(e, name(rawValue(static_cast<CatExpression>(e))));
    for (CatBreed b : allCases<CatBreed>()) {
        const int row = int(b);
        s.rowLabel(row, name(displayName(b)));
        for (int e = 0; e < n; ++e) {
            CatHead h;
            h.expression = static_cast<CatExpression>(e);
            h.breed = b;
            s.draw(e, row, k, [&](QPainter& p) { h.paint(p, CatEnv{}); }, 2 * k);
        }
    }
    s.save(dir + "/faces.png");
}

void poses(const QString& dir, double k) {
    const char* titles[] = {"stand", "walk", "walk b", "sit", "half sit", "lie", "paw up", "wash", "swat", "eat",
                            "back", "back turn"};
    const int n = 12;
    Sheet s(n, 10, int(64 * k), int(56 * k));
    for (int i = 0; i < n; ++i) s.header(i, titles[i]);
    for (CatBreed b : allCases<CatBreed>()) {
        const int row = int(b);
        s.rowLabel(row, name(displayName(b)));
        const CatEnv env{b, {}};
        for (int i = 0; i < n; ++i) {
            s.draw(i, row, k, [&](QPainter& p) {
                if (i >= 10) {
                    CatBack back;
                    back.tail = i == 10 ? 10 : -12;
                    back.turn = i == 10 ? 0 : 0.8;
                    back.tilt = i == 10 ? 0 : 4;
                    back.paint(p, env);
                    return;
                }
                CatFigure f;
                switch (i) {
                case 0: f.body.tail = 6; break;
                case 1: f.body.swing = 0.7; f.body.tail = 8; f.body.pawAngle = 16 * 0.7; break;
                case 2: f.body.swing = -0.7; f.body.tail = -4; f.body.pawAngle = -16 * 0.7; break;
                case 3: f.body.sit = 1; f.body.tail = 10; break;
                case 4: f.body.sit = 0.5; f.body.tail = 0; break;
                case 5: f.body.lying = true; f.head.expression = CatExpression::asleep; break;
                case 6: f.body.sit = 1; f.body.pawAngle = -165; f.body.pawRaise = 1; f.headTilt = -12; break;
                case 7: f.body.sit = 1; f.body.pawAngle = -150; f.body.pawRaise = 1; f.headTilt = 10;
                    f.head.expression = CatExpression::happy; break;
                case 8: f.body.pawAngle = -100; f.body.pawRaise = 1; f.head.expression = CatExpression::surprised; break;
                case 9:  // the room's eating dip: the head moved (6, 9) down into the bowl and tipped 22°
                    f.headNudge = QPointF(6, 9); f.headTilt = 22; f.head.expression = CatExpression::eating; break;
                }
                f.paint(p, env);
                // the feet line and the figure's frame, faintly
                p.setPen(QPen(QColor(255, 255, 255, 40), 0.3));
                p.drawLine(QPointF(-30, f.body.lying ? 10 : 15), QPointF(30, f.body.lying ? 10 : 15));
                p.setBrush(Qt::NoBrush);
                p.drawRect(kCatFigureFrame);
            });
        }
    }
    s.save(dir + "/poses.png");
}

void pieces(const QString& dir, double k) {
    const int n = int(caseCount<CatAccessory>());
    const int cols = 7;
    const int rows = (n + cols - 1) / cols;
    Sheet s(cols * 2, rows, int(50 * k), int(66 * k), 10);
    for (int i = 0; i < n; ++i) {
        const auto a = static_cast<CatAccessory>(i);
        const int col = (i % cols) * 2, row = i / cols;
        CatEnv env{static_cast<CatBreed>(i % 10), {}};
        if (a == CatAccessory::headphones) env.outfit.extras.push_back(a);
        else env.outfit = CatOutfit::empty().toggling(a);
        const bool low = slot(a) == AccessorySlot::feet || slot(a) == AccessorySlot::body;
        s.draw(col, row, k, [&](QPainter& p) {
            CatFigure f;
            f.body.sit = low ? 0 : 1;
            f.body.tail = 12;
            f.body.swing = low ? 0.4 : 0;
            f.paint(p, env);
        }, (low ? 4 : 8) * k, name(rawValue(a)));  // room above a seated cat for the tall hats
        s.draw(col + 1, row, k, [&](QPainter& p) {
            AccessoryIcon icon{a};
            icon.paint(p, CatEnv{}, QRectF(-20, -20, 40, 40));
        }, -4 * k);
    }
    s.save(dir + "/pieces.png");
}

void blinks(const QString& dir, double k) {
    Sheet s(10, 5, int(36 * k), int(40 * k));
    const CatEnv env{CatBreed::orange, {}};
    const double blinkSteps[] = {0, 0.25, 0.5, 0.75, 0.9, 1.0};
    for (int i = 0; i < 6; ++i) {
        CatHead h;
        h.blink = blinkSteps[i];
        s.draw(i, 0, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("blink %1").arg(h.blink));
    }
    for (int i = 0; i < 4; ++i) {
        CatHead h;
        h.expression = i < 2 ? CatExpression::sleepy : CatExpression::grumpy;
        h.blink = i % 2 ? 0.6 : 0;
        s.draw(6 + i, 0, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("lid blink %1").arg(h.blink));
    }
    s.rowLabel(0, "blink");
    const double mixes[] = {0, 0.2, 0.4, 0.5, 0.6, 0.8, 1};
    for (int i = 0; i < 7; ++i) {
        CatHead h;
        h.expression = CatExpression::happy;
        h.previous = CatExpression::content;
        h.mix = mixes[i];
        s.draw(i, 1, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("mix %1").arg(h.mix));
    }
    for (int i = 0; i < 3; ++i) {
        CatHead h;
        h.expression = CatExpression::surprised;
        h.previous = CatExpression::sleepy;
        h.mix = 0.25 + 0.25 * i;
        s.draw(7 + i, 1, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("mix %1").arg(h.mix));
    }
    s.rowLabel(1, "content>happy");
    const QPointF looks[] = {{0, 0}, {1, 0}, {-1, 0}, {0, -1}, {0, 1}, {0.7, 0.7}, {-0.7, -0.7}};
    for (int i = 0; i < 7; ++i) {
        CatHead h;
        h.look = looks[i];
        s.draw(i, 2, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("look %1,%2").arg(looks[i].x()).arg(looks[i].y()));
    }
    s.rowLabel(2, "look");
    const double sways[] = {-2, -1, -0.5, 0, 0.5, 1, 2};
    for (int i = 0; i < 7; ++i) {
        CatHead h;
        h.sway = sways[i];
        h.outfit = CatOutfit::empty().toggling(CatAccessory::partyHat);
        s.draw(i, 3, k, [&](QPainter& p) { h.paint(p, env); }, 0, QString("sway %1").arg(h.sway));
    }
    s.rowLabel(3, "sway");
    for (int i = 0; i < 10; ++i) {
        CatHead h;
        h.breed = static_cast<CatBreed>(i);
        h.mirrored = i % 2 == 0;
        h.fromBehind = i % 2 == 1;
        h.outfit = CatOutfit::empty().toggling(i < 4 ? CatAccessory::bow : CatAccessory::beret);
        s.draw(i, 4, k, [&](QPainter& p) { h.paint(p, env); }, 0, h.mirrored ? "mirrored" : "behind");
    }
    s.rowLabel(4, "mirror/behind");
    s.save(dir + "/blinks.png");
}

// The callers' own sizes and effects, at 1x and 2x: room, desktop (1.45), hero (2.1), swatch (22),
// portrait (17), silhouette, sick tint, dead desaturated, belly-up.
void sizes(const QString& dir) {
    QImage img(760, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(0x1A, 0x16, 0x14));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    double x = 40;
    for (CatBreed b : allCases<CatBreed>()) {
        p.save();
        p.translate(x, 40);
        CatFigure f;
        f.body.sit = 1;
        f.paint(p, CatEnv{b, {}});
        p.restore();
        p.save();
        p.translate(x, 110);
        p.scale(1.45, 1.45);
        CatFigure w;
        w.body.swing = 0.7;
        w.body.tail = 8;
        w.paint(p, CatEnv{b, {}});
        p.restore();
        p.save();
        p.translate(x, 170);
        CatHead sw;
        sw.size = 22;
        sw.breed = b;
        sw.expression = int(b) % 2 ? CatExpression::happy : CatExpression::content;
        sw.paint(p, CatEnv{});
        p.translate(0, 34);
        CatHead portrait;
        portrait.size = 17;
        portrait.paint(p, CatEnv{b, {}});
        p.restore();
        x += 72;
    }
    p.end();
    // effects: silhouette, sick tint, dead desaturation, belly-up
    QImage fx(4 * 140, 110, QImage::Format_ARGB32_Premultiplied);
    fx.fill(QColor(0x1A, 0x16, 0x14));
    for (int i = 0; i < 4; ++i) {
        QImage one(140, 110, QImage::Format_ARGB32_Premultiplied);
        one.fill(Qt::transparent);
        {
            QPainter q(&one);
            q.translate(70, 55);
            q.scale(2, 2);
            CatFigure f;
            f.body.sit = i == 0 ? 1 : 0;
            if (i == 2) {
                f.body.lying = true;
                f.head.expression = CatExpression::dead;
            }
            if (i == 1) f.head.expression = CatExpression::sick;
            if (i == 3) {
                q.rotate(180);
                f.head.expression = CatExpression::asleep;
                f.headNudge = QPointF(2, 21);
            }
            f.paint(q, CatEnv{CatBreed::calico, {}});
        }
        for (int y = 0; y < one.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(one.scanLine(y));
            for (int xx = 0; xx < one.width(); ++xx) {
                // the image holds premultiplied pixels: work on straight colour, store premultiplied
                QColor c = QColor::fromRgba(qUnpremultiply(line[xx]));
                if (i == 0) c = QColor(int(c.red() * 0x22 / 255.0), int(c.green() * 0x1B / 255.0), int(c.blue() * 0x2C / 255.0), c.alpha());
                if (i == 1) c = QColor(int(c.red() * 0.72), int(c.green() * 0.95), int(c.blue() * 0.70), c.alpha());
                if (i == 2) {
                    float h, s, v, a;
                    c.getHsvF(&h, &s, &v, &a);
                    c = QColor::fromHsvF(h, s * 0.55f, v, a);
                }
                line[xx] = qPremultiply(c.rgba());
            }
        }
        QPainter q(&fx);
        q.drawImage(i * 140, 0, one);
    }
    // the settings hero: a 60 x 44 frame scaled 2.1 on the near-black plate, for the dark breeds
    QImage hero(3 * 150, 120, QImage::Format_ARGB32_Premultiplied);
    hero.fill(QColor(0x0A, 0x0A, 0x0A));
    {
        QPainter h(&hero);
        h.setRenderHint(QPainter::Antialiasing, true);
        const CatBreed breeds[] = {CatBreed::black, CatBreed::tuxedo, CatBreed::siamese};
        for (int i = 0; i < 3; ++i) {
            h.save();
            h.translate(75 + i * 150, 60 + 8);
            h.scale(2.1, 2.1);
            CatFigure f;
            f.body.sit = 1;
            f.body.tail = 10;
            f.body.breed = breeds[i];
            f.head.breed = breeds[i];
            f.head.look = {0.35, 0.15};
            f.paint(h, CatEnv{});
            h.restore();
        }
    }
    QImage all(760, 300 + 110 + 120, QImage::Format_ARGB32_Premultiplied);
    all.fill(QColor(0x1A, 0x16, 0x14));
    QPainter q(&all);
    q.drawImage(0, 0, img);
    q.drawImage(0, 300, fx);
    q.drawImage(0, 410, hero);
    q.end();
    all.save(dir + "/sizes.png");
}

// The wardrobe grid at its real size: 48 x 48 cells, a 40 x 40 icon on a dark disc, 1x and 2x.
void icons(const QString& dir) {
    const int n = int(caseCount<CatAccessory>());
    const int perRow = 14;
    const int rows = (n + perRow - 1) / perRow;
    QImage img(perRow * 48 * 3, rows * 48 * 3, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(0x16, 0x16, 0x16));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int pass = 0; pass < 2; ++pass) {
        const double k = pass == 0 ? 1.0 : 2.0;
        const double ox = pass == 0 ? 0 : 0;
        const double oy = pass == 0 ? 0 : rows * 48;
        for (int i = 0; i < n; ++i) {
            p.save();
            p.translate(ox + (i % perRow) * 48 * k, oy + (i / perRow) * 48 * k);
            p.scale(k, k);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x1F, 0x1F, 0x1F));
            p.drawEllipse(QRectF(0, 0, 48, 48));
            AccessoryIcon{static_cast<CatAccessory>(i)}.paint(p, CatEnv{}, QRectF(4, 4, 40, 40));
            p.restore();
        }
    }
    p.end();
    img.save(dir + "/icons.png");
}

// Pieces that must fit every head shape (round, big, fluffy, folded ears), on every breed.
void fit(const QString& dir, double k) {
    const CatAccessory items[] = {CatAccessory::beanie,    CatAccessory::topHat,    CatAccessory::strawHat,
                                  CatAccessory::bunnyEars, CatAccessory::rainHat,   CatAccessory::glasses,
                                  CatAccessory::carnivalMask, CatAccessory::sleepMask, CatAccessory::bandana,
                                  CatAccessory::bellCollar, CatAccessory::headphones};
    const int n = int(std::size(items));
    Sheet s(n, 10, int(34 * k), int(48 * k));
    for (int i = 0; i < n; ++i) s.header(i, name(rawValue(items[i])));
    for (CatBreed b : allCases<CatBreed>()) {
        s.rowLabel(int(b), name(displayName(b)));
        for (int i = 0; i < n; ++i) {
            CatHead h;
            h.breed = b;
            CatOutfit o;
            if (items[i] == CatAccessory::headphones) o.extras.push_back(items[i]);
            else o = CatOutfit::empty().toggling(items[i]);
            h.outfit = o;
            s.draw(i, int(b), k, [&](QPainter& p) { h.paint(p, CatEnv{}); }, 4 * k);
        }
    }
    s.save(dir + "/fit.png");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("catsheets");
    const double k = argc > 2 ? std::atof(argv[2]) : 3.0;
    QDir().mkpath(dir);
    faces(dir, k);
    poses(dir, k);
    pieces(dir, k);
    blinks(dir, k);
    sizes(dir);
    icons(dir);
    fit(dir, k);
    std::printf("contact sheets written to %s\n", qPrintable(dir));
    return 0;
}
