// Loads each component library named on the command line, as a host does,
// and asks it for its FMI version: fmi2GetVersion, Rebounder_fmiGetVersion
// for the FMI 1.0 component, fmi3GetVersion for the FMI 3.0 one. Exits 1 when a library does not load or answer.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        void* library = dlopen(argv[i], RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::printf("%s: does not load: %s\n", argv[i], dlerror());
            ++failures;
            continue;
        }
        using GetVersion = const char* (*)();
        auto version = reinterpret_cast<GetVersion>(dlsym(library, "fmi2GetVersion"));
        if (version == nullptr) version = reinterpret_cast<GetVersion>(dlsym(library, "Rebounder_fmiGetVersion"));
        if (version == nullptr) version = reinterpret_cast<GetVersion>(dlsym(library, "fmi3GetVersion"));
        const char* answer = version != nullptr ? version() : nullptr;
        std::printf("%s: FMI %s\n", argv[i], answer != nullptr ? answer : "(no version function)");
        const bool known = answer != nullptr && (std::strcmp(answer, "3.0") == 0 || std::strcmp(answer, "2.0") == 0 ||
                                                 std::strcmp(answer, "1.0") == 0);
        if (!known) ++failures;
        dlclose(library);
    }
    return failures == 0 ? 0 : 1;
}
