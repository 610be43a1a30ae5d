#include <lcs/routines.h>
#include <cstdio>

int main() {
    const char a[] = "\0ABCBDAB", b[] = "\0BDCABA";  // position 0, the string, a final zero byte
    std::printf("%d\n", HuntSzymanski_Alg(a, b, 7, 6));  // prints 4
}
