// tonesentry: finds DTMF key tones in audio files from the command line.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("tonesentry %s\n", TONESENTRY_VERSION);
    return 0;
  }
  std::fprintf(stderr, "usage: tonesentry --version\n");
  return 2;
}
