// What the FMI 2.0 and FMI 1.0 fixtures (fmi2_fixture.h, fmi1_fixture.h)
// share: a test's view of one component library as a host sees it. A Host
// with recording callbacks, the library loaded from its built path, its
// exports looked up by name, and the instances created through it, which the
// version's fixture frees when it goes (unless a test freed them itself).
// Each version adds its calls under the same helper names, so that the tests
// of the two versions read side by side.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "model_expectations.h"

template <typename Api, typename Component>
class ComponentFixture {
public:
    explicit ComponentFixture(const std::string& libraryPath) : library(libraryPath), api(library) {
        if (!library.loaded()) ADD_FAILURE() << "cannot load " << libraryPath << ": " << library.error();
    }
    ComponentFixture(const ComponentFixture&) = delete;
    ComponentFixture& operator=(const ComponentFixture&) = delete;

    // Declared first: the host must outlive the library and every instance.
    host::Host host;
    host::Library library;
    Api api;

    // Log entries of one category, in order.
    std::vector<host::LogEntry> logged(const std::string& category) const {
        std::vector<host::LogEntry> entries;
        for (const auto& entry : host.log)
            if (entry.category == category) entries.push_back(entry);
        return entries;
    }

protected:
    ~ComponentFixture() = default;

    std::vector<Component> instances;  // created here and not yet freed

    Component kept(Component c) {
        if (c != nullptr) instances.push_back(c);
        return c;
    }
    void forget(Component c) { instances.erase(std::remove(instances.begin(), instances.end(), c), instances.end()); }

    // One value through a getter of either version, read into a sentinel so
    // that a getter answering OK without writing is caught (OK is 0 in both).
    template <typename Getter, typename T>
    T readOne(Getter getter, const char* name, Component c, unsigned vr, T sentinel) {
        EXPECT_EQ(getter(c, &vr, 1, &sentinel), 0) << name << " of value reference " << vr;
        return sentinel;
    }

    // The refusal a host must see after a refused call, and nothing else: one
    // message with status Error (3 in both versions) and category "ERROR",
    // from the instance "ball", whose text begins with the exported function's
    // name, sent as a format with arguments and without a variable reference
    // for the host to expand. Clears the log.
    void expectOneRefusal(const std::string& exportedName, const void* firstArgument) {
        const std::vector<host::LogEntry> entries = std::exchange(host.log, {});
        ASSERT_EQ(entries.size(), 1u) << "one message for a refused call of " << exportedName;
        const host::LogEntry& entry = entries[0];
        EXPECT_EQ(entry.firstArgument, firstArgument);
        EXPECT_EQ(entry.instanceName, "ball");
        EXPECT_EQ(entry.status, 3) << "status Error";
        EXPECT_EQ(entry.category, "ERROR");
        EXPECT_EQ(entry.text.rfind(exportedName + ": ", 0), 0u) << "the message names the function: " << entry.text;
        EXPECT_NE(entry.format.find('%'), std::string::npos) << "the text must be formatted by the host";
        EXPECT_NE(entry.format, entry.text) << "the message is a format with arguments";
        EXPECT_EQ(entry.text.find("#r"), std::string::npos) << entry.text;
    }
};
