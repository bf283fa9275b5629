#pragma once
// Whether the desktop has a tray host to show the app's menu in: the toolkit's own answer, asked
// again whenever a host may have come or gone, so it costs nothing in between.
#include "island/IslandController.h"

#include <QObject>

namespace kp {

class TrayHosts final : public QObject, public IslandTray {
    Q_OBJECT
public:
    TrayHosts();
    bool available() const override { return available_; }

private slots:
    void recheck();

private:
    bool available_ = false;
};

}  // namespace kp
