#include "archive.h"

#include <zip.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

namespace rebounder_host {
namespace fs = std::filesystem;
namespace {

struct ArchiveDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryClose {
    void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};
using OpenArchive = std::unique_ptr<zip_t, ArchiveDiscard>;
using OpenEntry = std::unique_ptr<zip_file_t, EntryClose>;

// libzip's words for the error code zip_open gives.
std::string openError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// An entry stays inside the folder it is unpacked into when its name is
// relative and takes no step up.
bool staysInside(const std::string& name) {
    const fs::path path(name);
    if (name.empty() || path.has_root_path()) return false;
    return std::none_of(path.begin(), path.end(), [](const fs::path& step) { return step == ".."; });
}

// Every entry's name, or empty with error set when one would leave the folder.
std::vector<std::string> entryNames(zip_t* archive, std::string& error) {
    std::vector<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t index = 0; index < count; ++index) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(index), 0);
        if (name == nullptr) {
            error = zip_strerror(archive);
            return {};
        }
        if (!staysInside(name)) {
            error = "its entry '" + std::string(name) + "' would land outside the folder it is unpacked into";
            return {};
        }
        names.emplace_back(name);
    }
    return names;
}

bool writeEntry(zip_t* archive, zip_uint64_t index, const fs::path& target, std::string& error) {
    const OpenEntry entry(zip_fopen_index(archive, index, 0));
    if (!entry) {
        error = zip_strerror(archive);
        return false;
    }
    std::ofstream file(target, std::ios::binary);
    char buffer[1 << 16];
    zip_int64_t read = 0;
    while (file && (read = zip_fread(entry.get(), buffer, sizeof buffer)) > 0) file.write(buffer, read);
    if (read < 0) {
        error = zip_file_strerror(entry.get());
        return false;
    }
    file.close();
    if (!file) error = "cannot write " + target.string();
    return static_cast<bool>(file);
}

}  // namespace

bool unpackArchive(const fs::path& archivePath, const fs::path& folder, std::string& error) {
    const std::string failure = "cannot unpack " + archivePath.string() + ": ";
    int code = ZIP_ER_OK;
    const OpenArchive archive(zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        error = failure + openError(code);
        return false;
    }
    std::string reason;
    const std::vector<std::string> names = entryNames(archive.get(), reason);
    if (!reason.empty()) {
        error = failure + reason;
        return false;
    }
    for (std::size_t index = 0; index < names.size(); ++index) {
        const fs::path target = folder / names[index];
        const bool isFolder = names[index].back() == '/';
        // A failure to make a folder shows when the file in it is written.
        std::error_code ignored;
        fs::create_directories(isFolder ? target : target.parent_path(), ignored);
        if (!isFolder && !writeEntry(archive.get(), index, target, reason)) {
            error = failure + names[index] + ": " + reason;
            return false;
        }
    }
    return true;
}

}  // namespace rebounder_host
