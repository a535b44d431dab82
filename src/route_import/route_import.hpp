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

/// Asks for the route, connects units 10, 20, 30 and 40, writes the detail
/// file's header, copies the first track of the GPX file into the track file
/// and builds the profile file, rewound for loading. Ends the program on
/// "stop" and on the errors it reports.
void import_route(rt::Text<80>& route_name, rt::Text<50>& detail_name);

}  // namespace route_import
