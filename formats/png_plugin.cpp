// The PNG loader and saver. libpng reports errors by a long jump: the jump targets sit in
// small functions that hold no object with a destructor, and every buffer they use is owned
// by the caller.
#include "formats/png_plugin.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/default_colour.h"

namespace {

const char kName[] = "PNGフォーマットプラグイン(ビルトイン)";
const char kAbout[] =
    "PNGフォーマットプラグイン(ビルトイン) Ver 1.01\n"
    "This software uses libpng (http://www.libpng.org/) and zlib (https://zlib.net/).";
const char kSection[] = "Plugins\\png";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, kPngLoaderId, "PNGフォーマットローダ", 0x13, {}, "PNG", "*.png", {}},
    {QVP_KIND_SAVE, kPngSaverId, "PNGフォーマットセーバ", 0x53, {}, "PNG", "*.png", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t(16) << 20;
const png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";

// What the library callbacks share: the stream and the result set by the error handler.
struct PngIo {
  FILE* f;
  int result;
};

int PngErrorCode(const char* message) {
  if (codec::ContainsNoCase(message, "out of memory", true) ||
      codec::ContainsNoCase(message, "not enough memory", true) ||
      codec::ContainsNoCase(message, "insufficient memory", true))
    return QVP_ERR_MEMORY;
  if (codec::ContainsNoCase(message, "file i/o error", true)) return QVP_ERR_FILE;
  return QVP_ERR_PARAM;
}

extern "C" void PngOnError(png_structp png, png_const_charp message) {
  static_cast<PngIo*>(png_get_error_ptr(png))->result = PngErrorCode(message);
  png_longjmp(png, 1);
}
extern "C" void PngOnWarning(png_structp, png_const_charp) {}

extern "C" void PngReadData(png_structp png, png_bytep data, size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, io->f) != length) png_error(png, "File I/O Error - Read Error");
}
extern "C" void PngWriteData(png_structp png, png_bytep data, size_t length) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, io->f) != length) png_error(png, "File I/O Error - Write Error");
}
extern "C" void PngFlushData(png_structp png) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (std::fflush(io->f) != 0) png_error(png, "File I/O Error - Flush Error");
}

// What the header tells the loader after the transformations are set.
struct PngHeader {
  png_uint_32 width, height;
  int depth, colourType;
  int passes;
  int channels;  // of the transformed rows: 1 palette, 3 RGB, 4 RGBA
  size_t rowBytes;
  int entries;
  png_color palette[256];
  int transCount;
  uint8_t transAlpha[256];
  bool hasTrns;
  uint8_t transRgb[3];  // the transparent colour of a direct image, on the 8-bit scale
};

int ReadPngHeader(png_structp png, png_infop info, PngIo* io, PngHeader* h) {
  if (setjmp(png_jmpbuf(png))) return io->result;
  png_read_info(png, info);
  int interlace = 0;
  png_get_IHDR(png, info, &h->width, &h->height, &h->depth, &h->colourType, &interlace, nullptr, nullptr);
  png_set_strip_16(png);  // keeps the high byte of each sample
  const bool grey = !(h->colourType & PNG_COLOR_MASK_COLOR);
  if (grey) {
    if (h->depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  h->entries = 0;
  if (h->colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int n = 0;
    if (png_get_PLTE(png, info, &palette, &n) && palette && n > 0) {
      h->entries = n > 256 ? 256 : n;
      std::memcpy(h->palette, palette, sizeof(png_color) * size_t(h->entries));
    }
  }
  h->hasTrns = false;
  h->transCount = 0;
  png_bytep alpha = nullptr;
  int count = 0;
  png_color_16p colour = nullptr;
  if (png_get_tRNS(png, info, &alpha, &count, &colour)) {
    h->hasTrns = true;
    if (h->colourType == PNG_COLOR_TYPE_PALETTE && alpha) {
      h->transCount = count < 0 ? 0 : count > 256 ? 256 : count;
      std::memcpy(h->transAlpha, alpha, size_t(h->transCount));
    } else if (colour) {
      auto to8 = [h](png_uint_16 v) -> uint8_t {
        if (h->depth == 16) return uint8_t(v >> 8);
        if (h->depth == 8) return uint8_t(v);
        const unsigned max = (1u << h->depth) - 1;  // the grey expansion repeats the bits
        return uint8_t((v & max) * 255 / max);
      };
      if (grey) {
        h->transRgb[0] = h->transRgb[1] = h->transRgb[2] = to8(colour->gray);
      } else {
        h->transRgb[0] = to8(colour->red);
        h->transRgb[1] = to8(colour->green);
        h->transRgb[2] = to8(colour->blue);
      }
    }
  }
  h->passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  h->rowBytes = png_get_rowbytes(png, info);
  h->channels = png_get_channels(png, info);
  return QVP_OK;
}

int ReadPngRows(png_structp png, PngIo* io, QvpProcess* record, uint8_t* pixels, size_t stride,
                png_uint_32 height, int passes) {
  if (setjmp(png_jmpbuf(png))) return io->result;
  const int64_t total = int64_t(height) * passes;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, pixels + size_t(y) * stride, nullptr);
      if (codec::Cancelled(record, codec::Percent(int64_t(pass) * height + y + 1, total)))
        return QVP_ERR_CANCEL;
    }
  }
  return QVP_OK;
}

int ReadPngEnd(png_structp png, PngIo* io) {
  if (setjmp(png_jmpbuf(png))) return io->result;
  png_read_end(png, nullptr);
  return QVP_OK;
}

// Turns the rows as libpng left them into the image block's cells, right to left in place.
void ConvertRows(const PngHeader& h, uint8_t* pixels, size_t stride) {
  const uint8_t opaque = OpaqueAlpha();
  for (png_uint_32 y = 0; y < h.height; ++y) {
    uint8_t* row = pixels + size_t(y) * stride;
    if (h.colourType == PNG_COLOR_TYPE_PALETTE) {
      const int bits = h.depth;
      for (png_uint_32 i = h.width; i-- > 0;) {
        const size_t bit = size_t(i) * size_t(bits);
        const uint8_t v = uint8_t((row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
        row[size_t(i) * 2] = v;
        row[size_t(i) * 2 + 1] = 0;
      }
    } else if (h.channels == 3) {
      for (png_uint_32 i = h.width; i-- > 0;) {
        const uint8_t r = row[i * 3], g = row[i * 3 + 1], b = row[i * 3 + 2];
        const bool clear = h.hasTrns && r == h.transRgb[0] && g == h.transRgb[1] && b == h.transRgb[2];
        row[i * 4] = r;
        row[i * 4 + 1] = g;
        row[i * 4 + 2] = b;
        row[i * 4 + 3] = clear ? 0 : opaque;
      }
    }
  }
}

int LoadPng(QvpProcess* record, const char* path) {
  codec::CFile file(path, "rb");
  if (!file) return QVP_ERR_FILE;
  PngIo io{file.get(), QVP_ERR_PARAM};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, PngOnError, PngOnWarning);
  if (!png) return QVP_ERR_MEMORY;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return QVP_ERR_MEMORY;
  }
  png_set_read_fn(png, &io, PngReadData);
  // libpng buffers a known ancillary chunk whole, so a length field of a few gigabytes would
  // become an allocation. The loader needs none of them but tRNS: they are skipped unread.
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, int(sizeof(kIgnoredChunks) / 5));
  auto h = std::make_unique<PngHeader>();
  int rc = ReadPngHeader(png, info, &io, h.get());
  const bool palette = h->colourType == PNG_COLOR_TYPE_PALETTE;
  const bool alpha = (h->colourType & PNG_COLOR_MASK_ALPHA) || h->hasTrns;
  if (rc == QVP_OK) {
    const size_t cell = palette ? 2 : 4;
    // Deflate packs at most 1032 bytes into one: a huge picture needs data behind it.
    const uint64_t raw = uint64_t(h->rowBytes + 1) * h->height;
    if (h->width > 0x7FFFFFFF || h->height > 0x7FFFFFFF || h->rowBytes > size_t(h->width) * cell ||
        (palette && h->entries == 0) || (!palette && h->channels != 3 && h->channels != 4))
      rc = QVP_ERR_DATA;
    else if (!codec::PlausibleSize(uint64_t(h->width) * h->height * cell, raw, codec::FileSize(file.get()),
                                   1100))
      rc = QVP_ERR_DATA;
  }
  if (rc == QVP_OK)
    rc = record->CreateImage(record, alpha ? QVPIMG_ALPHA : 0, palette ? QVPIMG_IDX : QVPIMG_DIR,
                             int(h->width), int(h->height), 1, palette ? 1 : 0, h->entries);
  if (rc == QVP_OK && (record->image.pictureCount < 1 || (palette && !record->image.banks)))
    rc = QVP_ERR_MEMORY;
  if (rc == QVP_OK && palette) {
    uint8_t* bank = record->image.banks[0].colour;
    for (int i = 0; i < h->entries; ++i) {
      bank[i * 4] = h->palette[i].red;
      bank[i * 4 + 1] = h->palette[i].green;
      bank[i * 4 + 2] = h->palette[i].blue;
      if (i < h->transCount) bank[i * 4 + 3] = h->transAlpha[i];
    }
  }
  if (rc == QVP_OK && codec::Cancelled(record, 0)) rc = QVP_ERR_CANCEL;
  const size_t stride = size_t(h->width) * (palette ? 2 : 4);
  if (rc == QVP_OK)
    rc = ReadPngRows(png, &io, record, record->image.pictures[0].data, stride, h->height, h->passes);
  if (rc == QVP_OK) {
    ConvertRows(*h, record->image.pictures[0].data, stride);
    rc = ReadPngEnd(png, &io);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

// What the writer needs; the row buffer belongs to the caller.
struct PngWriteJob {
  PngIo io;
  QvpProcess* record;
  const QvpImgLevel* picture;
  const uint8_t* bank;
  int entries;
  PngSettings settings;
  bool palette, alpha;
  int depth, colourType;
  uint8_t* row;
};

void PackRow(const PngWriteJob& job, png_uint_32 y) {
  const png_uint_32 w = job.picture->width;
  const uint8_t* src = job.picture->data + size_t(y) * w * (job.palette ? 2 : 4);
  if (job.palette) {
    const size_t bytes = (size_t(w) * size_t(job.depth) + 7) / 8;
    std::memset(job.row, 0, bytes);
    for (png_uint_32 x = 0; x < w; ++x) {
      const size_t bit = size_t(x) * size_t(job.depth);
      job.row[bit / 8] |= uint8_t(src[x * 2] << (8 - job.depth - bit % 8));
    }
  } else if (job.alpha) {
    std::memcpy(job.row, src, size_t(w) * 4);
  } else {
    for (png_uint_32 x = 0; x < w; ++x) std::memcpy(job.row + x * 3, src + x * 4, 3);
  }
}

int WritePng(png_structp png, png_infop info, PngWriteJob* job) {
  if (setjmp(png_jmpbuf(png))) return job->io.result;
  const PngSettings& s = job->settings;
  const png_uint_32 w = job->picture->width, h = job->picture->height;
  png_set_IHDR(png, info, w, h, job->depth, job->colourType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (job->palette) {
    png_color plte[256];
    uint8_t trans[256];
    for (int i = 0; i < job->entries; ++i) {
      plte[i] = png_color{job->bank[i * 4], job->bank[i * 4 + 1], job->bank[i * 4 + 2]};
      trans[i] = job->bank[i * 4 + 3];
    }
    png_set_PLTE(png, info, plte, job->entries);
    if (job->alpha) {
      png_set_tRNS(png, info, trans, job->entries, nullptr);
    } else if (s.idxColTrnsIdx0) {
      uint8_t zero = 0;
      png_set_tRNS(png, info, &zero, 1, nullptr);
    }
  } else if (!job->alpha && s.dirColTrns) {
    png_color_16 colour{};
    colour.red = png_uint_16(s.trnsR);
    colour.green = png_uint_16(s.trnsG);
    colour.blue = png_uint_16(s.trnsB);
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  const int64_t total = int64_t(h) * passes;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < h; ++y) {
      PackRow(*job, y);
      png_write_row(png, job->row);
      if (codec::Cancelled(job->record, codec::Percent(int64_t(pass) * h + y + 1, total)))
        return QVP_ERR_CANCEL;
    }
  }
  png_write_end(png, info);
  return QVP_OK;
}

}  // namespace

int PngSave(QvpProcess* record, const char* path, const PngSettings& in) {
  if (!record || !path) return QVP_ERR_PARAM;
  PngWriteJob job{};
  job.settings = in;
  codec::ClampSettings(job.settings, kPngSettingKeys);
  job.record = record;
  job.picture = codec::SavedPicture(record);
  job.palette = record->image.type == QVPIMG_IDX;
  job.alpha = (record->image.flags & QVPIMG_ALPHA) != 0;
  if (!job.picture || (record->image.type != QVPIMG_IDX && record->image.type != QVPIMG_DIR))
    return QVP_ERR_PARAM;
  if (job.palette) {
    job.bank = codec::SavedBank(record);
    job.entries = codec::SavedEntries(record);
    if (!job.bank || job.entries == 0) return QVP_ERR_PARAM;
    job.colourType = PNG_COLOR_TYPE_PALETTE;
    job.depth = job.entries <= 2 ? 1 : job.entries <= 4 ? 2 : job.entries <= 16 ? 4 : 8;
    // An index the palette does not hold would make a file other readers refuse.
    if (codec::MaxIndex(*job.picture) >= job.entries) return QVP_ERR_PARAM;
  } else {
    job.colourType = job.alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    job.depth = 8;
  }
  if (job.picture->width > 0x7FFFFFFF || job.picture->height > 0x7FFFFFFF) return QVP_ERR_PARAM;
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  codec::CFile file(path, "wb");
  if (!file) return QVP_ERR_FILE;
  job.io = PngIo{file.get(), QVP_ERR_PARAM};
  job.row = static_cast<uint8_t*>(std::malloc(size_t(job.picture->width) * 4 + 1));
  if (!job.row) return QVP_ERR_MEMORY;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.io, PngOnError, PngOnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  int rc = QVP_ERR_MEMORY;
  if (png && info) {
    png_set_write_fn(png, &job.io, PngWriteData, PngFlushData);
    rc = WritePng(png, info, &job);
  }
  if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  std::free(job.row);
  if (rc == QVP_OK && !file.Close()) rc = QVP_ERR_FILE;
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

namespace {

extern "C" int PngConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
extern "C" int PngConnectProc(QvpProcess*) { return 1; }
extern "C" void PngDisconnectProc(QvpProcess*) {}
extern "C" void PngDisconnect(QvpConnect*) {}
extern "C" void PngAbout(QvpConnect* connect) { codec::ShowAbout(connect, kName, kAbout); }

extern "C" int PngCheck(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kPngLoaderId) return 0;
  return png_sig_cmp(file->header, 0, 8) == 0;
}

extern "C" int PngLoad(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kPngLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  return LoadPng(record, file->path);
}

// The options dialog belongs to the user interface; until it is attached the saver keeps
// the settings as they are.
extern "C" int PngSaveOptions(QvpProcess* record, const QvpFile*) {
  if (!record || record->id != kPngSaverId) return QVP_ERR_PARAM;
  (void)codec::ProfileSettings(record, kSection, kPngSettingKeys);
  return QVP_OK;
}

extern "C" int PngSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kPngSaverId) return QVP_ERR_PARAM;
  return PngSave(record, file->path, codec::ProfileSettings(record, kSection, kPngSettingKeys));
}

extern "C" int PngSettingGet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingGet(record, accessor, kPngSaverId, kSection, kPngSettingKeys);
}
extern "C" int PngSettingSet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingSet(record, accessor, kPngSaverId, kSection, kPngSettingKeys);
}

}  // namespace

const BuiltinPluginDesc kPngPlugin = {
    {PngConnect, PngDisconnect, PngConnectProc, PngDisconnectProc, PngAbout, nullptr, PngCheck, PngLoad,
     PngSaveOptions, PngSaveExec, PngSettingGet, PngSettingSet},
    &kInfo,
    kProcs,
};
