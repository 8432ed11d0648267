// What the recording build and the host check agree on: the environment
// variable that names the call record's file, and the line the file starts
// with (it changes when the format of the lines does).
#pragma once

namespace recording {

inline constexpr char recordVariable[] = "REBOUNDER_CALL_RECORD";
inline constexpr char recordFirstLine[] = "rebounder call record 1\n";

}  // namespace recording
