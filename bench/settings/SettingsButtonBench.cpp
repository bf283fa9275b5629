// A frame of a settings button's press spring: the button alone repainted at a scale off 1. A
// press and its release draw about 26 such frames each until the spring settles.
#include "settings/SettingsKit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>

// Argument: the screen's pixel density (1 or 2).
static void TobbiButtonSpringFrame(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "settings_button_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    const int dpr = int(state.range(0));
    kp::TobbiButton button(QStringLiteral("Restore defaults"), true);
    button.resize(button.sizeHint());
    button.setDown(true);
    QEvent follow(QEvent::User);  // the button follows its pressed state on its next event
    QCoreApplication::sendEvent(&button, &follow);
    QImage img(button.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    for (auto _ : state) {
        button.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["scale"] = button.scale();
}
BENCHMARK(TobbiButtonSpringFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
