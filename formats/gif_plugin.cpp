// The GIF loader and saver.
#include "formats/gif_plugin.h"

#include <cstring>
#include <memory>
#include <vector>

#include "formats/gif_lzw.h"

namespace {

const char kName[] = "GIFフォーマットプラグイン(ビルトイン)";
const char kAbout[] = "GIFフォーマットプラグイン(ビルトイン) Ver 1.01";
const char kSection[] = "Plugins\\gif";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, kGifLoaderId, "GIFフォーマットローダ", 0x12, {}, "CompuServe GIF", "*.gif", {}},
    {QVP_KIND_SAVE, kGifSaverId, "GIFフォーマットセーバ", 0x52, {}, "CompuServe GIF", "*.gif", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr int kMaxSide = 65535;

uint16_t U16le(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void PutU16le(std::vector<uint8_t>& out, int v) {
  out.push_back(uint8_t(v & 0xFF));
  out.push_back(uint8_t((v >> 8) & 0xFF));
}

bool ReadExact(FILE* f, void* buffer, size_t n) { return std::fread(buffer, 1, n, f) == n; }

// Skips data sub-blocks up to and including the zero-length one; false at the end of the file.
bool SkipSubBlocks(FILE* f) {
  for (;;) {
    const int len = std::fgetc(f);
    if (len == EOF) return false;
    if (len == 0) return true;
    if (std::fseek(f, len, SEEK_CUR) != 0) return false;
  }
}

// Row of the picture that the n-th stored row goes to.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(size_t(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

struct Control {
  uint8_t packed = 0;
  uint16_t delay = 0;
  uint8_t transparent = 0;
};

int DecodeImage(QvpProcess* record, FILE* f, bool interlaced) {
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  const int minSize = std::fgetc(f);
  if (minSize == EOF) return QVP_ERR_FILE;
  if (minSize < 2 || minSize > 9) return QVP_ERR_DATA;
  QvpImgLevel& pic = record->image.pictures[0];
  const int width = int(pic.width), height = int(pic.height);
  const std::vector<int> order = RowOrder(height, interlaced);
  int row = 0, x = 0;
  auto decoder = std::make_unique<GifLzwDecoder>(f, minSize);
  const GifLzwResult r = decoder->Run([&](uint8_t index) {
    if (row >= height) return 1;  // more pixels than the picture holds
    pic.data[(size_t(order[size_t(row)]) * size_t(width) + size_t(x)) * 2] = index;
    if (++x == width) {
      x = 0;
      ++row;
      if (codec::Cancelled(record, codec::Percent(row, height))) return 2;
    }
    return 0;
  });
  if (r == GifLzwResult::kCancel) return QVP_ERR_CANCEL;
  if (r == GifLzwResult::kData) return QVP_ERR_DATA;
  if (codec::Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

int LoadGif(QvpProcess* record, const char* path) {
  codec::CFile file(path, "rb");
  if (!file) return QVP_ERR_FILE;
  FILE* f = file.get();
  uint8_t head[13];
  if (!ReadExact(f, head, sizeof(head))) return QVP_ERR_FILE;
  if (std::memcmp(head, "GIF8", 4) != 0) return QVP_ERR_PARAM;
  const int screenW = U16le(head + 6), screenH = U16le(head + 8);
  uint8_t table[768];
  int entries = 0;
  if (head[10] & 0x80) {
    entries = 2 << (head[10] & 7);
    if (!ReadExact(f, table, size_t(entries) * 3)) return QVP_ERR_FILE;
  }
  Control control;
  for (;;) {
    const int c = std::fgetc(f);
    if (c == EOF) return QVP_ERR_FILE;
    if (c == 0x21) {
      const int label = std::fgetc(f);
      if (label == EOF) return QVP_ERR_FILE;
      if (label == 0xF9) {
        uint8_t gce[5];
        if (!ReadExact(f, gce, sizeof(gce))) return QVP_ERR_FILE;
        control.packed = gce[1];
        control.delay = U16le(gce + 2);
        control.transparent = gce[4];
        // The size byte says 4; a different one still ends where the sub-blocks say.
        if (gce[0] > 4 && std::fseek(f, gce[0] - 4, SEEK_CUR) != 0) return QVP_ERR_FILE;
      }
      if (!SkipSubBlocks(f)) return QVP_ERR_FILE;
    } else if (c == 0x2C) {
      uint8_t desc[9];
      if (!ReadExact(f, desc, sizeof(desc))) return QVP_ERR_FILE;
      const int left = U16le(desc), top = U16le(desc + 2);
      const int width = U16le(desc + 4), height = U16le(desc + 6);
      const uint8_t packed = desc[8];
      const bool inside = width > 0 && height > 0 && left + width <= screenW && top + height <= screenH;
      if (packed & 0x80) {
        const int localEntries = 2 << (packed & 7);
        uint8_t local[768];
        if (!ReadExact(f, local, size_t(localEntries) * 3)) return QVP_ERR_FILE;
        if (inside) {
          std::memcpy(table, local, size_t(localEntries) * 3);
          entries = localEntries;
        }
      }
      if (!inside) {  // an image outside the logical screen is passed over
        if (std::fgetc(f) == EOF || !SkipSubBlocks(f)) return QVP_ERR_FILE;
        continue;
      }
      // LZW packs at most about 1400 pixels into a byte: a huge picture needs data behind it.
      const uint64_t pixels = uint64_t(width) * uint64_t(height);
      if (!codec::PlausibleSize(pixels * 2, pixels, codec::FileSize(f), 4096)) return QVP_ERR_DATA;
      const bool transparent = control.packed & 1;
      // A file without any colour table gets 256 entries of the default colour.
      const int bankEntries = entries > 0 ? entries : 256;
      int rc = record->CreateImage(record, transparent ? QVPIMG_ALPHA : 0, QVPIMG_IDX, width, height, 1, 1,
                                   bankEntries);
      if (rc != QVP_OK) return rc;
      if (record->image.pictureCount < 1 || !record->image.banks) return QVP_ERR_MEMORY;
      uint8_t* bank = record->image.banks[0].colour;
      for (int i = 0; i < entries; ++i) {
        bank[i * 4 + 0] = table[i * 3 + 0];
        bank[i * 4 + 1] = table[i * 3 + 1];
        bank[i * 4 + 2] = table[i * 3 + 2];
      }
      if (transparent) bank[control.transparent * 4 + 3] = 0;
      return DecodeImage(record, f, packed & 0x40);
    } else if (c == 0x3B) {
      return QVP_OK;
    } else {
      int b;
      do b = std::fgetc(f);
      while (b != 0 && b != EOF);
      if (b == EOF) return QVP_ERR_FILE;
    }
  }
}

int BitsFor(int entries) {
  int b = 1;
  while ((1 << b) < entries && b < 8) ++b;
  return b;
}

// The transparent index of a save, or -1 for none.
int TransparentIndex(const QvpProcess* record, const GifSettings& s, const uint8_t* bank, int entries) {
  if (s.gifType != 1 || !s.transGif) return -1;
  if (s.transMode == 0) return 0;
  if (!(record->image.flags & QVPIMG_ALPHA)) return -1;
  for (int i = 0; i < entries; ++i)
    if (bank[i * 4 + 3] == 0) return i;
  return -1;
}

}  // namespace

int GifSave(QvpProcess* record, const char* path, const GifSettings& in) {
  if (!record || !path) return QVP_ERR_PARAM;
  GifSettings s = in;
  codec::ClampSettings(s, kGifSettingKeys);
  if (s.gifType == 0) s.interlace = s.transGif = 0;
  if (record->image.type != QVPIMG_IDX) return QVP_ERR_PARAM;
  const QvpImgLevel* pic = codec::SavedPicture(record);
  const uint8_t* bank = codec::SavedBank(record);
  const int entries = codec::SavedEntries(record);
  if (!pic || !bank || entries == 0) return QVP_ERR_PARAM;
  const int width = int(pic->width), height = int(pic->height);
  // The format stores 16-bit sizes: a larger picture cannot be written.
  if (pic->width > uint32_t(kMaxSide) || pic->height > uint32_t(kMaxSide)) return QVP_ERR_PARAM;
  const int bits = BitsFor(entries);
  // An index the colour table cannot hold would make a corrupt file.
  if (codec::MaxIndex(*pic) >= (1 << bits)) return QVP_ERR_PARAM;
  const int trans = TransparentIndex(record, s, bank, entries);

  codec::CFile file(path, "wb");
  if (!file) return QVP_ERR_FILE;
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;

  std::vector<uint8_t> out;
  out.insert(out.end(), {'G', 'I', 'F', '8', uint8_t(s.gifType ? '9' : '7'), 'a'});
  PutU16le(out, width);
  PutU16le(out, height);
  out.push_back(uint8_t(0x80 | ((bits - 1) << 4) | (bits - 1)));
  out.push_back(0);
  out.push_back(0);
  for (int i = 0; i < (1 << bits); ++i)
    for (int c = 0; c < 3; ++c) out.push_back(i < entries ? bank[i * 4 + c] : 0);
  if (s.gifType == 1)
    out.insert(out.end(),
               {0x21, 0xF9, 0x04, uint8_t(trans >= 0 ? 1 : 0), 0, 0, uint8_t(trans >= 0 ? trans : 0), 0});
  out.push_back(0x2C);
  PutU16le(out, 0);
  PutU16le(out, 0);
  PutU16le(out, width);
  PutU16le(out, height);
  out.push_back(s.interlace ? 0x40 : 0);
  const int minCodeSize = bits < 2 ? 2 : bits;
  out.push_back(uint8_t(minCodeSize));

  std::vector<uint8_t> indices;
  indices.reserve(size_t(width) * size_t(height));
  for (int y : RowOrder(height, s.interlace != 0)) {
    const uint8_t* row = pic->data + size_t(y) * size_t(width) * 2;
    for (int x = 0; x < width; ++x) indices.push_back(row[x * 2]);
  }
  const bool done = GifLzwEncode(indices.data(), width, height, minCodeSize, out, [&](int rows) {
    return codec::Cancelled(record, codec::Percent(rows, height));
  });
  if (!done) return QVP_ERR_CANCEL;
  out.push_back(0x00);
  out.push_back(0x3B);
  if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) return QVP_ERR_FILE;
  if (!file.Close()) return QVP_ERR_FILE;
  if (codec::Cancelled(record, 100)) return QVP_ERR_CANCEL;
  return QVP_OK;
}

namespace {

extern "C" int GifConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
extern "C" int GifConnectProc(QvpProcess*) { return 1; }
extern "C" void GifDisconnectProc(QvpProcess*) {}
extern "C" void GifDisconnect(QvpConnect*) {}
extern "C" void GifAbout(QvpConnect* connect) { codec::ShowAbout(connect, kName, kAbout); }

extern "C" int GifCheck(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kGifLoaderId) return 0;
  return std::memcmp(file->header, "GIF87a", 6) == 0 || std::memcmp(file->header, "GIF89a", 6) == 0;
}

extern "C" int GifLoad(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kGifLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  return LoadGif(record, file->path);
}

// The options dialog belongs to the user interface; until it is attached the saver keeps
// the settings as they are.
extern "C" int GifSaveOptions(QvpProcess* record, const QvpFile*) {
  if (!record || record->id != kGifSaverId) return QVP_ERR_PARAM;
  (void)codec::ProfileSettings(record, kSection, kGifSettingKeys);
  return QVP_OK;
}

extern "C" int GifSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kGifSaverId) return QVP_ERR_PARAM;
  return GifSave(record, file->path, codec::ProfileSettings(record, kSection, kGifSettingKeys));
}

extern "C" int GifSettingGet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingGet(record, accessor, kGifSaverId, kSection, kGifSettingKeys);
}
extern "C" int GifSettingSet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingSet(record, accessor, kGifSaverId, kSection, kGifSettingKeys);
}

}  // namespace

const BuiltinPluginDesc kGifPlugin = {
    {GifConnect, GifDisconnect, GifConnectProc, GifDisconnectProc, GifAbout, nullptr, GifCheck, GifLoad,
     GifSaveOptions, GifSaveExec, GifSettingGet, GifSettingSet},
    &kInfo,
    kProcs,
};
