#pragma once
// The app's two ordinary windows: Settings (540 x 700, dark) and the Album (460 x 720). Their
// real contents arrive with the settings and album work; until then each hosts a small stand-in.
#include <QWidget>

#include <functional>

namespace kp {

// Where a window of `size` goes "centred under the notch": centred on the notched screen, just
// below both its usable area's top and the notch line (`notchHeight` points from the top).
QPoint centredUnderNotch(QSize size, double notchHeight);

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(QWidget* content = nullptr);
signals:
    void closing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

class AlbumWindow : public QWidget {
    Q_OBJECT
public:
    // `content` is given a way to close the window.
    explicit AlbumWindow(QWidget* content = nullptr);
};

}  // namespace kp
