#pragma once
// The root element of an XML document, told from its first bytes, for telling a track file's
// format by its content when its name says nothing of it (".xml", or none at all).

#include <string>
#include <string_view>

namespace vandrel {

// The local name of the first element (without its prefix), after the byte order mark, the
// XML declaration, comments, instructions and a document type; empty when the bytes end
// before it or are no XML.
std::string xmlRootName(std::string_view head);

}  // namespace vandrel
