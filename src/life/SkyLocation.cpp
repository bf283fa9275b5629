#include "life/SkyServices.h"

#include <QGeoCoordinate>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>

namespace kp {

QtSkyLocationProvider::QtSkyLocationProvider(QObject* parent) : SkyLocationProvider(parent) {}

QtSkyLocationProvider::~QtSkyLocationProvider() = default;

// Made at first use: loading the plugins and reaching the location service costs time at launch
// and is needed only once live weather is on.
QGeoPositionInfoSource* QtSkyLocationProvider::source() {
    if (triedSource_) return source_;
    triedSource_ = true;
    source_ = QGeoPositionInfoSource::createDefaultSource(this);
    if (!source_) return nullptr;
    source_->setPreferredPositioningMethods(QGeoPositionInfoSource::NonSatellitePositioningMethods);
    connect(source_, &QGeoPositionInfoSource::positionUpdated, this, [this](const QGeoPositionInfo& info) {
        if (!updating_) return;
        const QGeoCoordinate c = info.coordinate();
        if (!info.isValid() || !c.isValid()) return;
        emit locationsUpdated({SkyCoordinate{c.latitude(), c.longitude()}});
    });
    connect(source_, &QGeoPositionInfoSource::errorOccurred, this, [this](QGeoPositionInfoSource::Error e) {
        if (e == QGeoPositionInfoSource::NoError) return;
        emit failed(e == QGeoPositionInfoSource::AccessError);
    });
    return source_;
}

void QtSkyLocationProvider::startUpdating() {
    QGeoPositionInfoSource* s = source();
    if (!s) return;  // no location service at all: the caller's timeout ends the wait
    updating_ = true;
    s->startUpdates();
}

void QtSkyLocationProvider::stopUpdating() {
    updating_ = false;
    if (source_) source_->stopUpdates();
}

}  // namespace kp
