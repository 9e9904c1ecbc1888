#include "assets/image_tables.h"
