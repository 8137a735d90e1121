// The TIFF loader and saver. libtiff reports errors through a handler given to each handle
// when it is opened, which records the result code of that one load or save.
#include "formats/tiff_plugin.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kName[] = "TIFFフォーマットプラグイン(ビルトイン)";
const char kAbout[] = "TIFFフォーマットプラグイン(ビルトイン) Ver 1.01";
const char kSection[] = "Plugins\\tiff";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, kTiffLoaderId, "TIFFフォーマットローダ", 0x13, {}, "TIFF", "*.tif;*.tiff", {}},
    {QVP_KIND_SAVE, kTiffSaverId, "TIFFフォーマットセーバ", 0x53, {}, "TIFF", "*.tif", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

// Largest single buffer libtiff may allocate for one handle.
constexpr tmsize_t kMaxLibraryAlloc = tmsize_t(256) << 20;

struct TiffCtx {
  int result = QVP_OK;
};

extern "C" int TiffOnError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  char message[512];
  std::vsnprintf(message, sizeof(message), fmt, ap);
  auto* ctx = static_cast<TiffCtx*>(user);
  if (ctx && ctx->result == QVP_OK)
    ctx->result =
        codec::ContainsNoCase(message, "cannot open") || codec::ContainsNoCase(module, "cannot open")
            ? QVP_ERR_FILE
            : QVP_ERR_PARAM;
  return 1;  // handled: nothing reaches the process-wide handler
}
extern "C" int TiffOnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A handle opened with this context's handlers, closed on destruction.
class TiffHandle {
 public:
  TiffHandle(const char* path, const char* mode, TiffCtx* ctx) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) return;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, TiffOnError, ctx);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, TiffOnWarning, ctx);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxLibraryAlloc);
    m_tif = TIFFOpenExt(path, mode, opts);
    TIFFOpenOptionsFree(opts);
  }
  ~TiffHandle() {
    if (m_tif) TIFFClose(m_tif);
  }
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;
  TIFF* get() const { return m_tif; }

 private:
  TIFF* m_tif = nullptr;
};

uint64_t PathSize(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && st.st_size > 0 ? uint64_t(st.st_size) : 0;
}

int Failure(const TiffCtx& ctx, int fallback) { return ctx.result != QVP_OK ? ctx.result : fallback; }

bool IsDirectPhotometric(uint16_t p, uint16_t bits) {
  switch (p) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_SEPARATED:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV: return true;
    case PHOTOMETRIC_RGB: return bits >= 8;
    default: return false;
  }
}

int ReadDirect(TIFF* tif, TiffCtx& ctx, QvpProcess* record, uint32_t width, uint32_t height) {
  char message[1024] = {};
  TIFFRGBAImage img;
  if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img, tif, 1, message))
    return Failure(ctx, QVP_ERR_PARAM);
  // The RGBA reader premultiplies unassociated alpha; the image model keeps colours as they
  // are stored, so its table is made the identity.
  if (img.alpha == EXTRASAMPLE_UNASSALPHA && img.UaToAa)
    for (int a = 0; a < 256; ++a)
      for (int v = 0; v < 256; ++v) img.UaToAa[a * 256 + v] = uint8_t(v);
  img.req_orientation = ORIENTATION_TOPLEFT;
  const int ok =
      TIFFRGBAImageGet(&img, reinterpret_cast<uint32_t*>(record->image.pictures[0].data), width, height);
  TIFFRGBAImageEnd(&img);
  if (!ok) return Failure(ctx, QVP_ERR_PARAM);
  return QVP_OK;
}

int ReadPalette(TIFF* tif, TiffCtx& ctx, QvpProcess* record, uint32_t width, uint32_t height, uint16_t bits,
                uint16_t spp, uint32_t rowsPerStrip) {
  uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const bool packed = (bits == 1 || bits == 2 || bits == 4) && spp == 1;
  const bool bytes = bits == 8 && (spp == 1 || spp == 2);
  if (TIFFIsTiled(tif) || !(packed || bytes) || (spp > 1 && planar != PLANARCONFIG_CONTIG))
    return QVP_ERR_PARAM;
  const uint64_t scanline = (uint64_t(width) * bits * spp + 7) / 8;
  const uint64_t stripBytes = scanline * rowsPerStrip;
  if (stripBytes > uint64_t(kMaxLibraryAlloc)) return QVP_ERR_DATA;
  auto* buffer = static_cast<uint8_t*>(std::malloc(size_t(stripBytes)));
  if (!buffer) return QVP_ERR_MEMORY;
  uint8_t* pixels = record->image.pictures[0].data;
  const uint32_t strips = TIFFNumberOfStrips(tif);
  int rc = QVP_OK;
  for (uint32_t s = 0; s < strips && rc == QVP_OK; ++s) {
    const uint64_t first = uint64_t(s) * rowsPerStrip;
    if (first >= height) break;
    const uint32_t rows = uint32_t(std::min<uint64_t>(rowsPerStrip, height - first));
    const tmsize_t got = TIFFReadEncodedStrip(tif, s, buffer, tmsize_t(scanline * rows));
    if (got < 0) {
      rc = Failure(ctx, QVP_ERR_DATA);
      break;
    }
    // A short strip fills only the rows it holds completely.
    const uint64_t complete = std::min<uint64_t>(rows, uint64_t(got) / scanline);
    for (uint64_t r = 0; r < complete; ++r) {
      const uint8_t* src = buffer + r * scanline;
      uint8_t* dst = pixels + (first + r) * uint64_t(width) * 2;
      for (uint32_t x = 0; x < width; ++x) {
        uint8_t v;
        if (bits == 8) {
          v = src[size_t(x) * spp];
        } else {
          const size_t bit = size_t(x) * bits;
          v = uint8_t((src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
        }
        dst[size_t(x) * 2] = v;
      }
    }
    if (codec::Cancelled(record, codec::Percent(int64_t(first + rows), height))) rc = QVP_ERR_CANCEL;
  }
  std::free(buffer);
  return rc;
}

int LoadTiff(QvpProcess* record, const char* path) {
  TiffCtx ctx;
  TiffHandle handle(path, "r", &ctx);
  TIFF* tif = handle.get();
  if (!tif) return Failure(ctx, QVP_ERR_FILE);
  uint32_t width = 0, height = 0, rowsPerStrip = 0;
  uint16_t spp = 1, bits = 1, photometric = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
    return Failure(ctx, QVP_ERR_PARAM);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = 0;
  // No rows per strip (0) means one strip, as does a value above the height.
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  uint16_t extraCount = 0;
  uint16_t* extra = nullptr;
  bool alpha = false;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra)
    alpha = extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA ||
            (extra[0] == EXTRASAMPLE_UNSPECIFIED && spp > 3);
  bool palette;
  int entries = 0;
  if (IsDirectPhotometric(photometric, bits)) {
    palette = false;
  } else if (photometric == PHOTOMETRIC_PALETTE) {
    if (bits == 0) return QVP_ERR_PARAM;
    palette = true;
    entries = bits >= 8 ? 256 : 1 << bits;
    alpha = false;
  } else {
    return QVP_ERR_PARAM;
  }
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return QVP_ERR_DATA;
  // Blank pictures compress to next to nothing, but not a gigabyte into a few bytes.
  const uint64_t allocation = uint64_t(width) * height * (palette ? 2 : 4);
  if (!codec::PlausibleSize(allocation, allocation, PathSize(path), 65536)) return QVP_ERR_DATA;
  int rc = record->CreateImage(record, alpha ? QVPIMG_ALPHA : 0, palette ? QVPIMG_IDX : QVPIMG_DIR,
                               int(width), int(height), 1, palette ? 1 : 0, entries);
  if (rc != QVP_OK) return rc;
  if (record->image.pictureCount < 1 || (palette && !record->image.banks)) return QVP_ERR_MEMORY;
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  if (palette) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
      return Failure(ctx, QVP_ERR_PARAM);
    uint8_t* bank = record->image.banks[0].colour;
    for (int i = 0; i < entries; ++i) {
      bank[i * 4] = uint8_t(r[i] >> 8);
      bank[i * 4 + 1] = uint8_t(g[i] >> 8);
      bank[i * 4 + 2] = uint8_t(b[i] >> 8);
    }
    rc = ReadPalette(tif, ctx, record, width, height, bits, spp, rowsPerStrip);
  } else {
    rc = ReadDirect(tif, ctx, record, width, height);
  }
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

}  // namespace

int TiffSave(QvpProcess* record, const char* path, const TiffSettings& in) {
  if (!record || !path) return QVP_ERR_PARAM;
  TiffSettings s = in;
  codec::ClampSettings(s, kTiffSettingKeys);
  const QvpImgLevel* pic = codec::SavedPicture(record);
  if (!pic) return QVP_ERR_PARAM;
  const bool palette = record->image.type == QVPIMG_IDX;
  const bool alpha = !palette && (record->image.flags & QVPIMG_ALPHA);
  const uint8_t* bank = nullptr;
  int entries = 0;
  uint16_t bits = 8, spp = 3;
  if (palette) {
    bank = codec::SavedBank(record);
    entries = codec::SavedEntries(record);
    if (!bank || entries == 0) return QVP_ERR_PARAM;
    bits = entries <= 16 ? 4 : 8;
    spp = 1;
    // An index beyond the colour map would be cut to its low bits: refuse it.
    if (codec::MaxIndex(*pic) >= (1 << bits)) return QVP_ERR_PARAM;
  } else if (record->image.type == QVPIMG_DIR) {
    spp = alpha ? 4 : 3;
  } else {
    return QVP_ERR_PARAM;
  }
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  TiffCtx ctx;
  int rc = QVP_OK;
  {
    TiffHandle handle(path, s.bigEndian ? "wb" : "wl", &ctx);
    TIFF* tif = handle.get();
    if (!tif) return Failure(ctx, QVP_ERR_FILE);
    const uint32_t width = pic->width, height = pic->height;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    if (alpha) {
      // The colours are stored as they are, not premultiplied: unassociated alpha.
      const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (s.compressLzw) {
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
      if (bits * spp >= 8) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    } else {
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (palette) {
      // 16-bit map values: c x 257 puts the colour into the full range (255 is 65535), and
      // its high byte is the colour again.
      uint16_t map[3][256] = {};
      for (int i = 0; i < entries; ++i)
        for (int c = 0; c < 3; ++c) map[c][i] = uint16_t(bank[i * 4 + c] * 257);
      TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }
    const size_t lineBytes = palette ? (size_t(width) * bits + 7) / 8 : size_t(width) * spp;
    auto* line = static_cast<uint8_t*>(std::calloc(lineBytes ? lineBytes : 1, 1));
    if (!line) return QVP_ERR_MEMORY;
    for (uint32_t y = 0; y < height && rc == QVP_OK; ++y) {
      const uint8_t* src = pic->data + size_t(y) * width * (palette ? 2 : 4);
      if (palette && bits == 4) {
        std::memset(line, 0, lineBytes);
        for (uint32_t x = 0; x < width; ++x) line[x / 2] |= uint8_t((src[x * 2] & 0x0F) << ((x & 1) ? 0 : 4));
      } else if (palette) {
        for (uint32_t x = 0; x < width; ++x) line[x] = src[x * 2];
      } else if (alpha) {
        std::memcpy(line, src, size_t(width) * 4);
      } else {
        for (uint32_t x = 0; x < width; ++x) std::memcpy(line + x * 3, src + x * 4, 3);
      }
      if (TIFFWriteScanline(tif, line, y, 0) < 0)
        rc = Failure(ctx, QVP_ERR_PARAM);
      else if (codec::Cancelled(record, codec::Percent(int64_t(y) + 1, height)))
        rc = QVP_ERR_CANCEL;
    }
    std::free(line);
    if (rc == QVP_OK && !TIFFFlush(tif)) rc = Failure(ctx, QVP_ERR_FILE);
  }
  if (rc == QVP_OK && ctx.result != QVP_OK) rc = ctx.result;
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

namespace {

extern "C" int TiffConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
extern "C" int TiffConnectProc(QvpProcess*) { return 1; }
extern "C" void TiffDisconnectProc(QvpProcess*) {}
extern "C" void TiffDisconnect(QvpConnect*) {}
extern "C" void TiffAbout(QvpConnect* connect) { codec::ShowAbout(connect, kName, kAbout); }

extern "C" int TiffCheck(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kTiffLoaderId) return 0;
  const uint8_t* h = file->header;
  return (h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
         (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42);
}

extern "C" int TiffLoad(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kTiffLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  return LoadTiff(record, file->path);
}

// The options dialog belongs to the user interface; until it is attached the saver keeps
// the settings as they are.
extern "C" int TiffSaveOptions(QvpProcess* record, const QvpFile*) {
  if (!record || record->id != kTiffSaverId) return QVP_ERR_PARAM;
  (void)codec::ProfileSettings(record, kSection, kTiffSettingKeys);
  return QVP_OK;
}

extern "C" int TiffSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kTiffSaverId) return QVP_ERR_PARAM;
  return TiffSave(record, file->path, codec::ProfileSettings(record, kSection, kTiffSettingKeys));
}

extern "C" int TiffSettingGet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingGet(record, accessor, kTiffSaverId, kSection, kTiffSettingKeys);
}
extern "C" int TiffSettingSet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingSet(record, accessor, kTiffSaverId, kSection, kTiffSettingKeys);
}

}  // namespace

const BuiltinPluginDesc kTiffPlugin = {
    {TiffConnect, TiffDisconnect, TiffConnectProc, TiffDisconnectProc, TiffAbout, nullptr, TiffCheck,
     TiffLoad, TiffSaveOptions, TiffSaveExec, TiffSettingGet, TiffSettingSet},
    &kInfo,
    kProcs,
};
