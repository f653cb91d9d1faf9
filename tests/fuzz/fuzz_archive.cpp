// libFuzzer target for the PC track archive reader: any bytes are loaded as an archive into
// an in-memory database. Nothing may crash, and nothing may be read or written outside the
// fuzzer's own folders.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "exchange/track_archive.h"

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
    Fixture() {
        folder = std::filesystem::temp_directory_path() /
                 ("vandrel-fuzz-archive-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder / "archive");
        // One photo the archive may name, so that the copy path runs too.
        std::FILE* photo = std::fopen((folder / "archive" / "p.jpg").c_str(), "wb");
        if (photo != nullptr) {
            std::fputs("photo", photo);
            std::fclose(photo);
        }
        db.openStore(":memory:");
        options.photosFolder = folder / "photos";
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;
    std::filesystem::path folder;
    vandrel::TrackDatabase db;
    vandrel::ArchiveLoadOptions options;
    CyclingPrompt prompt;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vandrel::loadArchiveText(text, fixture.folder / "archive.prg", fixture.db, fixture.prompt,
                             fixture.options);
    // Start every input from an empty database and an empty photos folder.
    fixture.db.execute("delete from TK;");
    fixture.db.execute("delete from TKPT;");
    std::error_code ec;
    std::filesystem::remove_all(fixture.options.photosFolder, ec);
    return 0;
}
