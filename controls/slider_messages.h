// Messages of the skinned slider control (GrpScrl) and the notifications it sends its parent.
//
// The GSM_ numbers reuse the private message range of the main window's vocabulary; they mean
// what is written here only when sent to a slider window.
//
// Thread contract: constants and pure helpers only.
#pragma once

#include <cstdint>

#include "platform/message_target.h"

namespace moksel {

// To a slider. Positions are in the slider's own units (tenths of a second on the position bars).
constexpr unsigned GSM_SETRANGE = 0x401;         // w = min, l = max; result 0
constexpr unsigned GSM_GETMAX = 0x402;           // result: max
constexpr unsigned GSM_GETMIN = 0x403;           // result: min
constexpr unsigned GSM_SETPOS = 0x404;           // w = position, clamped; a vertical slider reports back
constexpr unsigned GSM_GETPOS = 0x405;           // result: position
constexpr unsigned GSM_SETTHUMB = 0x406;         // w = thumb length in pixels, clamped to 4..track-10
constexpr unsigned GSM_GETTHUMB = 0x407;         // result: thumb length
constexpr unsigned GSM_SETMARGIN = 0x408;        // w = inset across the slider, clamped to 0..cross/2-2
constexpr unsigned GSM_GETMARGIN = 0x409;        // result: margin
constexpr unsigned GSM_SETPOSFROMPIXEL = 0x40D;  // w = pixel column; horizontal only, then notifies
constexpr unsigned GSM_PIXELTOPOS = 0x40E;       // w = pixel column; result: its position, nothing changes
constexpr unsigned GSM_SETMARK = 0x40F;          // w = mark position, shared by every long slider

// From a slider to its parent: the scroll notifications. Their numbers lie below the private
// range (0x401..0x442), so they can never be mistaken for a private message.
//   wParam: low 16 bits the scroll code (always GSM_SB_THUMBPOSITION), high 16 bits the
//           position's low 16 bits (positions above 65535 cannot travel);
//   lParam: address of the sending GrpScrl.
constexpr unsigned GSM_NOTIFY_HSCROLL = 0x114;  // from a horizontal slider
constexpr unsigned GSM_NOTIFY_VSCROLL = 0x115;  // from a vertical slider
constexpr unsigned GSM_SB_THUMBPOSITION = 4;

constexpr WParam makeScrollWParam(unsigned code, int position) {
    return static_cast<WParam>((code & 0xFFFFu) |
                               ((static_cast<std::uint32_t>(position) & 0xFFFFu) << 16));
}
constexpr unsigned scrollCode(WParam w) { return static_cast<unsigned>(w & 0xFFFFu); }
constexpr int scrollPosition(WParam w) { return static_cast<int>((w >> 16) & 0xFFFFu); }

}  // namespace moksel
