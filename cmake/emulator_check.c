/* Prints a known line when the emulator really runs programs of this architecture. */
#include <stdio.h>
int main(void) {
    printf("kestrane-emulator-ok %d\n", (int)(sizeof(void*) * 8));
    return 0;
}
