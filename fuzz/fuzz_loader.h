// Shared body of the loader fuzz targets: the input is written to a temporary file with the
// loader's extension and loaded through the plug-in manager, the path every load takes.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/plugin_manager.h"
#include "model/img_inf.h"

inline int FuzzLoad(const BuiltinPluginDesc& plugin, const char* extension, const uint8_t* data,
                    size_t size) {
  static CPluginMng* mng = [&] {
    auto* m = new CPluginMng("");
    m->Scan({&plugin});
    return m;
  }();
  static const std::string path = [&] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/quovex-fuzz-" + std::to_string(getpid()) + "." +
           extension;
  }();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  CImgInf img;
  mng->Load(path, img, false, -1);
  std::remove(path.c_str());
  return 0;
}
