#pragma once
// Helpers of the exchange tests: tracks made in code, running the independent readers, and
// reading zip archives with minizip's reader.

#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ole_date.h"
#include "core/track_records.h"
#include "test_support.h"

namespace vandrel::testing {

inline double oleDate(int year, int month, int day, int hour, int minute, int second) {
    SystemTime st;
    st.year = year;
    st.month = month;
    st.day = day;
    st.hour = hour;
    st.minute = minute;
    st.second = second;
    double date = 0;
    SystemTimeToVariantTime(st, date);
    return date;
}

inline TrackPoint makePoint(float lat, float lng, double sdate, float alt = 0, float bar = 0,
                            float tmp = 0, std::string pho = {}) {
    TrackPoint p;
    p.lat = lat;
    p.lng = lng;
    p.sdate = sdate;
    p.alt = alt;
    p.bar = bar;
    p.tmp = tmp;
    p.pho = std::move(pho);
    return p;
}

// A track of n points going north from (lat, lng), one every 5 s, about 11 m apart.
inline TrackHeader makeTrack(int n, double start, float lat = 22.5f, float lng = 114.25f,
                             int tzome = 0) {
    TrackHeader track;
    track.tzome = tzome;
    track.trail = 7;
    for (int i = 0; i < n; ++i) {
        track.points.push_back(makePoint(lat + 0.0001f * static_cast<float>(i), lng,
                                         start + i * 5.0 / 86400.0, 100.0f + i, 1013.25f, 20.5f));
    }
    return track;
}

struct ToolRun {
    int exitCode = -1;
    std::string out;
};

// Runs a shell command, standard output captured, standard error appended to it.
inline ToolRun runTool(const std::string& command) {
    ToolRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline bool hasTool(const std::string& name) {
    return runTool("command -v " + name + " >/dev/null").exitCode == 0;
}

inline std::string quotedPath(const std::filesystem::path& path) {
    const std::string name = path.string();
    return "'" + name + "'";
}

// The independent readers: scripts/deps.sh installs them.
#define SKIP_WITHOUT_TOOL(name) VANDREL_SKIP_UNLESS(::vandrel::testing::hasTool(name), name)

struct ZipEntry {
    std::string name;
    unz_file_info64 info{};
    std::string data;
};

// Every entry of a zip archive in the order of its central directory.
inline std::vector<ZipEntry> readZip(const std::filesystem::path& path) {
    std::vector<ZipEntry> entries;
    unzFile zip = unzOpen64(path.c_str());
    if (zip == nullptr) {
        return entries;
    }
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        ZipEntry entry;
        char name[1024] = {};
        unzGetCurrentFileInfo64(zip, &entry.info, name, sizeof name, nullptr, 0, nullptr, 0);
        entry.name = name;
        if (unzOpenCurrentFile(zip) == UNZ_OK) {
            char buffer[8192];
            int got = 0;
            while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
                entry.data.append(buffer, static_cast<size_t>(got));
            }
            unzCloseCurrentFile(zip);
        }
        entries.push_back(std::move(entry));
    }
    unzClose(zip);
    return entries;
}

// The files of a folder, by name.
inline std::vector<std::string> fileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vandrel::testing
