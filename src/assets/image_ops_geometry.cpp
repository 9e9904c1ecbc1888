#include "assets/image_ops_geometry.h"
