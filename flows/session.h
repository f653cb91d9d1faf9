#pragma once
// One running program's hold on its data: the folder of its files, the connection to its track
// database, the logger volume, the program's copy of the logger settings, and the notices the
// pages subscribe to. Each program's main makes one (the desktop program, vandrel-cli, every
// test and benchmark) and hands it to whoever needs it; two sessions on two folders live side
// by side in one process.
//
// Threads. The session belongs to the thread that made it, the owner (the desktop program's UI
// thread). A command flow may run on a worker (ui::CommandRunner): while it runs, it alone uses
// database() and volume(), since the pages start no second command and the owner does not
// touch them. Everything else (settings and the notices) is the owner's: a flow on a worker
// reaches it only through onOwnerThread, which runs the step there and returns when it is done.
// During such a step the worker waits, so the owner's listeners may read the database then (the
// track page reloads its day when tracksChanged comes).

#include <functional>
#include <memory>

#include "core/device_settings.h"
#include "core/program_path.h"
#include "flows/listeners.h"

namespace vandrel {

class TrackDatabase;
class DeviceVolume;

// What changed in the stored tracks (or in the settings the track page shows them in).
struct TracksChange {
    // The start of the newest track a download found, so that the calendar opens on it; 0 when
    // the calendar keeps its month.
    double newestStart = 0;
};

class Session {
  public:
    explicit Session(DataFolder folder);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const DataFolder& folder() const { return folder_; }
    TrackDatabase& database() { return *database_; }
    DeviceVolume& volume() { return *volume_; }

    // Opens "Vandrel.db" of the folder and creates its missing tables (all of them now, or the
    // tables a download makes in its own transaction, see TrackDatabase::openStore).
    void openStore(bool tablesByDownload = false);
    void closeStore();
    // `--device`: the logger volume to use instead of searching the mounted drives.
    void useDevice(const std::string& path);

    // How a worker reaches the owner thread; by default the step runs on the caller's thread
    // (the command-line tool and the tests run flows on the owner thread).
    void setOwnerThread(std::function<void(const std::function<void()>&)> runOnOwner);
    void onOwnerThread(const std::function<void()>& step) const;

    // The program's copy of the logger settings ("settings.xml").
    DeviceSettings settings;
    // The stored tracks changed (a download, a load) or the units and clock they are shown in.
    Listeners<const TracksChange&> tracksChanged;
    // A flow is about to replace or delete stored tracks: a replay stops and lets go of them.
    Listeners<> playbackStop;
    // The maps offered changed (an offline map file or a tile service added): every open map
    // page offers them at once, and the Settings page lists them.
    Listeners<> mapSourcesChanged;

  private:
    DataFolder folder_;
    std::unique_ptr<TrackDatabase> database_;
    std::unique_ptr<DeviceVolume> volume_;
    std::function<void(const std::function<void()>&)> runOnOwner_;
};

}  // namespace vandrel
