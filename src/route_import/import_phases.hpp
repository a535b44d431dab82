// The scan and profile phases of import_route, which share its units:
// 10 (GPX route file), 20 (profile file), 30 (track file).
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.hpp"

namespace route_import {

inline constexpr int32_t k_route_unit = 10;    // GPX route file, read only
inline constexpr int32_t k_profile_unit = 20;  // profile file "scratch"
inline constexpr int32_t k_track_unit = 30;    // track file, base name + ".trk"
inline constexpr int32_t k_detail_unit = 40;   // detail file, base name + ".txt"

/// Scan phase: copies every point of the first track of unit 10 into unit 30
/// as "(A9,3X,A9,3X,A7)" records (longitude, latitude, elevation texts) and
/// the track's name into `route_name`. Returns the number of points written.
/// Ends the program on a read error or a point that cannot be read back.
int32_t scan_track(rt::Text<80>& route_name);

/// Profile phase: announces `ntrk` points, reads unit 30 back and writes one
/// "(F12.1,4F8.2)" record per kept point to unit 20, then rewinds it. Ends
/// the program when there is no point; `gpx_name` names the route file then.
void build_profile(int32_t ntrk, std::string_view gpx_name);

/// Ends a failed import with exit status 1. The track file keeps what was
/// written to it; the profile file is left empty, and so is a track file
/// that received nothing, so that no working file holds an earlier route.
[[noreturn]] void abandon_import();

}  // namespace route_import
