#pragma once
// A stand-in service on a private bus, on a connection of its own: it takes one method of one
// object and answers it as its subclass says; held, it keeps the questions until released.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QString>

namespace kp::test {

class HeldBusService : public QDBusVirtualObject {
public:
    // `busVariable` names the environment variable holding the bus's address.
    HeldBusService(const char* busVariable, QString service, QString path, QString method)
        : service_(std::move(service)), path_(std::move(path)), method_(std::move(method)) {
        QDBusConnection bus = QDBusConnection::connectToBus(qEnvironmentVariable(busVariable), service_);
        registered_ = bus.registerVirtualObject(path_, this) && bus.registerService(service_);
    }
    ~HeldBusService() override {
        // Off the bus's tree first: closing the connection later, on the bus's own thread, must
        // find no object of ours.
        QDBusConnection bus(service_);
        bus.unregisterService(service_);
        bus.unregisterObject(path_);
        QDBusConnection::disconnectFromBus(service_);
    }
    bool registered() const { return registered_; }
    void stall() { stalled_ = true; }
    void release() {
        stalled_ = false;
        for (const QDBusMessage& question : held_) answer(question);
        held_.clear();
    }
    int calls() const { return calls_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.member() != method_) return false;
        ++calls_;
        if (stalled_) held_.push_back(message);
        else answer(message);
        return true;
    }

protected:
    virtual void answer(const QDBusMessage& question) = 0;
    // The connection to answer on.
    QDBusConnection bus() const { return QDBusConnection(service_); }

private:
    QString service_, path_, method_;
    QList<QDBusMessage> held_;
    bool stalled_ = false;
    bool registered_ = false;
    int calls_ = 0;
};

}  // namespace kp::test
