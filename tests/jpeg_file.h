#pragma once
// A plain grey baseline JPEG made in code, so that the photo tests need no image files: every
// 8x8 block codes its DC difference 0 and an end of block, with one-code Huffman tables.
// `padding` bytes of entropy data follow the first block (never 0xFF, so no marker), to give
// the file the size of a camera's photo without the reader seeing more than its headers.

#include <cstddef>
#include <string>

namespace vandrel::testing {

inline std::string greyJpeg(int width, int height, std::size_t padding = 0) {
    auto segment = [](int marker, const std::string& body) {
        const std::size_t length = body.size() + 2;
        return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                           static_cast<char>(length & 0xFF)} +
               body;
    };
    std::string quantisation(1, '\0');
    quantisation += std::string(64, '\x01');
    const std::string frame{8,
                            static_cast<char>(height >> 8),
                            static_cast<char>(height & 0xFF),
                            static_cast<char>(width >> 8),
                            static_cast<char>(width & 0xFF),
                            1,
                            1,
                            0x11,
                            0};
    // One code of length 1 in each table: DC category 0, AC end of block.
    std::string dcTable{0x00, 1};
    dcTable += std::string(15, '\0') + std::string(1, '\0');
    std::string acTable{0x10, 1};
    acTable += std::string(15, '\0') + std::string(1, '\0');
    const std::string scan{1, 1, 0x00, 0, 63, 0};
    const std::size_t blocks = static_cast<std::size_t>((width + 7) / 8) * ((height + 7) / 8);
    // Two zero bits a block, the last byte filled with ones.
    std::string data((blocks * 2 + 7) / 8, '\0');
    const std::size_t usedBits = blocks * 2;
    if (usedBits % 8 != 0) {
        data.back() = static_cast<char>(0xFF >> (usedBits % 8));
    }
    data += std::string(padding, '\x55');
    return std::string{'\xFF', '\xD8'} + segment(0xDB, quantisation) + segment(0xC0, frame) +
           segment(0xC4, dcTable) + segment(0xC4, acTable) + segment(0xDA, scan) + data +
           std::string{'\xFF', '\xD9'};
}

}  // namespace vandrel::testing
