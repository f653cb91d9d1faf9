#include "flows/track_origin_names.h"

#include "store/track_origins.h"

namespace vandrel {

std::vector<std::string> trackOrigins(Session& session, const std::vector<TrackHeader>& tracks) {
    std::vector<std::string> names(tracks.size());
    try {
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            names[i] = originOf(session.database(), tracks[i]);
        }
    } catch (const CppSQLite3Exception&) {
        names.assign(tracks.size(), std::string());
    }
    return names;
}

}  // namespace vandrel
