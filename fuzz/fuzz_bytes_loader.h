// Shared body of the fuzz targets whose loaders also read from memory: the loader's check on
// the head of the input, the load from the whole input through the host's create-image
// callback, then the bit-depth widening and the move into the model that follow every load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "formats/builtin_plugin.h"
#include "formats/qvp_image.h"
#include "model/img_inf.h"

using LoadFromBytesFn = int (*)(QvpProcess* record, const uint8_t* data, size_t size);

inline int FuzzLoadBytes(const BuiltinPluginDesc& plugin, LoadFromBytesFn load, const uint8_t* data,
                         size_t size) {
  BuiltinHost host;
  QvpConnect connect{};
  connect.module = &host;
  const QvpPluginInfo* info = nullptr;
  const QvpProcInfo* table = nullptr;
  plugin.functions.ConnectPlugin(&connect, &info, &table);
  QvpProcess record{};
  record.connect = &connect;
  record.procInfo = &table[0];  // the loader comes first
  record.id = table[0].id;
  record.CreateImage = QvpHostCreateImage;
  record.Progress = [](QvpProcess*, int32_t) { return 0; };

  static QvpFile file;  // large: kept off the stack
  std::memset(&file, 0, sizeof(file));
  std::memcpy(file.header, data, size < QVP_HEADER_SIZE ? size : QVP_HEADER_SIZE);
  plugin.functions.FileLoadChkSupport(&record, &file);

  if (load(&record, data, size) == QVP_OK) {
    QvpExpandBits(&record.image);
    CImgInf model;
    QvpImageToModel(&record.image, model);
  }
  QvpFreeImage(&record.image);
  return 0;
}
