#include "test_host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace test_host {
namespace {

namespace fs = std::filesystem;

void unzip(const Arguments& a, const fs::path& directory) {
    const std::string command = "unzip -q -o '" + a.fmu + "' -d '" + directory.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot unpack %s\n", a.fmu.c_str());
        std::exit(1);
    }
}

}  // namespace

// With semicolons as a host set up for a decimal-comma locale writes it:
// quoted names, semicolons between fields, decimal commas.
void writeCsv(const std::string& path, const std::vector<Row>& rows, bool semicolons) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return;
    std::fputs(semicolons ? "\"time\";\"height\";\"velocity\"\n" : "time,height,velocity\n", file);
    for (const Row& r : rows) {
        char line[128];
        std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g\n", r.time, r.height, r.velocity);
        for (char* c = line; semicolons && *c != '\0'; ++c) *c = *c == ',' ? ';' : *c == '.' ? ',' : *c;
        std::fputs(line, file);
    }
    std::fclose(file);
}

Arguments parse(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s FMU CSV STOP STEP WORKDIR [FLAG]\n", argv[0]);
        std::exit(2);
    }
    return {argv[1], argv[2], std::atof(argv[3]), std::atof(argv[4]), argv[5], argc > 6 ? argv[6] : ""};
}

Component unpack(const Arguments& a) {
    const fs::path directory = fs::path(a.workdir) / "unpacked";
    unzip(a, directory);
    // The library for this program's own width, as a host loads it.
    const char* platform = sizeof(void*) == 8 ? "linux64" : "linux32";
    for (const auto& entry : fs::directory_iterator(directory / "binaries" / platform)) {
        return {entry.path().string(), entry.path().stem().string()};
    }
    std::fprintf(stderr, "no library in %s\n", a.fmu.c_str());
    std::exit(1);
}

Fmi3Component unpackFmi3(const Arguments& a) {
    const fs::path directory = fs::path(a.workdir) / "unpacked";
    unzip(a, directory);
    std::ifstream file(directory / "modelDescription.xml");
    const std::string text(std::istreambuf_iterator<char>(file), {});
    std::smatch token;
    const bool found = std::regex_search(text, token, std::regex("instantiationToken=\"([^\"]*)\""));
    // The library for this program's own width, in FMI 3.0's platform folder.
    const char* platform = sizeof(void*) == 8 ? "x86_64-linux" : "x86-linux";
    const fs::path library = directory / "binaries" / platform / "varnelle.so";
    return {library.string(), found ? token[1].str() : ""};
}

void printLog(const host::Host& host) {
    static std::size_t printed = 0;
    for (; printed < host.log.size(); ++printed) {
        const host::LogEntry& e = host.log[printed];
        std::printf("[%d] %s: %s\n", e.status, e.category.c_str(), e.text.c_str());
    }
}

int coSimulate(const host::Fmi2Api& f, fmi2Component c, const host::Host& host, const Arguments& a, bool multiply) {
    const fmi2ValueReference references[2] = {0, 1};
    double x[2] = {0.0, 0.0};
    f.fmi2GetReal(c, references, 2, x);
    std::vector<Row> rows{{0.0, x[0], x[1]}};
    const long steps = std::lround(a.stop / a.step);
    double t = 0.0;
    fmi2Status status = fmi2OK;
    for (long n = 0; n < steps && status == fmi2OK; ++n) {
        status = f.fmi2DoStep(c, multiply ? static_cast<double>(n) * a.step : t, a.step, fmi2True);
        t = multiply ? static_cast<double>(n + 1) * a.step : t + a.step;
        f.fmi2GetReal(c, references, 2, x);
        rows.push_back({t, x[0], x[1]});
        printLog(host);
    }
    if (status != fmi2OK) std::fprintf(stderr, "fmi2DoStep returned status %d before t = %g; stopping\n", status, t);
    f.fmi2Terminate(c);
    f.fmi2FreeInstance(c);
    writeCsv(a.csv, rows, a.flag == "--semicolons");
    return status == fmi2OK ? 0 : 1;
}

int simulateFmi1(const host::Fmi1Api& f, fmiComponent c, const host::Host& host, const Arguments& a,
                 int maxIterations) {
    fmiEventInfo info{};
    auto iterate = [&] {
        for (int i = 0; !info.iterationConverged && (maxIterations == 0 || i < maxIterations); ++i) {
            f.fmiEventUpdate(c, fmiFalse, &info);
        }
    };
    f.fmiSetTime(c, 0.0);
    f.fmiInitialize(c, fmiFalse, 0.0, &info);
    printLog(host);
    iterate();
    double x[2], dx[2], z = 0.0, zBefore = 0.0;
    f.fmiGetContinuousStates(c, x, 2);
    f.fmiGetEventIndicators(c, &zBefore, 1);
    std::vector<Row> rows{{0.0, x[0], x[1]}};
    const long steps = std::lround(a.stop / a.step);
    for (long n = 1; n <= steps; ++n) {
        f.fmiGetDerivatives(c, dx, 2);
        for (int i = 0; i < 2; ++i) x[i] = x[i] + a.step * dx[i];
        const double t = static_cast<double>(n) * a.step;
        fmiBoolean callEventUpdate = fmiFalse;
        f.fmiSetTime(c, t);
        f.fmiSetContinuousStates(c, x, 2);
        f.fmiGetEventIndicators(c, &z, 1);
        f.fmiCompletedIntegratorStep(c, &callEventUpdate);
        rows.push_back({t, x[0], x[1]});
        if ((z < 0.0) != (zBefore < 0.0)) {
            info.iterationConverged = fmiFalse;
            iterate();
            f.fmiGetContinuousStates(c, x, 2);
            f.fmiGetEventIndicators(c, &z, 1);
            rows.push_back({t, x[0], x[1]});
        }
        zBefore = z;
    }
    f.fmiTerminate(c);
    f.fmiFreeModelInstance(c);
    writeCsv(a.csv, rows, false);
    return 0;
}

}  // namespace test_host
