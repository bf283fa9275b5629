#pragma once
#include <QObject>
#include <QIcon>

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
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;
    QMenu* menu() const { return menu_; }
    bool isShownInTray() const;

private:
    QMenu* menu_;
    QSystemTrayIcon* tray_;
};

}  // namespace kp
