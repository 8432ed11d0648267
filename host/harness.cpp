#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {
namespace {

thread_local Host* currentHost = nullptr;

// The message formatted with its arguments into entry.text, or the entry
// marked unformattable.
void formatInto(LogEntry& entry, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        entry.text = "<unformattable message>";
        entry.unformattable = true;
        return;
    }
    entry.text.assign(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(entry.text.data(), entry.text.size(), format, args);
    entry.text.resize(static_cast<std::size_t>(length));
}

void fmi2Logger(fmi2ComponentEnvironment environment, fmi2String instanceName, fmi2Status status,
                fmi2String category, fmi2String message, ...) {
    va_list args;
    va_start(args, message);
    Host::current()->record(environment, instanceName, status, category, message, args);
    va_end(args);
}

void fmi1Logger(fmiComponent c, fmiString instanceName, fmiStatus status, fmiString category, fmiString message,
                ...) {
    va_list args;
    va_start(args, message);
    Host::current()->record(c, instanceName, status, category, message, args);
    va_end(args);
}

void* allocateMemory(std::size_t count, std::size_t size) { return Host::current()->allocate(count, size); }
void freeMemory(void* block) { Host::current()->release(block); }

// The output lines of a shell command. The commands read ELF files with
// Linux tools, so on Windows there is nothing to run and no line.
std::vector<std::string> commandLines(const std::string& command) {
    std::vector<std::string> lines;
#ifdef _WIN32
    (void)command;
#else
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines.push_back(line);
    }
#endif
    return lines;
}

}  // namespace

Host::Host() : previous(currentHost) { currentHost = this; }

Host::~Host() {
    // Blocks a component failed to free are returned here so that a leak is
    // reported once, by the test that checks liveBlocks(), not again by tools.
    for (auto& [block, size] : blocks) std::free(block);
    currentHost = previous;
}

Host* Host::current() {
    if (currentHost == nullptr) {
        std::fputs("host harness: a component called back with no Host alive on this thread\n", stderr);
        std::abort();
    }
    return currentHost;
}

fmi2CallbackFunctions Host::fmi2Callbacks() {
    return fmi2CallbackFunctions{fmi2Logger, allocateMemory, freeMemory, nullptr, this};
}

fmiCallbackFunctions Host::fmi1Callbacks() { return fmiCallbackFunctions{fmi1Logger, allocateMemory, freeMemory}; }

std::size_t Host::blockSize(const void* block) const {
    auto found = blocks.find(const_cast<void*>(block));
    return found == blocks.end() ? 0 : found->second;
}

std::size_t Host::logCount(const std::string& category) const {
    std::size_t count = 0;
    for (const auto& entry : log) count += entry.category == category ? 1 : 0;
    return count;
}

void* Host::allocate(std::size_t count, std::size_t size) {
    ++allocationCount;
    if (failing.count(allocationCount) != 0 || (failFrom != 0 && allocationCount >= failFrom)) return nullptr;
    const std::size_t bytes = count * size;
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block != nullptr) blocks[block] = bytes;
    return block;
}

void Host::release(void* block) {
    ++freeCount;
    freed.push_back(block);
    if (block == nullptr) return;
    auto found = blocks.find(block);
    if (found == blocks.end()) {
        std::ostringstream message;
        message << "freeMemory(" << block << "): not a live block of this host (double free or foreign pointer)";
        errors.push_back(message.str());
        return;
    }
    blocks.erase(found);
    std::free(block);
}

void Host::record(void* first, const char* instanceName, int status, const char* category, const char* format,
                  va_list args) {
    LogEntry entry{first,
                   instanceName ? instanceName : "<null>",
                   status,
                   category ? category : "<null>",
                   format ? format : "<null>",
                   "<null>"};
    if (format != nullptr) formatInto(entry, format, args);
    log.push_back(entry);
    if (onLog) onLog(entry);
}

#ifdef _WIN32
Library::Library(const std::string& path) {
    std::string windowsPath = path;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    handle = reinterpret_cast<void*>(LoadLibraryA(windowsPath.c_str()));
    if (handle == nullptr) loadError = "LoadLibrary failed with error " + std::to_string(GetLastError());
}

Library::~Library() {
    if (handle != nullptr) FreeLibrary(static_cast<HMODULE>(handle));
}

void* Library::symbol(const char* name) const {
    return handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)) : nullptr;
}
#else
Library::Library(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* message = dlerror();
        loadError = message ? message : "dlopen failed";
    }
}

Library::~Library() {
    if (handle != nullptr) dlclose(handle);
}

void* Library::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }
#endif

Fmi2Api::Fmi2Api(const Library& library) {
#define REBOUNDER_LOOK_UP(name) name = library.function<decltype(name)>(#name);
    REBOUNDER_FMI2_FUNCTIONS(REBOUNDER_LOOK_UP)
#undef REBOUNDER_LOOK_UP
}

std::vector<std::string> Fmi2Api::missingForStrictHost(fmi2Type interfaceType, std::size_t& required) const {
    std::vector<std::string> missing;
    required = 0;
    const auto lookUp = [&](const void* function, const char* name) {
        ++required;
        if (function == nullptr) missing.push_back(name);
    };
#define REBOUNDER_LOOK_UP(name) lookUp(reinterpret_cast<const void*>(name), #name);
    REBOUNDER_FMI2_COMMON_FUNCTIONS(REBOUNDER_LOOK_UP)
    if (interfaceType == fmi2ModelExchange) {
        REBOUNDER_FMI2_MODEL_EXCHANGE_FUNCTIONS(REBOUNDER_LOOK_UP)
    } else {
        REBOUNDER_FMI2_CO_SIMULATION_FUNCTIONS(REBOUNDER_LOOK_UP)
    }
#undef REBOUNDER_LOOK_UP
    return missing;
}

Fmi1Api::Fmi1Api(const Library& library, const std::string& prefix) {
#define REBOUNDER_LOOK_UP(name) name = library.function<decltype(name)>((prefix + #name).c_str());
    REBOUNDER_FMI1_FUNCTIONS(REBOUNDER_LOOK_UP)
#undef REBOUNDER_LOOK_UP
}

Fmi3Api::Fmi3Api(const Library& library) {
#define REBOUNDER_LOOK_UP(name) name = library.function<decltype(name)>(#name);
    REBOUNDER_FMI3_FUNCTIONS(REBOUNDER_LOOK_UP)
#undef REBOUNDER_LOOK_UP
}

std::vector<std::string> exportedSymbols(const std::string& libraryPath) {
    std::vector<std::string> names;
    for (const auto& line : commandLines("nm -D --defined-only '" + libraryPath + "' 2>/dev/null")) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.push_back(name);
    }
    return names;
}

std::vector<std::string> neededLibraries(const std::string& libraryPath) {
    std::vector<std::string> needed;
    for (const auto& line : commandLines("readelf -d '" + libraryPath + "' 2>/dev/null")) {
        auto open = line.find("(NEEDED)");
        if (open == std::string::npos) continue;
        auto start = line.find('[');
        auto end = line.find(']');
        if (start != std::string::npos && end != std::string::npos) needed.push_back(line.substr(start + 1, end - start - 1));
    }
    return needed;
}

}  // namespace host
