#include "assets/image_cache.h"
