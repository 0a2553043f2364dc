// Prints how many arguments the start-up hands to main, so that a test can
// see it expand wildcards for every program built with these settings.
#include <stdio.h>

int main(int argc, char** /*argv*/) {
  printf("%d\n", argc);
  return 0;
}
