// palriff: a Qvp module that loads and saves Microsoft RIFF palette files (".pal"): one
// palette bank, no image. It keeps no state and exports only what it needs.
#include <cstdio>
#include <cstring>

#include "formats/qvp.h"
#include "plugins/module_support.h"

namespace {

using qvpmod::Cancelled;
using qvpmod::File;

const char kName[] = "Microsoft PAL フォーマットプラグイン";
const char kAbout[] = "Microsoft PAL フォーマットプラグイン Ver 1.01\nMicrosoft RIFF パレットファイルの読み込みと保存";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, 0, "Microsoft PAL フォーマットローダ", QVPCAP_PALONLY, {}, "Microsoft PAL", "*.pal", {}},
    {QVP_KIND_SAVE, 1, "Microsoft PAL フォーマットローダ", QVPCAP_PALONLY, {}, "Microsoft PAL", "*.pal", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr int kVersion = 0x0300;

unsigned ReadU16(const uint8_t* p) { return unsigned(p[0]) | (unsigned(p[1]) << 8); }
void PutU16(uint8_t* p, unsigned v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}


}  // namespace

extern "C" {

QVP_EXPORT int QvpConnectPlugin(QvpConnect* /*connect*/, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}

QVP_EXPORT void QvpDispAbout(QvpConnect* connect) {
  qvpmod::ShowAbout(connect, kAbout, kName);
}

QVP_EXPORT int QvpFileLoadChkSupport(QvpProcess* /*record*/, const QvpFile* file) {
  if (!file) return 0;
  const uint8_t* h = file->header;
  return std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "PAL ", 4) == 0 &&
         std::memcmp(h + 12, "data", 4) == 0 && ReadU16(h + 20) == kVersion && ReadU16(h + 22) != 0;
}

QVP_EXPORT int QvpFileLoadExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != 0 || !record->CreateImage) return QVP_ERR_PARAM;
  File f(file->path, "rb");
  if (!f.get()) return QVP_ERR_FILE;
  uint8_t head[24];
  if (std::fread(head, 1, 22, f.get()) != 22) return QVP_ERR_FILE;
  if (ReadU16(head + 20) != kVersion) return QVP_ERR_DATA;
  if (std::fread(head + 22, 1, 2, f.get()) != 2) return QVP_ERR_FILE;
  int count = int(ReadU16(head + 22));
  if (count == 0) return QVP_ERR_DATA;
  if (count > QVP_MAX_ENTRIES) count = QVP_MAX_ENTRIES;
  const int rc = record->CreateImage(record, 0, QVPIMG_IDX, 0, 0, 0, 1, count);
  if (rc != QVP_OK) return rc;
  if (record->image.bankCount < 1 || !record->image.banks || !record->image.banks[0].colour) return QVP_ERR_PARAM;
  uint8_t* colours = record->image.banks[0].colour;
  for (int i = 0; i < count; ++i) {
    uint8_t entry[4];
    if (std::fread(entry, 1, 4, f.get()) != 4) break;
    colours[i * 4 + 0] = entry[0];
    colours[i * 4 + 1] = entry[1];
    colours[i * 4 + 2] = entry[2];
    if (Cancelled(record, i * 100 / count)) return QVP_ERR_CANCEL;
  }
  if (Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

QVP_EXPORT int QvpFileSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != 1) return QVP_ERR_PARAM;
  const QvpImage& image = record->image;
  if (image.bankCount == 0 || !image.banks || image.entryCount == 0 || image.entryCount > QVP_MAX_ENTRIES)
    return QVP_ERR_PARAM;
  const uint32_t bank = record->bankIndex >= 0 && uint32_t(record->bankIndex) < image.bankCount
                            ? uint32_t(record->bankIndex)
                            : 0;
  const uint8_t* colours = image.banks[bank].colour;
  if (!colours) return QVP_ERR_PARAM;
  File f(file->path, "wb");
  if (!f.get()) return QVP_ERR_FILE;
  const uint32_t n = image.entryCount;
  uint8_t head[24];
  std::memcpy(head, "RIFF", 4);
  PutU32(head + 4, 16 + 4 * n);
  std::memcpy(head + 8, "PAL ", 4);
  std::memcpy(head + 12, "data", 4);
  PutU32(head + 16, 4 + 4 * n);
  PutU16(head + 20, kVersion);
  PutU16(head + 22, n);
  if (std::fwrite(head, 1, sizeof(head), f.get()) != sizeof(head)) return QVP_ERR_FILE;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t entry[4] = {colours[i * 4], colours[i * 4 + 1], colours[i * 4 + 2], 0};
    if (std::fwrite(entry, 1, 4, f.get()) != 4) return QVP_ERR_FILE;
    if (Cancelled(record, int(i * 100 / n))) return QVP_ERR_CANCEL;
  }
  if (!f.Close()) return QVP_ERR_FILE;
  if (Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

}  // extern "C"
