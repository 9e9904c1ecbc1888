#include "persist/settings_file.h"
