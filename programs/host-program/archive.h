// Unpacking an .fmu, a zip archive, into a folder of its own.
#pragma once

#include <filesystem>
#include <string>

namespace rebounder_host {

// Unpacks every entry of archive into folder. False, with error set, when
// libzip cannot read the archive (its own words follow), when an entry's name
// would put it outside folder (an absolute path or a .. step: nothing is
// written then), or when a file cannot be written.
bool unpackArchive(const std::filesystem::path& archive, const std::filesystem::path& folder, std::string& error);

}  // namespace rebounder_host
