// Ride simulation and report: the main program, the profile loading, the
// power dialogue, the one-second ride loop with its detail file, and the
// summary on the screen.
#pragma once

namespace ride {

/// The main program: runs the whole pipeline once and ends with a stop.
void ride_main();

}  // namespace ride
