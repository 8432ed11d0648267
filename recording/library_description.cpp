// What a recording library says of itself in the record's "library" line:
// its name, FMI version and interface, given by the build.
#include "call_record.h"

const recording::LibraryDescription recording::recordedLibrary{REBOUNDER_RECORDED_LIBRARY, REBOUNDER_RECORDED_VERSION,
                                                               REBOUNDER_RECORDED_INTERFACE};
