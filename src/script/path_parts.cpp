#include "script/path_parts.h"
