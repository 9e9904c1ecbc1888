#include "script/regexp.h"
