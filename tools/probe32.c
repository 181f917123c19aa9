/* Prints "32-bit ok" when this machine can run 32-bit Windows programs. */
#include <stdio.h>
int main(void) { puts("32-bit ok"); return 0; }
