#include <lcs/lcs.h>  // the toolkit alone: it declares no classic routine
#include <cstdio>

int main() {
    std::printf("%d\n", lcs::length("ABCBDAB", "BDCABA"));  // prints 4
    std::printf("%d\n", lcs::align("kitten", "sitting").length);  // prints 4
}
