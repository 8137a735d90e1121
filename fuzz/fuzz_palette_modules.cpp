// Fuzz target of the palette modules' loaders (palriff.qvp, palact.qvp): they are found by
// discovery in the Plugins folder beside this program, and the input is loaded once as a
// ".pal" file and once as an ".act" file through the plug-in manager.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/plugin_manager.h"
#include "model/img_inf.h"
#include "platform/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CPluginMng* mng = [] {
    auto* m = new CPluginMng(paths::Join(paths::ExecutableDir(), "Plugins"));
    if (m->Scan({}) < 2) {
      std::fprintf(stderr, "palriff.qvp and palact.qvp not found beside the fuzzer\n");
      std::abort();
    }
    return m;
  }();
  static const std::string base = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/quovex-fuzz-" + std::to_string(getpid());
  }();
  for (const char* ext : {".pal", ".act"}) {
    const std::string path = base + ext;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CImgInf img;
    mng->Load(path, img, false, -1);
    std::remove(path.c_str());
  }
  return 0;
}
