#pragma once
#include <QIcon>
#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace kp {

// The "circle.fill" symbol, drawn by us so it looks the same on every desktop.
QIcon circleFillIcon();

// The menu-bar extra: a tray icon titled "Kettlepaw" with the app's menu. On a desktop with no
// tray host it stays hidden and the menu is reached from the island instead.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QMenu* menu, QObject* parent = nullptr);
    ~TrayIcon() override;

private:
    QSystemTrayIcon* tray_;
};

}  // namespace kp
