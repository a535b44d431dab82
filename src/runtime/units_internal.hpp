// Run-time internals shared by its own translation units.
#pragma once

namespace rt {

/// SIGINT, SIGTERM and SIGHUP close every unit and end with 128 + signal;
/// SIGPIPE is ignored so that a closed screen is a failed write.
void install_signal_handlers();

}  // namespace rt
