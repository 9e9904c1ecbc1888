#include "persist/data_container.h"
