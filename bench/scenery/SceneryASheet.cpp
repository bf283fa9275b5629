// Renders the sky, windows, garden and cat house to PNG files for a look by eye.
// Usage: scenery_a_sheet <output folder> [time]
#include "scenery/CatHouseArt.h"
#include "scenery/GardenBackdrop.h"
#include "scenery/GardenWeather.h"
#include "scenery/SkyView.h"
#include "scenery/WindowViews.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

using namespace kp;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const double t = argc > 2 ? std::atof(argv[2]) : 812345.0;

    {  // Skies: times down, weathers across.
        QImage img(5 * 130 + 10, 5 * 70 + 10, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::darkGray);
        QPainter p(&img);
        for (int ti = 0; ti < 5; ++ti)
            for (int wi = 0; wi < 5; ++wi)
                SkyView{{SkyTime(ti), SkyWeather(wi)}, t, true, true}.paint(p, QRectF(10 + wi * 130, 10 + ti * 70, 120, 60));
        p.end();
        img.save(dir + "/skies.png");
    }
    {  // Windows at 3x: bedroom closed/open and plain, for a few looks.
        const SkyLook looks[] = {{SkyTime::day, SkyWeather::clear}, {SkyTime::night, SkyWeather::clear},
                                 {SkyTime::sunset, SkyWeather::rain}, {SkyTime::morning, SkyWeather::snow}};
        QImage img(3 * 3 * 80, 4 * 3 * 56, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor("#F3E9DD"));
        QPainter p(&img);
        p.scale(3, 3);
        for (int i = 0; i < 4; ++i) {
            BedroomWindowView{looks[i], t, false}.paint(p, QRectF(0, i * 56, 80, 56));
            BedroomWindowView{looks[i], t, true}.paint(p, QRectF(80, i * 56, 80, 56));
            PlainWindowView{looks[i], t}.paint(p, QRectF(160, i * 56, 80, 56));
        }
        p.end();
        img.save(dir + "/windows.png");
    }
    {  // Gardens: 640 x 220, floor at 160, k = 1.3, with the house and the weather.
        const SkyLook looks[] = {{SkyTime::day, SkyWeather::clear},   {SkyTime::night, SkyWeather::clear},
                                 {SkyTime::afternoon, SkyWeather::rain}, {SkyTime::morning, SkyWeather::snow},
                                 {SkyTime::sunset, SkyWeather::storm}};
        const int months[] = {6, 6, 10, 12, 11};
        QImage img(640, 5 * 220, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        QPainter p(&img);
        for (int i = 0; i < 5; ++i) {
            const QRectF r(0, i * 220, 640, 220);
            p.save();
            p.setClipRect(r);
            GardenBackdrop{looks[i], t, 160, 1.3}.paintInMonth(p, r, months[i]);
            p.save();
            // The room's placement: 1.3x about the bottom, centre x at 0.8 W, bottom at the floor line + 100 - 100.
            p.translate(0.8 * 640, r.top() + 160);
            p.scale(1.3, 1.3);
            CatHouseArt{CatHouseArt::Part::whole, looks[i].weather == SkyWeather::snow}.paint(p, QRectF(-28, -50, 56, 50));
            p.restore();
            GardenWeather{looks[i], t, looks[i].weather == SkyWeather::storm ? 1.0 : 0.0, 160, 1.3}.paintInMonth(p, r, months[i]);
            p.restore();
        }
        p.end();
        img.save(dir + "/gardens.png");
    }
    {  // Cat house at 4x: whole, whole snowy, front, front snowy.
        QImage img(4 * 4 * 60, 4 * 54, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor("#8DBE7C"));
        QPainter p(&img);
        p.scale(4, 4);
        CatHouseArt{CatHouseArt::Part::whole, false}.paint(p, QRectF(0, 0, 60, 54));
        CatHouseArt{CatHouseArt::Part::whole, true}.paint(p, QRectF(60, 0, 60, 54));
        CatHouseArt{CatHouseArt::Part::front, false}.paint(p, QRectF(120, 0, 60, 54));
        CatHouseArt{CatHouseArt::Part::front, true}.paint(p, QRectF(180, 0, 60, 54));
        p.end();
        img.save(dir + "/cathouse.png");
    }
    std::printf("written to %s\n", qPrintable(dir));
    return 0;
}
