// The two steps of smooth_profile, exposed for tests that need to start one of
// them from a given profile. Not part of the module's contract.
#pragma once

#include "models/models.hpp"

namespace models::detail {

/// Ten forward, in-place passes of chord smoothing of points 2 .. npts-1; a
/// point whose outer span is zero keeps its elevation in that pass.
void smooth_elevations(Profile& profile);

/// Deletes every point at the top of a rise steeper than 0.25 from the last
/// kept point before it, in one linear pass.
void delete_steep_tops(Profile& profile);

}  // namespace models::detail
