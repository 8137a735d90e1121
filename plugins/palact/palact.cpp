// palact: a Qvp module that loads and saves ACT colour tables (".act"): 256 colours of three
// bytes, one palette bank, no image. It keeps no state and exports only what it needs.
#include <cstdio>
#include <cstring>

#include "formats/qvp.h"
#include "plugins/module_support.h"

namespace {

using qvpmod::Cancelled;
using qvpmod::File;

const char kName[] = "フォトショップACTフォーマットプラグイン";
const char kAbout[] = "フォトショップACTフォーマットプラグイン Ver 1.01\nACT カラーテーブルの読み込みと保存";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, 0, "ACTフォーマットローダ", QVPCAP_PALONLY, {}, "フォトショップACT", "*.act", {}},
    {QVP_KIND_SAVE, 1, "ACTフォーマットセーバ", QVPCAP_PALONLY, {}, "フォトショップACT", "*.act", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr int kEntries = 256;

bool IsActExtension(const char* ext) {
  const char want[] = "act";
  for (int i = 0; i < 3; ++i) {
    char c = ext[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != want[i]) return false;
  }
  return ext[3] == '\0';
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
  return file && IsActExtension(file->extension);
}

QVP_EXPORT int QvpFileLoadExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != 0 || !record->CreateImage) return QVP_ERR_PARAM;
  File f(file->path, "rb");
  if (!f.get()) return QVP_ERR_FILE;
  const int rc = record->CreateImage(record, 0, QVPIMG_IDX, 0, 0, 0, 1, kEntries);
  if (rc != QVP_OK) return rc;
  if (record->image.bankCount < 1 || !record->image.banks || !record->image.banks[0].colour) return QVP_ERR_PARAM;
  uint8_t* colours = record->image.banks[0].colour;
  for (int i = 0; i < kEntries; ++i) {
    uint8_t rgb[3];
    if (std::fread(rgb, 1, 3, f.get()) != 3) break;
    colours[i * 4 + 0] = rgb[0];
    colours[i * 4 + 1] = rgb[1];
    colours[i * 4 + 2] = rgb[2];
    if (Cancelled(record, i * 100 / kEntries)) return QVP_ERR_CANCEL;
  }
  if (Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

QVP_EXPORT int QvpFileSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != 1) return QVP_ERR_PARAM;
  const QvpImage& image = record->image;
  if (image.bankCount == 0 || !image.banks) return QVP_ERR_PARAM;
  const uint32_t bank = record->bankIndex >= 0 && uint32_t(record->bankIndex) < image.bankCount
                            ? uint32_t(record->bankIndex)
                            : 0;
  const uint8_t* colours = image.banks[bank].colour;
  if (!colours) return QVP_ERR_PARAM;
  const uint32_t used = image.entryCount < uint32_t(kEntries) ? image.entryCount : uint32_t(kEntries);
  File f(file->path, "wb");
  if (!f.get()) return QVP_ERR_FILE;
  for (uint32_t i = 0; i < uint32_t(kEntries); ++i) {
    uint8_t rgb[3] = {0, 0, 0};
    if (i < used) {
      rgb[0] = colours[i * 4];
      rgb[1] = colours[i * 4 + 1];
      rgb[2] = colours[i * 4 + 2];
    }
    if (std::fwrite(rgb, 1, 3, f.get()) != 3) return QVP_ERR_FILE;
    if (Cancelled(record, int(i * 100 / kEntries))) return QVP_ERR_CANCEL;
  }
  if (!f.Close()) return QVP_ERR_FILE;
  if (Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

}  // extern "C"
