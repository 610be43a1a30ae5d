#include <lcs/routines.h>   // the classic routines: one-based sequences
#include <lcs/lcs.h>        // the toolkit: string views
#include <cstdio>

int main() {
    const char a[] = "\0ABCBDAB", b[] = "\0BDCABA";  // position 0, the string, a final zero byte
    std::printf("%d\n", HuntSzymanski_Alg(a, b, 7, 6));  // prints 4
    std::printf("%d\n", lcs::length("ABCBDAB", "BDCABA"));  // the toolkit's call: prints 4
}
