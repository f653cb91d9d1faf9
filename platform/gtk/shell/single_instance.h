#pragma once
// One instance per program folder: the first start listens on an abstract local socket named
// after the folder; a later start finds it taken, asks the first to come forward and ends. The
// socket needs no desktop session bus and disappears with the process that held it.

#include <gio/gio.h>

#include <filesystem>
#include <functional>

namespace vandrel::gtk {

class SingleInstance {
  public:
    // `raise` runs on the loop whenever a later start asks.
    SingleInstance(const std::filesystem::path& folder, std::function<void()> raise);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another instance holds the folder (it has been asked to come forward).
    bool isFirst() const { return service_ != nullptr; }

  private:
    GSocketService* service_ = nullptr;
    std::function<void()> raise_;
};

}  // namespace vandrel::gtk
