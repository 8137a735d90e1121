// The built-in BMP plug-in: its tables, the load through the bitmap reader, the save with its
// header kinds and run-length encoders, and the exchange of the saver settings.
#include "formats/bmp_plugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "formats/builtin_dialogs.h"
#include "formats/byte_io.h"
#include "formats/dib_lib.h"
#include "settings/profile.h"

namespace {

const char kPluginName[] = "BMPフォーマットプラグイン(ビルトイン)";
const char kAbout[] = "BMPフォーマットプラグイン(ビルトイン) Ver 1.01";

const QvpPluginInfo kInfo = {QVP_VERSION, kPluginName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD,
     kBmpLoaderId,
     "BMPフォーマットローダ",
     0x13,
     {},
     "Windowsビットマップ",
     "*.bmp;*.rle",
     {}},
    {QVP_KIND_SAVE, kBmpSaverId, "BMPフォーマットセーバ", 0x53, {}, "WindowsビットマップBMP", "*.bmp", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

bool IsSaver(const QvpProcess* record) { return record && record->id == kBmpSaverId; }

int Progress(QvpProcess* record, int percent) {
  return record->Progress ? record->Progress(record, percent) : 0;
}

// ---- the Qvp functions ----

int BmpConnectPlugin(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
void BmpDisconnectPlugin(QvpConnect*) {}
int BmpConnectProc(QvpProcess*) { return 1; }
void BmpDisconnectProc(QvpProcess*) {}
void BmpDispAbout(QvpConnect* connect) {
  if (connect && connect->parentWindow && connect->parentWindow->MessageBox)
    connect->parentWindow->MessageBox(connect->parentWindow->context, kAbout, kPluginName, QVP_MB_OK);
}
int BmpLoadOptions(QvpProcess*, const QvpFile*) { return QVP_OK; }

int BmpLoadChkSupport(QvpProcess* record, const QvpFile* file) {
  if (!record || record->id != kBmpLoaderId || !file) return 0;
  CDibLib dib;
  return dib.ParseHead(file->header, QVP_HEADER_SIZE) == DIBRC_OK ? 1 : 0;
}

int BmpLoadExec(QvpProcess* record, const QvpFile* file) {
  if (!record || record->id != kBmpLoaderId || !file) return QVP_ERR_PARAM;
  std::vector<uint8_t> bytes;
  const int rc = ReadFileBytes(file->path, bytes);
  if (rc != DIBRC_OK) return DibToQvpCode(rc);
  return BmpLoadFromBytes(record, bytes.data(), bytes.size());
}

int BmpSaveOptions(QvpProcess* record, const QvpFile* file) {
  if (!IsSaver(record)) return QVP_ERR_PARAM;
  BuiltinHost* host = BuiltinHostOf(record);
  BmpSaverSettings settings = BmpReadSettings(host);
  if (!host || !host->dialogs || !host->dialogs->bmpSaveOptions) return QVP_OK;
  const bool rleAllowed = !(file && record->image.type != QVPIMG_IDX);
  QvpWindow* parent = record->connect ? record->connect->parentWindow : nullptr;
  const int rc = host->dialogs->bmpSaveOptions(host->dialogs->context, parent, &settings, rleAllowed);
  if (rc != QVP_OK) return rc;
  settings.Clamp();
  BmpStoreSettings(host, settings);
  return QVP_OK;
}

int BmpSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!IsSaver(record) || !file) return QVP_ERR_PARAM;
  return BmpSaveWithSettings(record, file->path, BmpReadSettings(BuiltinHostOf(record)));
}

int BmpSettingGet(QvpProcess* record, QvpSettingIf* accessor) {
  if (!IsSaver(record) || !accessor || !accessor->GetInt) return QVP_ERR_PARAM;
  BmpSaverSettings s;
  s.headerType = accessor->GetInt(record, accessor, kBmpKeyHeaderType, s.headerType);
  s.rleFlag = accessor->GetInt(record, accessor, kBmpKeyRleFlag, s.rleFlag);
  s.Clamp();
  BmpStoreSettings(BuiltinHostOf(record), s);
  return QVP_OK;
}

int BmpSettingSet(QvpProcess* record, QvpSettingIf* accessor) {
  if (!IsSaver(record) || !accessor || !accessor->SetInt) return QVP_ERR_PARAM;
  const BmpSaverSettings s = BmpReadSettings(BuiltinHostOf(record));
  if (!accessor->SetInt(record, accessor, kBmpKeyHeaderType, s.headerType) ||
      !accessor->SetInt(record, accessor, kBmpKeyRleFlag, s.rleFlag))
    return QVP_ERR_FILE;
  return QVP_OK;
}

// ---- the encoders ----

void PutLiteral8(const uint8_t* p, size_t k, std::vector<uint8_t>& out) {
  if (k == 0) return;
  if (k <= 2) {
    for (size_t i = 0; i < k; ++i) out.insert(out.end(), {1, p[i]});
    return;
  }
  out.insert(out.end(), {0, uint8_t(k)});
  out.insert(out.end(), p, p + k);
  if (k & 1) out.push_back(0);
}

void PutLiteral4(const uint8_t* p, size_t k, std::vector<uint8_t>& out) {
  if (k == 0) return;
  auto packed = [p, k](size_t byte) -> uint8_t {
    const size_t i = byte * 2;
    const uint8_t hi = i < k ? uint8_t(p[i] & 15) : 0;
    const uint8_t lo = i + 1 < k ? uint8_t(p[i + 1] & 15) : 0;
    return uint8_t((hi << 4) | lo);
  };
  if (k <= 2) {
    out.insert(out.end(), {uint8_t(k), packed(0)});
    return;
  }
  out.insert(out.end(), {0, uint8_t(k)});
  const size_t bytes = ((k + 3) & ~size_t(3)) / 2;
  for (size_t b = 0; b < bytes; ++b) out.push_back(packed(b));
}

int Rle4Threshold(size_t literal) {
  switch (literal) {
    case 0: return 4;
    case 1: return 7;
    case 2: return 6;
    default: break;
  }
  static const int kByRest[4] = {8, 11, 10, 9};
  return kByRest[literal % 4];
}

}  // namespace

void BmpEncodeRle8Row(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out) {
  size_t start = 0;  // first pixel of the literal buffer
  size_t run = 0;    // length of the run of equal values ending at the newest pixel
  for (size_t i = 0; i < count; ++i) {
    run = (i > start && pixels[i - 1] == pixels[i]) ? run + 1 : 1;
    const size_t held = i + 1 - start;
    const size_t lit = held - run;
    size_t literalOut = 0, runLength = 0;
    bool startRun = false;
    if ((lit == 0 && run >= 2) || (lit == 1 && run >= 3) || (lit >= 2 && lit % 2 == 0 && run >= 4)) {
      literalOut = lit;
      runLength = run;
      startRun = true;
    } else if (lit >= 3 && lit % 2 == 1 && run >= 5) {
      literalOut = lit + 1;
      runLength = run - 1;
      startRun = true;
    }
    if (startRun) {
      PutLiteral8(pixels + start, literalOut, out);
      const uint8_t value = pixels[i];
      while (i + 1 < count && pixels[i + 1] == value && runLength <= 254) {
        ++runLength;
        ++i;
      }
      out.insert(out.end(), {uint8_t(runLength), value});
      start = i + 1;
      run = 0;
    } else if (i + 1 == count || held == 255) {
      PutLiteral8(pixels + start, held, out);
      start = i + 1;
      run = 0;
    }
  }
  out.insert(out.end(), {0, 0});
}

void BmpEncodeRle4Row(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out) {
  size_t start = 0;
  size_t run = 0;  // J: pixels that follow the two-colour pattern
  uint8_t even = 0, odd = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t q = pixels[i] & 15;
    if (run == 0) {
      even = q;
      run = 1;
    } else if (run == 1) {
      odd = q;
      run = 2;
    } else if (q == ((run % 2 == 0) ? even : odd)) {
      ++run;
    } else {
      even = q;
      run = 1;
    }
    const size_t held = i + 1 - start;
    const size_t lit = held - run;
    if (run >= size_t(Rle4Threshold(lit))) {
      std::vector<uint8_t> literal(pixels + start, pixels + start + lit);
      PutLiteral4(literal.data(), lit, out);
      while (i + 1 < count && run <= 254 && (pixels[i + 1] & 15) == ((run % 2 == 0) ? even : odd)) {
        ++run;
        ++i;
      }
      out.insert(out.end(), {uint8_t(run), uint8_t((even << 4) | odd)});
      start = i + 1;
      run = 0;
    } else if (i + 1 == count || held == 255) {
      PutLiteral4(pixels + start, held, out);
      start = i + 1;
      run = 0;
    }
  }
  out.insert(out.end(), {0, 0});
}

int BmpLoadFromBytes(QvpProcess* record, const uint8_t* bytes, size_t length) {
  if (!record || record->id != kBmpLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  CDibLib dib;
  int rc = dib.ParseFile(bytes, length);
  if (rc != DIBRC_OK) return DibToQvpCode(rc);

  const bool palette = dib.BitCount() <= 8 && dib.HasColourTable();
  const int entries = palette ? dib.ColourTableEntries() : 0;
  rc = record->CreateImage(record, dib.HasAlpha() ? QVPIMG_ALPHA : 0, palette ? QVPIMG_IDX : QVPIMG_DIR,
                           dib.Width(), dib.Height(), 1, palette ? 1 : 0, entries);
  if (rc != QVP_OK) return rc;
  QvpImage& image = record->image;
  if (image.pictureCount == 0 || !image.pictures || !image.pictures[0].data ||
      image.pictures[0].width != uint32_t(dib.Width()) || image.pictures[0].height != uint32_t(dib.Height()))
    return QVP_ERR_PARAM;
  if (palette && (image.bankCount == 0 || !image.banks || image.entryCount == 0)) return QVP_ERR_PARAM;

  if (Progress(record, 0)) return QVP_ERR_CANCEL;
  if (dib.IsCompressed()) {
    rc = dib.Decompress();
    if (rc != DIBRC_OK) return DibToQvpCode(rc);
  }
  const int width = dib.Width(), height = dib.Height();
  uint8_t* cells = image.pictures[0].data;
  if (palette) {
    for (int y = 0; y < height; ++y) {
      if (!dib.GetIndexRow(y, cells + size_t(y) * size_t(width) * 2, 2)) return QVP_ERR_DATA;
      if (Progress(record, int(int64_t(y + 1) * 99 / height))) return QVP_ERR_CANCEL;
    }
    const int n = std::min<int>(int(image.entryCount), entries);
    for (int i = 0; i < n; ++i) {
      const auto c = dib.GetPaletteEntry(i);
      if (c) std::memcpy(image.banks[0].colour + i * 4, &*c, 4);
    }
  } else {
    for (int y = 0; y < height; ++y) {
      if (!dib.GetPixelRow(y, cells + size_t(y) * size_t(width) * 4)) return QVP_ERR_DATA;
      if (Progress(record, int(int64_t(y + 1) * 100 / height))) return QVP_ERR_CANCEL;
    }
  }
  Progress(record, 100);
  return QVP_OK;
}

namespace {

class FileWriter {
 public:
  explicit FileWriter(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {}
  ~FileWriter() {
    if (m_file) std::fclose(m_file);
  }
  bool IsOpen() const { return m_file != nullptr; }
  bool Write(const uint8_t* p, size_t n) { return n == 0 || std::fwrite(p, 1, n, m_file) == n; }
  bool Rewind() { return std::fseek(m_file, 0, SEEK_SET) == 0; }
  bool Close() {
    const bool ok = std::fclose(m_file) == 0;
    m_file = nullptr;
    return ok;
  }

 private:
  std::FILE* m_file;
};

}  // namespace

int BmpSaveWithSettings(QvpProcess* record, const std::string& path, const BmpSaverSettings& given) {
  if (!IsSaver(record)) return QVP_ERR_PARAM;
  BmpSaverSettings settings = given;
  settings.Clamp();
  const QvpImage& image = record->image;
  if (image.type != QVPIMG_DIR && image.type != QVPIMG_IDX) return QVP_ERR_PARAM;
  if (image.pictureCount == 0 || !image.pictures) return QVP_ERR_PARAM;
  const bool palette = image.type == QVPIMG_IDX;
  if (palette && (image.bankCount == 0 || !image.banks || image.entryCount == 0)) return QVP_ERR_PARAM;
  if (record->pictureIndex < 0 || uint32_t(record->pictureIndex) >= image.pictureCount) return QVP_ERR_PARAM;
  if (palette && (record->bankIndex < 0 || uint32_t(record->bankIndex) >= image.bankCount))
    return QVP_ERR_PARAM;
  const QvpImgLevel& picture = image.pictures[record->pictureIndex];
  const uint32_t width = picture.width, height = picture.height;
  const uint64_t cell = palette ? 2 : 4;
  if (width == 0 || height == 0 || !picture.data || width > uint32_t(INT32_MAX) ||
      height > uint32_t(INT32_MAX) || uint64_t(picture.size) < uint64_t(width) * height * cell)
    return QVP_ERR_PARAM;
  const int headerType = settings.headerType;
  if (headerType == BMPHDR_OS2 && (width > 0xFFFF || height > 0xFFFF)) return QVP_ERR_PARAM;
  const bool alpha = (image.flags & QVPIMG_ALPHA) != 0;
  const bool rle = settings.rleFlag && headerType != BMPHDR_OS2 && palette;

  int bits;
  int n = 0;
  if (!palette) {
    bits = (alpha && headerType == BMPHDR_V4) ? 32 : 24;
  } else {
    if (image.entryCount < 1 || image.entryCount > 256) return QVP_ERR_PARAM;
    n = int(image.entryCount);
    bits = (n <= 2 && !rle) ? 1 : n <= 16 ? 4 : 8;
  }
  const uint8_t* colours = palette ? image.banks[record->bankIndex].colour : nullptr;
  if (palette && !colours) return QVP_ERR_PARAM;

  size_t headerSize;
  if (headerType == BMPHDR_OS2)
    headerSize = 26 + (palette ? 3u << bits : 0);
  else if (headerType == BMPHDR_WIN)
    headerSize = 54 + 4 * size_t(n);
  else
    headerSize = 122 + 4 * size_t(n);
  std::vector<uint8_t> header;
  try {
    header.assign(headerSize, 0);
  } catch (const std::bad_alloc&) {
    return QVP_ERR_MEMORY;
  }
  uint8_t* h = header.data();
  h[0] = 0x42;
  h[1] = 0x4D;
  WriteU32Le(h + 2, uint32_t(headerSize));
  WriteU32Le(h + 10, uint32_t(headerSize));
  uint32_t compression = 0;
  if (headerType == BMPHDR_OS2) {
    WriteU32Le(h + 14, 12);
    WriteU16Le(h + 18, uint16_t(width));
    WriteU16Le(h + 20, uint16_t(height));
    WriteU16Le(h + 22, 1);
    WriteU16Le(h + 24, uint16_t(bits));
    for (int i = 0; i < n; ++i) {
      const uint8_t* c = colours + i * 4;
      uint8_t* e = h + 26 + i * 3;
      e[0] = c[2], e[1] = c[1], e[2] = c[0];
    }
  } else {
    const uint32_t infoSize = headerType == BMPHDR_WIN ? 40 : 108;
    if (rle) compression = bits == 8 ? 1 : 2;
    if (bits == 16 || bits == 32) compression = 3;
    WriteU32Le(h + 14, infoSize);
    WriteU32Le(h + 18, width);
    WriteU32Le(h + 22, height);
    WriteU16Le(h + 26, 1);
    WriteU16Le(h + 28, uint16_t(bits));
    WriteU32Le(h + 30, compression);
    WriteU32Le(h + 46, uint32_t(n));
    if (headerType == BMPHDR_V4 && bits == 32) {
      WriteU32Le(h + 54, 0x00FF0000);
      WriteU32Le(h + 58, 0x0000FF00);
      WriteU32Le(h + 62, 0x000000FF);
      WriteU32Le(h + 66, 0xFF000000);
    }
    for (int i = 0; i < n; ++i) {
      const uint8_t* c = colours + i * 4;
      uint8_t* e = h + 14 + infoSize + i * 4;
      e[0] = c[2], e[1] = c[1], e[2] = c[0], e[3] = 0;
    }
  }

  FileWriter out(path);
  if (!out.IsOpen()) return QVP_ERR_FILE;
  if (!out.Write(h, headerSize)) return QVP_ERR_FILE;

  const uint64_t stride = (uint64_t(bits) * width + 31) / 32 * 4;
  std::vector<uint8_t> row, indices, encoded;
  try {
    row.resize(size_t(stride));
    if (rle) indices.resize(width);
  } catch (const std::bad_alloc&) {
    return QVP_ERR_MEMORY;
  }
  uint64_t written = 0;
  for (uint32_t done = 0; done < height; ++done) {
    const uint32_t y = height - 1 - done;
    const uint8_t* src = picture.data + uint64_t(y) * width * cell;
    if (rle) {
      for (uint32_t x = 0; x < width; ++x) indices[x] = src[x * 2];
      encoded.clear();
      if (bits == 8)
        BmpEncodeRle8Row(indices.data(), width, encoded);
      else
        BmpEncodeRle4Row(indices.data(), width, encoded);
      if (done + 1 == height) encoded.insert(encoded.end(), {0, 1});
      if (!out.Write(encoded.data(), encoded.size())) return QVP_ERR_FILE;
      written += encoded.size();
    } else {
      std::fill(row.begin(), row.end(), 0);
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* c = src + x * cell;
        switch (bits) {
          case 1: row[x / 8] |= uint8_t((c[0] & 1) << (7 - x % 8)); break;
          case 4: row[x / 2] |= uint8_t((c[0] & 15) << ((x & 1) ? 0 : 4)); break;
          case 8: row[x] = c[0]; break;
          case 24: row[x * 3] = c[2], row[x * 3 + 1] = c[1], row[x * 3 + 2] = c[0]; break;
          default:
            row[x * 4] = c[2], row[x * 4 + 1] = c[1], row[x * 4 + 2] = c[0];
            row[x * 4 + 3] = alpha ? c[3] : 0;
            break;
        }
      }
      if (!out.Write(row.data(), row.size())) return QVP_ERR_FILE;
      written += row.size();
    }
    if (Progress(record, int(uint64_t(done + 1) * 100 / height))) return QVP_ERR_CANCEL;
  }
  if (written + headerSize > UINT32_MAX) return QVP_ERR_PARAM;
  WriteU32Le(h + 2, uint32_t(headerSize + written));
  if (headerType != BMPHDR_OS2) WriteU32Le(h + 34, uint32_t(written));
  if (!out.Rewind() || !out.Write(h, headerSize) || !out.Close()) return QVP_ERR_FILE;
  return QVP_OK;
}

BmpSaverSettings BmpReadSettings(const BuiltinHost* host) {
  BmpSaverSettings s;
  if (host && host->profile) {
    s.headerType = host->profile->GetInt(kBmpSection, kBmpKeyHeaderType, s.headerType);
    s.rleFlag = host->profile->GetInt(kBmpSection, kBmpKeyRleFlag, s.rleFlag);
  }
  s.Clamp();
  return s;
}

void BmpStoreSettings(BuiltinHost* host, const BmpSaverSettings& settings) {
  if (!host || !host->profile) return;
  BmpSaverSettings s = settings;
  s.Clamp();
  host->profile->WriteInt(kBmpSection, kBmpKeyHeaderType, s.headerType);
  host->profile->WriteInt(kBmpSection, kBmpKeyRleFlag, s.rleFlag);
}

const BuiltinPluginDesc kBmpPlugin = {
    {BmpConnectPlugin, BmpDisconnectPlugin, BmpConnectProc, BmpDisconnectProc, BmpDispAbout, BmpLoadOptions,
     BmpLoadChkSupport, BmpLoadExec, BmpSaveOptions, BmpSaveExec, BmpSettingGet, BmpSettingSet},
    &kInfo,
    kProcs,
};
