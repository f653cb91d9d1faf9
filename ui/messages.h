#pragma once
// Window messages. The private numbers are the ones every page object already agrees on; the
// system numbers keep their familiar values so that traces read the same on every platform.

#include <cstdint>

namespace vandrel::ui {

using MessageId = unsigned;

struct Message {
    MessageId id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// System messages the toolkit delivers.
inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_SIZE = 0x0005;
inline constexpr MessageId WM_ENABLE = 0x000A;
inline constexpr MessageId WM_NOTIFY = 0x004E;
// wParam: the virtual key code; lParam: the modifier bits (CONTROL_KEY_PRESSED and the others
// of ui/events.h), as the model reports them.
inline constexpr MessageId WM_KEYDOWN = 0x0100;
inline constexpr MessageId WM_TIMER = 0x0113;
inline constexpr MessageId WM_MOUSEMOVE = 0x0200;
inline constexpr MessageId WM_LBUTTONDOWN = 0x0201;
inline constexpr MessageId WM_LBUTTONUP = 0x0202;
inline constexpr MessageId WM_LBUTTONDBLCLK = 0x0203;
inline constexpr MessageId WM_RBUTTONDOWN = 0x0204;
inline constexpr MessageId WM_RBUTTONUP = 0x0205;
inline constexpr MessageId WM_MOUSEWHEEL = 0x020A;  // wParam: key flags, delta in the high word
inline constexpr MessageId WM_MOUSELEAVE = 0x02A3;

// Private messages of the program.
inline constexpr MessageId WM_ELEMENT_COMMAND = 1124;
inline constexpr MessageId WM_FRAME_MAXRESTORE = 2024;
inline constexpr MessageId MSG_MAP_FOUND = 2026;
inline constexpr MessageId MSG_TRACK_LINE_CLICK = 2027;
inline constexpr MessageId MSG_ADD_PHOTO = 2028;
inline constexpr MessageId MSG_PHOTO_CLICK = 2029;
inline constexpr MessageId MSG_REMOVE_PHOTO = 2030;
inline constexpr MessageId MSG_DATE_CHANGED = 2031;
inline constexpr MessageId MSG_CHART_CLICK = 3024;
inline constexpr MessageId MSG_MAP_LOADED = 4025;

// Notification codes carried by WM_NOTIFY.
inline constexpr int NM_CLICK = -2;
inline constexpr int NM_DBLCLK = -3;
inline constexpr int NM_RETURN = -4;
inline constexpr int NM_RCLICK = -5;
inline constexpr int LVN_ITEMCHANGED = -101;

// Mouse-message parameters: wParam holds the key flags, lParam the client point packed as on
// the original platform (x in the low word, y in the high word, both signed).
inline constexpr std::uintptr_t MK_LBUTTON = 0x1;
inline constexpr std::uintptr_t MK_RBUTTON = 0x2;
inline constexpr std::uintptr_t MK_SHIFT = 0x4;
inline constexpr std::uintptr_t MK_CONTROL = 0x8;

inline std::intptr_t makePointParam(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(x & 0xFFFF));
}
inline int pointParamX(std::intptr_t l) {
    return static_cast<std::int16_t>(l & 0xFFFF);
}
inline int pointParamY(std::intptr_t l) {
    return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}

}  // namespace vandrel::ui
