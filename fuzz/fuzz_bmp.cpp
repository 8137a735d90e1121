// Fuzz target of the BMP loader: the check on the head of the input, then the load from the
// whole input through the host's create-image callback, and the bit-depth widening and move
// into the model that follow a load.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "formats/bmp_plugin.h"
#include "formats/qvp_file.h"
#include "formats/qvp_image.h"
#include "model/img_inf.h"

namespace {
int NoCancel(QvpProcess*, int32_t) { return 0; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuiltinHost host;
  QvpConnect connect{};
  connect.module = &host;
  const QvpPluginInfo* info = nullptr;
  const QvpProcInfo* table = nullptr;
  kBmpPlugin.functions.ConnectPlugin(&connect, &info, &table);
  QvpProcess record{};
  record.connect = &connect;
  record.procInfo = &table[0];
  record.id = table[0].id;
  record.CreateImage = QvpHostCreateImage;
  record.Progress = NoCancel;

  static QvpFile file;  // large: keep it off the stack
  std::memset(&file, 0, sizeof(file));
  std::memcpy(file.header, data, size < QVP_HEADER_SIZE ? size : QVP_HEADER_SIZE);
  kBmpPlugin.functions.FileLoadChkSupport(&record, &file);

  if (BmpLoadFromBytes(&record, data, size) == QVP_OK) {
    QvpExpandBits(&record.image);
    CImgInf model;
    QvpImageToModel(&record.image, model);
  }
  QvpFreeImage(&record.image);
  return 0;
}
