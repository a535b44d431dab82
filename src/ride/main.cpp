#include "ride/ride.hpp"
#include "runtime/io.hpp"

int main() { return rt::run_program(ride::ride_main); }
