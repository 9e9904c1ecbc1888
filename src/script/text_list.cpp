#include "script/text_list.h"
