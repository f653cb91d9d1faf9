#pragma once
// Text in this program is UTF-8 in std::string. Wide text (std::wstring, UTF-32 on Linux) is
// only met at the edges that still think in wide characters; these helpers convert between the
// two. Invalid UTF-8 becomes U+FFFD, so a converted text is always valid.

#include <string>
#include <string_view>

namespace vandrel {

bool isValidUtf8(std::string_view text);
std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);
// Replaces every invalid sequence by U+FFFD.
std::string sanitizeUtf8(std::string_view text);
// The text made safe to print on a terminal line: valid UTF-8 (as sanitizeUtf8) in which every
// control character (C0, DEL and C1) is written as an escape, "\n", "\t" or "\x1b", so that a
// name or another program's message can neither break the line nor steer the terminal.
std::string printableText(std::string_view text);

}  // namespace vandrel
