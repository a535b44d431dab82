#include "models/models.hpp"
