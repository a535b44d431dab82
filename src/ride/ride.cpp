#include "ride/ride.hpp"

namespace ride {
void ride_main() {}
}  // namespace ride
