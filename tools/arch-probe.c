/* A tiny 32-bit Windows program: if Wine runs it and it says so, the i686
   build can be tested on this machine. */
#include <stdio.h>

int main(void) {
    printf("32-bit Windows programs run here\n");
    return 0;
}
