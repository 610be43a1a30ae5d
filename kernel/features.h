// The processor's features, probed once, and the instruction set each
// component of the library runs: one record that every path asks, so that
// the blocks, the lanes and Smith-Waterman never disagree about what the
// processor has, and one cap, LCS_ISA, over all of them.
//
// LCS_ISA=plain|avx2|avx512 caps every vector path; unset, unknown, or
// naming a set the processor lacks, it caps nothing beyond what the
// processor runs. It is read once, at the first choice any path makes, so
// that one process never mixes two choices; a program that sets it later
// gets nothing. Forced paths (tests, benchmarks) are not capped.
#ifndef LCS_KERNEL_FEATURES_H
#define LCS_KERNEL_FEATURES_H

#include <string>

namespace lcs::kernel {

// Instruction sets of the library's paths, narrowest first. `automatic`
// takes the widest that this processor runs under LCS_ISA's cap.
enum class Isa : unsigned char { automatic, plain, avx2, avx512 };

// The parts of the library that choose a path each. The blocks (with the
// bands and the short paths) need AVX-512 F and BW for their AVX-512 path;
// the lanes need VL besides, and POPCNT; Smith-Waterman's vector
// scan needs AVX only and has no wider path.
enum class Component : unsigned char { blocks, lanes, smith_waterman };

// What the processor reports, probed once.
struct Features {
    bool popcnt = false, avx = false, avx2 = false;
    bool avx512f = false, avx512bw = false, avx512vl = false, avx512vbmi = false;
    // Population counts of lanes of every width (VPOPCNTDQ and BITALG).
    bool avx512_counts = false;
};
const Features& processor();

// LCS_ISA's cap as the process read it (avx512 when unset or unknown).
Isa cap();
// The cap that an LCS_ISA value sets: null, empty or unknown caps nothing.
Isa cap_of(const char* value);

// Per component: the widest path the processor runs, and the path taken
// when none is forced (the widest under the cap). Worked out once; every
// call of the library asks, so the questions below are inline.
struct PathTable {
    Isa widest[3];
    Isa automatic[3];
};
PathTable path_table();
inline const PathTable& paths_in_use() {
    static const PathTable table = path_table();
    return table;
}

// The widest path of `component` that the processor runs, uncapped.
inline Isa widest(Component component) {
    return paths_in_use().widest[static_cast<unsigned>(component)];
}
// True when the processor runs `isa` for `component` (plain and automatic
// always).
inline bool runs(Component component, Isa isa) { return isa <= widest(component); }
// The path that `component` takes for a forced `isa`: automatic gives the
// widest under LCS_ISA's cap; a set the processor lacks gives the next
// narrower one it runs, so forcing is always safe.
inline Isa resolve(Component component, Isa isa) {
    if (isa == Isa::automatic) return paths_in_use().automatic[static_cast<unsigned>(component)];
    return isa < widest(component) ? isa : widest(component);
}

// The paths in use, as lcs::isa() names them.
std::string describe_paths();

}  // namespace lcs::kernel

#endif  // LCS_KERNEL_FEATURES_H
