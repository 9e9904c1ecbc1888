#include "script/text_order.h"
