#include "session.h"

namespace fuzz {

namespace {

Session* runningSession = nullptr;

bool holds(const Slots& slots, const Slot& slot) { return &slot >= slots.data() && &slot < slots.data() + slots.size(); }

}  // namespace

Components& components() {
    static Components loaded;
    return loaded;
}

Session::Session(FuzzedDataProvider& data) : in(data) { runningSession = this; }
Session::~Session() { runningSession = nullptr; }

Session& currentSession() { return *runningSession; }

Slots& Session::slotsOf(Driven component) {
    switch (component) {
        case Driven::Pellidor: return pellidor;
        case Driven::Corvane: return corvane;
        default: return tressivo;
    }
}

Driven Session::ownerOf(const Slot& slot) const {
    if (holds(pellidor, slot)) return Driven::Pellidor;
    if (holds(corvane, slot)) return Driven::Corvane;
    return Driven::Tressivo;
}

Slot* Session::slotOfEnvironment(const void* environment) {
    for (Slots* slots : {&pellidor, &corvane}) {
        for (Slot& slot : *slots) {
            if (&slot == environment) return &slot;
        }
    }
    return nullptr;
}

Slot* Session::slotOfInstance(const void* c) {
    for (Slot& slot : tressivo) {
        if (c != nullptr && slot.c == c) return &slot;
    }
    return nullptr;
}

Slot& Session::pick(Slots& slots) { return slots[in.inRange<int>(0, instancesPerComponent - 1)]; }

void* Session::target(Slots& slots) {
    if (in.oneIn(8)) return nullptr;
    return pick(slots).c;
}

}  // namespace fuzz
