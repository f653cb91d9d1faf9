// libFuzzer target for the importer of other programs' track files: any bytes are imported as
// a GPX, TCX or KML document into an in-memory database. Nothing may crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/track_import.h"

namespace {

// Answers every overwrite question differently, so that all three paths are taken.
class CyclingPrompt : public vandrel::UserPrompt {
  public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string&, const std::string&) override {}
    void error(const std::string&) override {}
    vandrel::OverwriteAnswer askOverwrite(const std::string&, const std::string&) override {
        next_ = (next_ + 1) % 3;
        return static_cast<vandrel::OverwriteAnswer>(next_);
    }
    std::optional<std::string> chooseOpenFile(const vandrel::FileFilter&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const vandrel::FileFilter&) override { return {}; }
    void beginBusy() override {}
    void endBusy() override {}

  private:
    int next_ = 0;
};

struct Fixture {
    Fixture() { db.openStore(":memory:"); }
    vandrel::TrackDatabase db;
    vandrel::ImportOptions options;
    CyclingPrompt prompt;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vandrel::importTrackText(text, "fuzz.gpx", fixture.db, fixture.prompt, fixture.options);
    // Start every input from an empty database.
    fixture.db.execute("delete from TK;");
    fixture.db.execute("delete from TKPT;");
    return 0;
}
