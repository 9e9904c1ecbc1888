#include "assets/image_ops_basic.h"
