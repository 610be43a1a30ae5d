// The one probe of the processor and LCS_ISA's cap (kernel/features.h).
// Covered by tests/test_kernel.cpp (KernelIsa.*).
#include "kernel/features.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace lcs::kernel {

namespace {

Features probe() {
    Features f;
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    __builtin_cpu_init();
    f.popcnt = __builtin_cpu_supports("popcnt");
    f.avx = __builtin_cpu_supports("avx");
    f.avx2 = __builtin_cpu_supports("avx2");
    f.avx512f = __builtin_cpu_supports("avx512f");
    f.avx512bw = __builtin_cpu_supports("avx512bw");
    f.avx512vl = __builtin_cpu_supports("avx512vl");
    f.avx512vbmi = __builtin_cpu_supports("avx512vbmi");
    f.avx512_counts =
        __builtin_cpu_supports("avx512vpopcntdq") && __builtin_cpu_supports("avx512bitalg");
#endif
    return f;
}

constexpr Component kComponents[] = {Component::blocks, Component::lanes, Component::smith_waterman};

const char* name_of(Component component, Isa isa) {
    if (isa == Isa::plain) return "plain";
    // Smith-Waterman's one vector scan is 256 bits of doubles on AVX.
    if (component == Component::smith_waterman) return "avx";
    return isa == Isa::avx512 ? "avx512" : "avx2";
}

// The widest path of each component on this processor.
Isa widest_on(const Features& f, Component component) {
    switch (component) {
    case Component::blocks:
        if (f.avx512f && f.avx512bw) return Isa::avx512;
        return f.avx2 ? Isa::avx2 : Isa::plain;
    case Component::lanes:
        if (f.avx512f && f.avx512bw && f.avx512vl && f.popcnt) return Isa::avx512;
        return f.avx2 && f.popcnt ? Isa::avx2 : Isa::plain;
    case Component::smith_waterman: return f.avx ? Isa::avx2 : Isa::plain;
    }
    return Isa::plain;
}

}  // namespace

const Features& processor() {
    static const Features features = probe();
    return features;
}

PathTable path_table() {
    PathTable table{};
    for (const Component component : kComponents) {
        const auto c = static_cast<unsigned>(component);
        table.widest[c] = widest_on(processor(), component);
        table.automatic[c] = std::min(table.widest[c], cap());
    }
    return table;
}

Isa cap_of(const char* value) {
    if (value == nullptr) return Isa::avx512;
    if (std::strcmp(value, "plain") == 0) return Isa::plain;
    if (std::strcmp(value, "avx2") == 0) return Isa::avx2;
    return Isa::avx512;
}

Isa cap() {
    static const Isa read_once = cap_of(std::getenv("LCS_ISA"));
    return read_once;
}

std::string describe_paths() {
    const char* labels[] = {"blocks", "lanes", "smith-waterman"};
    const Isa blocks = resolve(Component::blocks, Isa::automatic);
    bool alike = true;
    for (const Component component : kComponents) {
        alike = alike && std::strcmp(name_of(component, resolve(component, Isa::automatic)),
                                     name_of(Component::blocks, blocks)) == 0;
    }
    if (alike) return name_of(Component::blocks, blocks);
    std::string text;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!text.empty()) text += ", ";
        text += std::string(labels[i]) + " " +
                name_of(kComponents[i], resolve(kComponents[i], Isa::automatic));
    }
    return text;
}

}  // namespace lcs::kernel
