// Route import: the dialogue that names the route, the working files, the
// scan of the GPX route file into the track file, and the profile file built
// from the track file.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.hpp"

namespace route_import {

/// Position of the last character whose code lies from 33 to 126, or 0.
int32_t trimmed_length(std::string_view s);

/// Connects `unit` to the file `name` (first cut after its trimmed length,
/// in the caller's variable) so that reading and writing start at its
/// beginning: an existing file is reused and rewound, a missing one created.
void open_replacing(int32_t unit, rt::Text<50>& name);

/// Asks for the route, connects units 10 (GPX route file, read only), 20
/// (profile file "scratch"), 30 (track file) and 40 (detail file, holding its
/// header), copies the first track of the GPX file into the track file and
/// builds the profile file, rewound for loading. Sets `route_name` to the
/// track's name (blank when there is none) and `detail_name` to the detail
/// file's name. Ends the program (rt::StopRequest) with status 0 on "stop",
/// and with status 1 after reporting a read error, a bad track point or a
/// route without track points. Returns the number of track points, an upper
/// bound of the number of profile records.
int32_t import_route(rt::Text<80>& route_name, rt::Text<50>& detail_name);

}  // namespace route_import
