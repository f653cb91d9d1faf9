// Writes the erase image "erase.bin" that ships with the program: 512 blocks of 0xFF, the
// state of erased flash, except the log-present word, which is 0 so that a download after the
// erase finds no log. The erase overwrites the first 4642 bytes with the logger's own settings
// and POI areas before it writes the image.
//
// Usage: make_erase_image OUTPUT

#include <cstdio>
#include <vector>

#include "device/log_layout.h"

namespace {

constexpr size_t kBlockSize = 4096;
constexpr size_t kFirstBlock = 512;
constexpr size_t kImageSize = 512 * kBlockSize;
constexpr size_t kPresentAt = (vandrel::log_layout::kPresentBlock - kFirstBlock) * kBlockSize +
                              vandrel::log_layout::kPresentOffset;
static_assert(kPresentAt == 0x5210);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 1;
    }
    std::vector<unsigned char> image(kImageSize, 0xFF);
    for (size_t i = 0; i < 4; ++i) {
        image[kPresentAt + i] = 0;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
