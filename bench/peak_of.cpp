// lcs_peak_of: the peak resident memory of a program's run.
//
//     lcs_peak_of RESULT_FILE PROGRAM [ARGS...]
//
// Runs PROGRAM (a path) with ARGS, its standard input, output and error
// those of this launcher, and writes its peak resident bytes, one number and
// a newline, to RESULT_FILE. Exit status: the program's own (128 + the
// signal that ended it, 127 where it could not start), 2 bad usage, 1 where
// RESULT_FILE cannot be written. Why a launcher: see run_for_peak.
#include <fstream>
#include <iostream>

#include "peak_memory.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: lcs_peak_of RESULT_FILE PROGRAM [ARGS...]\n";
        return 2;
    }
    const bench::ProgramPeak peak = bench::run_for_peak(argv + 2);
    std::ofstream result(argv[1]);
    if (!(result << peak.peak_bytes << '\n') || !result.flush()) {
        std::cerr << "lcs_peak_of: cannot write " << argv[1] << '\n';
        return 1;
    }
    return peak.exit_status;
}
