#pragma once
// A store in a fresh folder of its own, for one test.
#include "platform/Defaults.h"

#include <QTemporaryDir>
#include <memory>

namespace kp::test {

struct ScratchStore {
    QTemporaryDir dir;
    std::unique_ptr<Defaults> store = open();

    std::unique_ptr<Defaults> open() const {
        return std::make_unique<Defaults>(dir.path() + "/config/kettlepaw.conf", dir.path() + "/data");
    }
    // Drops the store and opens it again from its files, as a restarted app would.
    void restart() {
        store.reset();
        store = open();
    }
    Defaults& operator*() { return *store; }
    Defaults* operator->() { return store.get(); }
};

}  // namespace kp::test
