#pragma once
// Hand-built "temp.hdr" and "temp.log" bytes for the index scan and the record decoder, so that
// each layout case is written out in the test that checks it.

#include <cstdint>
#include <cstring>
#include <vector>

#include "device/log_layout.h"

namespace vandrel::testing {

struct Fix {
    int32_t latitude = 47000000;
    int32_t longitude = 8000000;
    uint32_t time = 1700000000;
    int16_t offset = 0;
    int16_t altitude = 1000;
    int32_t pressure = 1013;
    float temperature = 21.5f;
};

class LogBytes {
  public:
    std::vector<uint8_t> index = std::vector<uint8_t>(log_layout::kHeaderFileSize, 0xFF);
    std::vector<uint8_t> log = std::vector<uint8_t>(log_layout::kLogFileSize, 0xFF);

    void entry(int i, int32_t key, int32_t sequence) {
        uint8_t* e = index.data() + log_layout::kEntrySize * i;
        put(e, key);
        put(e + 4, uint16_t{0});
        put(e + 6, uint16_t{0});
        put(e + 8, sequence);
    }

    void record(int chunk, int n, const Fix& fix) {
        uint8_t* r = log.data() + log_layout::kChunkSize * chunk + log_layout::kRecordSize * n;
        put(r, fix.latitude);
        put(r + 4, fix.longitude);
        put(r + 8, fix.time);
        put(r + 12, fix.offset);
        put(r + 14, fix.altitude);
        put(r + 16, fix.pressure);
        put(r + 20, fix.temperature);
        r[24] = 0;
        r[25] = 0;
    }

    // count records from (chunk, 0) on, one second and about 11 m apart: all plausible.
    void walk(int chunk, int count, Fix fix = {}) {
        for (int n = 0; n < count; ++n) {
            record(chunk + n / log_layout::kRecordsPerChunk, n % log_layout::kRecordsPerChunk, fix);
            fix.latitude += 100;
            fix.time += 1;
        }
    }

  private:
    template <typename T>
    static void put(uint8_t* p, T value) {
        std::memcpy(p, &value, sizeof value);  // the build hosts are little-endian
    }
};

}  // namespace vandrel::testing
