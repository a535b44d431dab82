#include "route_import/route_import.hpp"
