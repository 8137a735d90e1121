// The JPEG loader and saver. libjpeg's error exit jumps back to small functions that hold
// no object with a destructor; everything they use is owned by the caller or by libjpeg's
// own memory pools.
#include "formats/jpeg_plugin.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/paths.h"

namespace {

const char kName[] = "JPEGフォーマットプラグイン(ビルトイン)";
const char kAbout[] =
    "JPEGフォーマットプラグイン(ビルトイン) Ver 1.01\n"
    "This software is based in part on the work of the Independent JPEG Group.";
const char kSection[] = "Plugins\\jpeg";

const QvpPluginInfo kInfo = {QVP_VERSION, kName, kAbout, {}};

// The loader's patterns name "*.jpeg" with its dot so that the extension lookup finds it.
const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, kJpegLoaderId, "JPEGフォーマットローダ", 0x01, {}, "JPEG", "*.jpg;*.jpeg;*.jpe", {}},
    {QVP_KIND_SAVE, kJpegSaverId, "JPEGフォーマットセーバ", 0x43, {}, "JPEG", "*.jpg", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr size_t kBufferSize = 4096;

struct JpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
  int result;
};

int JpegErrorCode(int code) {
  switch (code) {
    case JERR_EMPTY_IMAGE:
    case JERR_NO_IMAGE: return QVP_ERR_DATA;
    case JERR_FILE_READ:
    case JERR_FILE_WRITE:
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF: return QVP_ERR_FILE;
    case JERR_OUT_OF_MEMORY: return QVP_ERR_MEMORY;
    default: return QVP_ERR_PARAM;
  }
}

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  e->result = JpegErrorCode(e->pub.msg_code);
  longjmp(e->jump, 1);
}
extern "C" void JpegOutputMessage(j_common_ptr) {}

void InitError(JpegError* e) {
  std::memset(e, 0, sizeof(*e));
  jpeg_std_error(&e->pub);
  e->pub.error_exit = JpegErrorExit;
  e->pub.output_message = JpegOutputMessage;
  e->result = QVP_ERR_PARAM;
}

// Source: the stream in 4096-byte pieces; at its end an end-of-image marker is supplied so
// that truncated files still decode.
struct JpegSource {
  jpeg_source_mgr pub;
  FILE* f;
  bool startOfFile;
  JOCTET buffer[kBufferSize];
};

extern "C" void SrcInit(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = true;
}

extern "C" boolean SrcFill(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  size_t n = std::fread(src->buffer, 1, kBufferSize, src->f);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = false;
  return TRUE;
}

extern "C" void SrcSkip(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  if (count <= 0) return;
  while (count > long(src->pub.bytes_in_buffer)) {
    count -= long(src->pub.bytes_in_buffer);
    SrcFill(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

extern "C" void SrcTerm(j_decompress_ptr) {}

// Destination: a 4096-byte buffer written to the stream, or only counted when there is none.
struct JpegDest {
  jpeg_destination_mgr pub;
  FILE* f;
  uint64_t count;
  JOCTET buffer[kBufferSize];
};

extern "C" void DstInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kBufferSize;
}

extern "C" boolean DstEmpty(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  if (d->f && std::fwrite(d->buffer, 1, kBufferSize, d->f) != kBufferSize) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->count += kBufferSize;
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kBufferSize;
  return TRUE;
}

extern "C" void DstTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  const size_t n = kBufferSize - d->pub.free_in_buffer;
  if (d->f && n > 0 && std::fwrite(d->buffer, 1, n, d->f) != n) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->count += n;
  if (d->f && std::fflush(d->f) != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

int DecodeJpeg(jpeg_decompress_struct* cinfo, JpegError* err, JpegSource* src, QvpProcess* record,
               uint64_t fileSize) {
  if (setjmp(err->jump)) return err->result;
  jpeg_create_decompress(cinfo);
  cinfo->src = &src->pub;
  jpeg_read_header(cinfo, TRUE);
  const J_COLOR_SPACE space = cinfo->out_color_space;
  if (space != JCS_RGB && space != JCS_GRAYSCALE && space != JCS_CMYK) return QVP_ERR_DATA;
  // A scan of a blank picture costs a few bits per 8 x 8 block: a huge picture needs data.
  const uint64_t pixels = uint64_t(cinfo->image_width) * cinfo->image_height;
  if (!codec::PlausibleSize(pixels * 4, pixels * uint64_t(cinfo->num_components), fileSize, 1024))
    return QVP_ERR_DATA;
  jpeg_start_decompress(cinfo);
  const int comps = cinfo->output_components;
  if ((space == JCS_RGB && comps != 3) || (space == JCS_GRAYSCALE && comps != 1) ||
      (space == JCS_CMYK && comps != 4))
    return QVP_ERR_DATA;
  const JDIMENSION width = cinfo->output_width, height = cinfo->output_height;
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return QVP_ERR_DATA;
  int rc = record->CreateImage(record, 0, QVPIMG_DIR, int(width), int(height), 1, 0, 0);
  if (rc != QVP_OK) return rc;
  if (record->image.pictureCount < 1) return QVP_ERR_MEMORY;
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               width * JDIMENSION(comps), 1);
  uint8_t* pixels8 = record->image.pictures[0].data;
  while (cinfo->output_scanline < height) {
    const JDIMENSION y = cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) return QVP_ERR_DATA;
    uint8_t* dst = pixels8 + size_t(y) * width * 4;
    const JSAMPLE* s = row[0];
    for (JDIMENSION x = 0; x < width; ++x, dst += 4) {
      if (comps == 3) {
        dst[0] = s[x * 3], dst[1] = s[x * 3 + 1], dst[2] = s[x * 3 + 2];
      } else if (comps == 1) {
        dst[0] = dst[1] = dst[2] = s[x];
      } else {
        const unsigned k = s[x * 4 + 3];
        dst[0] = uint8_t(s[x * 4] * k / 255);
        dst[1] = uint8_t(s[x * 4 + 1] * k / 255);
        dst[2] = uint8_t(s[x * 4 + 2] * k / 255);
      }
    }
    if (codec::Cancelled(record, codec::Percent(int64_t(y) + 1, height))) return QVP_ERR_CANCEL;
  }
  jpeg_finish_decompress(cinfo);
  return QVP_OK;
}

int LoadJpeg(QvpProcess* record, const char* path) {
  codec::CFile file(path, "rb");
  if (!file) return QVP_ERR_FILE;
  auto cinfo = std::make_unique<jpeg_decompress_struct>();
  auto err = std::make_unique<JpegError>();
  auto src = std::make_unique<JpegSource>();
  std::memset(cinfo.get(), 0, sizeof(*cinfo));
  InitError(err.get());
  cinfo->err = &err->pub;
  std::memset(src.get(), 0, sizeof(*src));
  src->f = file.get();
  src->pub.init_source = SrcInit;
  src->pub.fill_input_buffer = SrcFill;
  src->pub.skip_input_data = SrcSkip;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = SrcTerm;
  int rc = DecodeJpeg(cinfo.get(), err.get(), src.get(), record, codec::FileSize(file.get()));
  jpeg_destroy_decompress(cinfo.get());
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

struct JpegEncodeJob {
  QvpProcess* record;
  const QvpImgLevel* picture;
  const uint8_t* bank;  // palette images: the colours of the indices
  int quality;
  bool progressive;
  bool reportProgress;
};

int EncodeJpeg(jpeg_compress_struct* cinfo, JpegError* err, JpegDest* dest, const JpegEncodeJob* job) {
  if (setjmp(err->jump)) return err->result;
  jpeg_create_compress(cinfo);
  cinfo->dest = &dest->pub;
  const JDIMENSION width = job->picture->width, height = job->picture->height;
  cinfo->image_width = width;
  cinfo->image_height = height;
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, job->quality, FALSE);
  if (job->progressive) jpeg_simple_progression(cinfo);
  cinfo->optimize_coding = TRUE;
  jpeg_start_compress(cinfo, TRUE);
  JSAMPARRAY row =
      (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 3, 1);
  const bool palette = job->bank != nullptr;
  while (cinfo->next_scanline < height) {
    const JDIMENSION y = cinfo->next_scanline;
    const uint8_t* src = job->picture->data + size_t(y) * width * (palette ? 2 : 4);
    JSAMPLE* d = row[0];
    for (JDIMENSION x = 0; x < width; ++x, d += 3) {
      const uint8_t* c = palette ? job->bank + size_t(src[x * 2]) * 4 : src + size_t(x) * 4;
      d[0] = c[0], d[1] = c[1], d[2] = c[2];
    }
    jpeg_write_scanlines(cinfo, row, 1);
    if (job->reportProgress && codec::Cancelled(job->record, codec::Percent(int64_t(y) + 1, height)))
      return QVP_ERR_CANCEL;
  }
  jpeg_finish_compress(cinfo);
  return QVP_OK;
}

// Encodes into `f` (or only counts the bytes when `f` is null).
int Encode(QvpProcess* record, FILE* f, int quality, bool progressive, bool reportProgress, uint64_t* size) {
  JpegEncodeJob job{record, codec::SavedPicture(record), nullptr, quality, progressive, reportProgress};
  if (!job.picture) return QVP_ERR_PARAM;
  if (record->image.type == QVPIMG_IDX) {
    job.bank = codec::SavedBank(record);
    if (!job.bank) return QVP_ERR_PARAM;
  } else if (record->image.type != QVPIMG_DIR) {
    return QVP_ERR_PARAM;
  }
  if (job.picture->width > JPEG_MAX_DIMENSION || job.picture->height > JPEG_MAX_DIMENSION)
    return QVP_ERR_PARAM;
  auto cinfo = std::make_unique<jpeg_compress_struct>();
  auto err = std::make_unique<JpegError>();
  auto dest = std::make_unique<JpegDest>();
  std::memset(cinfo.get(), 0, sizeof(*cinfo));
  InitError(err.get());
  cinfo->err = &err->pub;
  std::memset(dest.get(), 0, sizeof(*dest));
  dest->f = f;
  dest->pub.init_destination = DstInit;
  dest->pub.empty_output_buffer = DstEmpty;
  dest->pub.term_destination = DstTerm;
  const int rc = EncodeJpeg(cinfo.get(), err.get(), dest.get(), &job);
  jpeg_destroy_compress(cinfo.get());
  if (size) *size = dest->count;
  return rc;
}

}  // namespace

int JpegEncoderQuality(int setting) {
  const int q = setting * 85 / 100 + 15;
  return q < 0 ? 0 : q > 100 ? 100 : q;
}

uint64_t JpegSizeLimit(const JpegSettings& s) {
  const uint64_t v = s.fileSizeLimVal < 0 ? 0 : uint64_t(s.fileSizeLimVal);
  return s.fileSizeLimRadix == 1 ? v << 10 : s.fileSizeLimRadix == 2 ? v << 20 : v;
}

int JpegEncodedSize(QvpProcess* record, int encoderQuality, bool progressive, uint64_t* size) {
  if (!record) return QVP_ERR_PARAM;
  return Encode(record, nullptr, encoderQuality, progressive, false, size);
}

int JpegSearchQuality(QvpProcess* record, const JpegSettings& in, int* quality) {
  JpegSettings s = in;
  codec::ClampSettings(s, kJpegSettingKeys);
  const uint64_t limit = JpegSizeLimit(s);
  int best = 0;
  if (limit >= 32) {
    int low = 0, high = 100;
    while (high >= low) {
      const int m = (low + high) / 2;
      uint64_t size = 0;
      const int rc = JpegEncodedSize(record, m, s.progression != 0, &size);
      if (rc != QVP_OK) return rc;
      if (size > limit) {
        high = m - 1;
      } else {
        best = std::max(best, m);
        if (size == limit) break;
        low = m + 1;
      }
    }
  }
  *quality = best;
  return QVP_OK;
}

int JpegSave(QvpProcess* record, const char* path, const JpegSettings& in) {
  if (!record || !path) return QVP_ERR_PARAM;
  JpegSettings s = in;
  codec::ClampSettings(s, kJpegSettingKeys);
  if (!codec::SavedPicture(record)) return QVP_ERR_PARAM;
  int quality = JpegEncoderQuality(s.quality);
  if (s.fileSizeLimEnb) {
    const int rc = JpegSearchQuality(record, s, &quality);
    if (rc != QVP_OK) return rc;
  }
  if (codec::Cancelled(record, 0)) return QVP_ERR_CANCEL;
  codec::CFile file(path, "wb");
  if (!file) return QVP_ERR_FILE;
  int rc = Encode(record, file.get(), quality, s.progression != 0, true, nullptr);
  if (rc == QVP_OK && !file.Close()) rc = QVP_ERR_FILE;
  if (rc == QVP_OK && codec::Cancelled(record, 100)) rc = QVP_ERR_CANCEL;
  return rc;
}

namespace {

bool IsJpegExtension(const char* ext) {
  for (const char* want : {"jpg", "jpe", "jpeg"})
    if (paths::EqualsIgnoreCase(ext, want)) return true;
  return false;
}

extern "C" int JpegConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
extern "C" int JpegConnectProc(QvpProcess*) { return 1; }
extern "C" void JpegDisconnectProc(QvpProcess*) {}
extern "C" void JpegDisconnect(QvpConnect*) {}
extern "C" void JpegAbout(QvpConnect* connect) { codec::ShowAbout(connect, kName, kAbout); }

extern "C" int JpegCheck(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kJpegLoaderId) return 0;
  if (file->header[0] != 0xFF || file->header[1] == 0x00 || file->header[1] == 0xFF) return 0;
  return IsJpegExtension(file->extension);
}

extern "C" int JpegLoad(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kJpegLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  return LoadJpeg(record, file->path);
}

// The options dialog belongs to the user interface; until it is attached the saver keeps
// the settings as they are.
extern "C" int JpegSaveOptions(QvpProcess* record, const QvpFile*) {
  if (!record || record->id != kJpegSaverId) return QVP_ERR_PARAM;
  (void)codec::ProfileSettings(record, kSection, kJpegSettingKeys);
  return QVP_OK;
}

extern "C" int JpegSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || !file || record->id != kJpegSaverId) return QVP_ERR_PARAM;
  return JpegSave(record, file->path, codec::ProfileSettings(record, kSection, kJpegSettingKeys));
}

extern "C" int JpegSettingGet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingGet(record, accessor, kJpegSaverId, kSection, kJpegSettingKeys);
}
extern "C" int JpegSettingSet(QvpProcess* record, QvpSettingIf* accessor) {
  return codec::SettingSet(record, accessor, kJpegSaverId, kSection, kJpegSettingKeys);
}

}  // namespace

const BuiltinPluginDesc kJpegPlugin = {
    {JpegConnect, JpegDisconnect, JpegConnectProc, JpegDisconnectProc, JpegAbout, nullptr, JpegCheck,
     JpegLoad, JpegSaveOptions, JpegSaveExec, JpegSettingGet, JpegSettingSet},
    &kInfo,
    kProcs,
};
