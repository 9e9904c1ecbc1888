#include "assets/image_ops_blend.h"
