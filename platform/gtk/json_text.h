#pragma once
// JSON text for the batches of model changes sent to the page. Every string the page receives
// goes through appendJsonString, so no text of the program or its user becomes script.

#include <string>
#include <string_view>

#include "ui/document.h"

namespace vandrel::gtk {

// Appends the text as a JSON string literal. Beyond JSON's own escapes, '<', '>' and '&' are
// escaped and so are U+2028 and U+2029, which older script parsers took as line ends.
void appendJsonString(std::string_view text, std::string& out);

// Appends one change as a JSON object: {"k":kind,"uid":...,"name":...,"value":...,...}.
void appendChangeJson(const ui::Change& change, std::string& out);

// An operation of the renderer's own (a frame's source, a browser host's address).
void appendOpJson(std::string_view kind, std::uint64_t uid, std::string_view value,
                  std::string& out);

}  // namespace vandrel::gtk
