/* Prints "32-bit ok" where 32-bit Windows programs run. */
#include <stdio.h>
int main(void) { puts("32-bit ok"); return 0; }
