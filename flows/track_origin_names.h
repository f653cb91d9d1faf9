#pragma once
// Where the tracks the page lists came from, as the list shows it: "logger", "archive
// NAME.prg" or the imported file's name (store/track_origins.h).

#include <string>
#include <vector>

#include "core/track_records.h"
#include "flows/session.h"

namespace vandrel {

// One name a track, in the tracks' order; a database failure gives empty names, as the list
// shows the tracks without them rather than not at all.
std::vector<std::string> trackOrigins(Session& session, const std::vector<TrackHeader>& tracks);

}  // namespace vandrel
