/* The 32-bit probe: a program of a few lines that only a machine able to run
   32-bit code runs to its end. scripts/wine-env builds it for i686 and runs it
   under the WoW64 Wine before any 32-bit test; where the hypervisor withholds
   the 32-bit code segment it dies before its first instruction. */
#include <stdio.h>

int main(void) {
  if (sizeof(void*) != 4) return 2;
  puts("32-bit code runs");
  return 0;
}
