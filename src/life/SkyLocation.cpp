#include "life/SkyServices.h"

#include <QGeoCoordinate>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>

namespace kp {

QtSkyLocationProvider::QtSkyLocationProvider(QObject* parent) : SkyLocationProvider(parent) {}

QtSkyLocationProvider::QtSkyLocationProvider(QString sourceName, QVariantMap parameters, QObject* parent)
    : SkyLocationProvider(parent), sourceName_(std::move(sourceName)), parameters_(std::move(parameters)) {}

QtSkyLocationProvider::~QtSkyLocationProvider() = default;

// Made at first use: loading the plugins and reaching the location service costs time at launch
// and is needed only once live weather is on. A source that was refused is made afresh at the next
// start, so a permission granted in the meantime is seen (a refused source stays refused).
QGeoPositionInfoSource* QtSkyLocationProvider::source() {
    if (source_ && !refused_) return source_;
    if (source_) source_->deleteLater();
    refused_ = false;
    source_ = sourceName_.isEmpty() ? QGeoPositionInfoSource::createDefaultSource(parameters_, this)
                                    : QGeoPositionInfoSource::createSource(sourceName_, parameters_, this);
    if (!source_) return nullptr;
    // Connected before anything else: the source may refuse while it is being set up.
    connect(source_, &QGeoPositionInfoSource::positionUpdated, this, [this](const QGeoPositionInfo& info) {
        if (!updating_) return;
        const QGeoCoordinate c = info.coordinate();
        if (!info.isValid() || !c.isValid()) return;
        emit locationsUpdated({SkyCoordinate{c.latitude(), c.longitude()}});
    });
    connect(source_, &QGeoPositionInfoSource::errorOccurred, this, [this](QGeoPositionInfoSource::Error e) {
        if (e == QGeoPositionInfoSource::NoError) return;
        const bool refused = e == QGeoPositionInfoSource::AccessError;
        if (refused) refused_ = true;
        emit failed(refused);
    });
    source_->setPreferredPositioningMethods(QGeoPositionInfoSource::NonSatellitePositioningMethods);
    return source_;
}

void QtSkyLocationProvider::startUpdating() {
    updating_ = true;
    QGeoPositionInfoSource* s = source();
    // No location service at all, or refused while setting up: the caller has heard or will time out.
    if (!s || !updating_ || refused_) return;
    s->startUpdates();
}

void QtSkyLocationProvider::stopUpdating() {
    updating_ = false;
    if (source_ && !refused_) source_->stopUpdates();
}

}  // namespace kp
