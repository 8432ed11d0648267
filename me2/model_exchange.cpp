// FMI 2.0 model-exchange entry points of pellidor.
#include "events.h"
#include "logging.h"
#include "record.h"
