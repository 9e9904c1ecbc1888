#include "assets/image_ops_filters.h"
