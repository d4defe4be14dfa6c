// Pravenor: an organiser of works and tasks.
#include <cstdio>

int main(int argc, char** argv) {
  std::printf("Pravenor\n");
  return 0;
}
