#include "flows/session.h"

#include "device/device_volume.h"
#include "store/sqlite_db.h"

namespace vandrel {

Session::Session(DataFolder folder)
    : folder_(std::move(folder)),
      database_(std::make_unique<TrackDatabase>()),
      volume_(std::make_unique<DeviceVolume>()) {}

Session::~Session() = default;

void Session::openStore(bool tablesByDownload) {
    database_->openStore(folder_.file("Vandrel.db"),
                         tablesByDownload ? TrackDatabase::MissingTables::MadeByTheDownload
                                          : TrackDatabase::MissingTables::MadeNow);
}

void Session::closeStore() {
    database_->close();
}

void Session::useDevice(const std::string& path) {
    volume_->setDevicePath(path);
}

void Session::setOwnerThread(std::function<void(const std::function<void()>&)> runOnOwner) {
    runOnOwner_ = std::move(runOnOwner);
}

void Session::onOwnerThread(const std::function<void()>& step) const {
    if (runOnOwner_) {
        runOnOwner_(step);
    } else {
        step();
    }
}

}  // namespace vandrel
