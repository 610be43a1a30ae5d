// The console dialogue of the `lcs` program, on streams given by the caller
// so that tests and fuzzers can drive it without a process of its own.
#ifndef CONSOLE_DIALOGUE_H
#define CONSOLE_DIALOGUE_H

#include <cstdint>
#include <cstdio>

#include <lcs/routines.h>

// Asks for the lengths of strings A and B on `out`, reads them and then the
// two words from `in` (each length at most lcs::kMaxLength), and writes the Hunt-Szymanski LCS length on `out`.
// Returns the exit status: 0 after the result line, 1 after a one-line error
// message on `err` (and then no result line).
int run_dialogue(std::FILE* in, std::FILE* out, std::FILE* err);

#endif  // CONSOLE_DIALOGUE_H
