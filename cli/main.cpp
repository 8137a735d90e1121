// quovo-cli: the headless command-line tool. It links the core and loads the same plug-ins
// as the GUI; it reads the user's settings but never writes them.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "platform/version.h"

namespace {

const char kUsage[] =
    "Usage: quovo-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  reduce IN OUT [--colors N] [--dither none|pattern|diffusion] [--settings FILE.crs]\n"
    "                [--transparent RRGGBB] [--no-alpha]\n"
    "                     reduce IN to a palette of N colours (4095: fewer bits per channel) and\n"
    "                     save it as OUT; the settings are FILE.crs or the defaults, changed by\n"
    "                     the options\n"
    "  convert IN OUT     load IN and save it as OUT (the saver is chosen by OUT's extension)\n"
    "  info FILE...       type, size, levels, banks and their colour counts, alpha, distinct colours\n"
    "  formats            the loaders and savers with their patterns and capabilities\n"
    "  --version          print the version\n"
    "  --help             print this help\n"
    "\n"
    "Exit status: 0 success, 1 a file failed, 2 a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string cmd = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (cmd == "--version" || cmd == "version") {
    std::printf("quovo-cli %s\n", QUOVEX_VERSION_STRING);
    return 0;
  }
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  using Command = int (*)(CliContext&, const std::vector<std::string>&);
  const struct {
    const char* name;
    Command run;
  } kCommands[] = {{"reduce", CmdReduce}, {"convert", CmdConvert}, {"info", CmdInfo}, {"formats", CmdFormats}};
  for (const auto& c : kCommands) {
    if (cmd != c.name) continue;
    CliContext ctx;
    const int status = c.run(ctx, args);
    if (status == 2) std::fprintf(stderr, "quovo-cli %s: wrong arguments\n\n%s", c.name, kUsage);
    return status;
  }
  std::fprintf(stderr, "quovo-cli: unknown command '%s'\n\n%s", cmd.c_str(), kUsage);
  return 2;
}
