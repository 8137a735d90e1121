// quovo-cli: the headless command-line tool. It links the core and loads the same plug-ins
// as the GUI.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/version.h"

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: quovo-cli COMMAND [ARGS...]\n"
               "\n"
               "Commands:\n"
               "  --version      print the version\n"
               "  --help         print this help\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string cmd = argv[1];
  if (cmd == "--version" || cmd == "version") {
    std::printf("quovo-cli %s\n", QUOVEX_VERSION_STRING);
    return 0;
  }
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    PrintUsage(stdout);
    return 0;
  }
  std::fprintf(stderr, "quovo-cli: unknown command '%s'\n", cmd.c_str());
  PrintUsage(stderr);
  return 2;
}
