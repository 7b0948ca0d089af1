#include "support/Loopback.h"
