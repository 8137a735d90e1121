// The built-in QVF plug-in: check, load and save of the native container.
//
// The loader validates every count, size and offset of the header and tables against the
// file's length before it creates the image block, so a short or damaged file fails with the
// data error and never makes the host allocate more than the file can fill.
#include "formats/qvf_plugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "formats/byte_io.h"
#include "formats/qvp_image.h"
#include "platform/checked_math.h"

namespace {

const char kPluginName[] = "QVFフォーマットプラグイン(ビルトイン)";
const char kAbout[] = "QVFフォーマットプラグイン(ビルトイン) Ver 1.00";

const QvpPluginInfo kInfo = {QVP_VERSION, kPluginName, kAbout, {}};

const QvpProcInfo kProcs[] = {
    {QVP_KIND_LOAD, kQvfLoaderId, "QVFフォーマットローダ", 0x3F, {}, "QVFファイル", "*.qvf", {}},
    {QVP_KIND_SAVE, kQvfSaverId, "QVFフォーマットセーバ", 0x3F, {}, "QVFファイル", "*.qvf", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

constexpr uint8_t kMagic[4] = {'Q', 'V', 'F', 'X'};
constexpr size_t kPiece = 102400;
constexpr uint32_t kQvfMaxPictures = 10;  // the model's number of levels

int Progress(QvpProcess* record, int percent) {
  return record->Progress ? record->Progress(record, percent) : 0;
}

// Progress of `done` out of `total` bytes; a total of 0 counts as finished.
int Percent(uint64_t done, uint64_t total) {
  return total == 0 ? 100 : int(std::min<uint64_t>(done, total) * 100 / total);
}

// Positioned reads from the file or from bytes in memory.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t Length() const = 0;
  virtual bool Read(uint64_t offset, uint8_t* dst, size_t n) = 0;
};

class MemorySource : public Source {
 public:
  MemorySource(const uint8_t* bytes, size_t length) : m_bytes(bytes), m_length(length) {}
  uint64_t Length() const override { return m_length; }
  bool Read(uint64_t offset, uint8_t* dst, size_t n) override {
    if (offset > m_length || n > m_length - offset) return false;
    if (n) std::memcpy(dst, m_bytes + offset, n);
    return true;
  }

 private:
  const uint8_t* m_bytes;
  size_t m_length;
};

class FileSource : public Source {
  static bool IsFile(const char* path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
  }

 public:
  explicit FileSource(const char* path) : m_file(IsFile(path) ? std::fopen(path, "rb") : nullptr) {
    if (m_file && std::fseek(m_file, 0, SEEK_END) == 0) {
      const long n = std::ftell(m_file);
      if (n >= 0) m_length = uint64_t(n), m_ok = true;
    }
  }
  ~FileSource() override {
    if (m_file) std::fclose(m_file);
  }
  bool IsOpen() const { return m_file && m_ok; }
  uint64_t Length() const override { return m_length; }
  bool Read(uint64_t offset, uint8_t* dst, size_t n) override {
    if (offset > uint64_t(INT64_MAX)) return false;
    return std::fseek(m_file, long(offset), SEEK_SET) == 0 && std::fread(dst, 1, n, m_file) == n;
  }

 private:
  std::FILE* m_file;
  uint64_t m_length = 0;
  bool m_ok = false;
};

// What the header says, before anything is allocated.
struct QvfHeader {
  uint32_t flags = 0;
  uint8_t bits[4] = {};
  uint8_t type = 0;
  uint32_t pictures = 0;
  uint32_t pictureTable = 0;
  uint32_t banks = 0;
  uint32_t entries = 0;
  uint32_t bankTable = 0;
};

bool CheckHeader(const uint8_t* h) {
  return std::memcmp(h, kMagic, 4) == 0 && ReadU32Le(h + 4) <= kQvfVersion && h[16] <= 1 &&
         (ReadU32Le(h + 20) != 0 || ReadU32Le(h + 28) != 0 || ReadU32Le(h + 32) != 0);
}

QvfHeader DecodeHeader(const uint8_t* h) {
  QvfHeader q;
  q.flags = ReadU32Le(h + 8);
  std::memcpy(q.bits, h + 12, 4);
  q.type = h[16];
  q.pictures = ReadU32Le(h + 20);
  q.pictureTable = ReadU32Le(h + 24);
  q.banks = ReadU32Le(h + 28);
  q.entries = ReadU32Le(h + 32);
  q.bankTable = ReadU32Le(h + 36);
  return q;
}

// One block of data to read: where it lies in the file and how much of it fits the image.
struct Piece {
  uint64_t offset = 0;
  uint64_t bytes = 0;
};

bool Within(uint64_t offset, uint64_t bytes, uint64_t length) {
  return offset <= length && bytes <= length - offset;
}

int LoadFrom(QvpProcess* record, Source& src) {
  if (!record || record->id != kQvfLoaderId || !record->CreateImage) return QVP_ERR_PARAM;
  const uint64_t length = src.Length();
  uint8_t h[kQvfHeaderSize];
  if (length < kQvfHeaderSize) return QVP_ERR_DATA;
  if (!src.Read(0, h, kQvfHeaderSize)) return QVP_ERR_FILE;
  if (!CheckHeader(h)) return QVP_ERR_DATA;
  QvfHeader q = DecodeHeader(h);

  const uint32_t pictures = std::min<uint32_t>(q.pictures, kQvfMaxPictures);
  uint32_t banks = std::min<uint32_t>(q.banks, QVP_MAX_BANKS);
  if (pictures == 0 && banks == 0) return QVP_ERR_DATA;
  if (q.type == QVPIMG_DIR) {
    banks = 0;
    if (pictures == 0) return QVP_ERR_DATA;
  } else if (q.type == QVPIMG_IDX) {
    if (banks == 0 || q.entries == 0) return QVP_ERR_DATA;
  } else {
    return QVP_ERR_DATA;
  }
  const uint32_t entries = q.type == QVPIMG_IDX ? std::min<uint32_t>(q.entries, QVP_MAX_ENTRIES) : 0;

  std::vector<uint8_t> bankTable(size_t(banks) * kQvfEntrySize),
      pictureTable(size_t(pictures) * kQvfEntrySize);
  if (banks) {
    if (!Within(q.bankTable, bankTable.size(), length)) return QVP_ERR_DATA;
    if (!src.Read(q.bankTable, bankTable.data(), bankTable.size())) return QVP_ERR_FILE;
  }
  if (pictures) {
    if (!Within(q.pictureTable, pictureTable.size(), length)) return QVP_ERR_DATA;
    if (!src.Read(q.pictureTable, pictureTable.data(), pictureTable.size())) return QVP_ERR_FILE;
  }

  // The image the create step will make, and what of the file goes into it.
  uint32_t width = 0, height = 0;
  int levels = 0;
  const uint64_t cell = q.type == QVPIMG_DIR ? 4 : 2;
  if (pictures) {
    width = ReadU32Le(pictureTable.data());
    height = ReadU32Le(pictureTable.data() + 4);
    if (width == 0 || height == 0) return QVP_ERR_DATA;
    if (!checked::PlaneBytes(width, height, int64_t(cell))) return QVP_ERR_DATA;
    levels = QvpPossibleLevels(int(width), int(height), int(pictures));
  }
  std::vector<Piece> bankPieces(banks);
  std::vector<Piece> picturePieces{size_t(levels), Piece{}};
  uint64_t total = 0;
  for (uint32_t i = 0; i < banks; ++i) {
    const uint8_t* e = bankTable.data() + size_t(i) * kQvfEntrySize;
    Piece& p = bankPieces[i];
    p.offset = ReadU32Le(e + 4);
    p.bytes = std::min<uint64_t>(ReadU32Le(e), uint64_t(entries) * 4);
    if (!Within(p.offset, p.bytes, length)) return QVP_ERR_DATA;
    total += p.bytes;
  }
  for (int k = 0; k < levels; ++k) {
    const uint8_t* e = pictureTable.data() + size_t(k) * kQvfEntrySize;
    const uint64_t blockBytes = uint64_t(width >> k) * uint64_t(height >> k) * cell;
    const uint64_t fileBytes = ReadU32Le(e + 8);
    // The full-size picture must be complete: a header alone cannot make the host allocate
    // an image the file does not hold.
    if (k == 0 && fileBytes < blockBytes) return QVP_ERR_DATA;
    Piece& p = picturePieces[size_t(k)];
    p.offset = ReadU32Le(e + 12);
    p.bytes = std::min(fileBytes, blockBytes);
    if (!Within(p.offset, p.bytes, length)) return QVP_ERR_DATA;
    total += p.bytes;
  }

  const int rc = record->CreateImage(record, q.flags, q.type, int(width), int(height), int(pictures),
                                     int(banks), int(entries));
  if (rc != QVP_OK) return rc;
  QvpImage& image = record->image;
  std::memcpy(image.bits, q.bits, 4);
  if (image.bankCount > banks || image.pictureCount > uint32_t(levels)) return QVP_ERR_PARAM;

  uint64_t done = 0;
  for (uint32_t i = 0; i < image.bankCount; ++i) {
    const Piece& p = bankPieces[i];
    const uint64_t n = std::min<uint64_t>(p.bytes, image.banks[i].size);
    if (n && !src.Read(p.offset, image.banks[i].colour, size_t(n))) return QVP_ERR_FILE;
    done += n;
    if (Progress(record, Percent(done, total))) return QVP_ERR_CANCEL;
  }
  for (uint32_t k = 0; k < image.pictureCount; ++k) {
    const Piece& p = picturePieces[k];
    const uint64_t n = std::min<uint64_t>(p.bytes, image.pictures[k].size);
    for (uint64_t at = 0; at < n;) {
      const size_t piece = size_t(std::min<uint64_t>(kPiece, n - at));
      if (!src.Read(p.offset + at, image.pictures[k].data + at, piece)) return QVP_ERR_FILE;
      at += piece;
      done += piece;
      if (Progress(record, Percent(done, total))) return QVP_ERR_CANCEL;
    }
  }
  Progress(record, 100);
  return QVP_OK;
}

int SaveTo(QvpProcess* record, const char* path) {
  const QvpImage& image = record->image;
  if (image.type != QVPIMG_DIR && image.type != QVPIMG_IDX) return QVP_ERR_PARAM;
  const uint32_t pictures = image.pictures ? image.pictureCount : 0;
  const uint32_t banks = image.banks ? image.bankCount : 0;
  if (pictures > uint32_t(kQvfMaxPictures) || banks > QVP_MAX_BANKS || (pictures == 0 && banks == 0))
    return QVP_ERR_PARAM;
  const uint32_t bankBytes = std::min<uint32_t>(image.entryCount, QVP_MAX_ENTRIES) * 4;

  const size_t tableBytes = kQvfHeaderSize + kQvfEntrySize * (size_t(banks) + pictures);
  std::vector<uint8_t> head;
  try {
    head.assign(tableBytes, 0);
  } catch (const std::bad_alloc&) {
    return QVP_ERR_MEMORY;
  }
  uint8_t* h = head.data();
  std::memcpy(h, kMagic, 4);
  WriteU32Le(h + 4, kQvfVersion);
  WriteU32Le(h + 8, image.flags);
  std::memcpy(h + 12, image.bits, 4);
  h[16] = image.type;
  WriteU32Le(h + 20, pictures);
  WriteU32Le(h + 24, uint32_t(kQvfHeaderSize + kQvfEntrySize * banks));
  WriteU32Le(h + 28, banks);
  WriteU32Le(h + 32, image.entryCount);
  WriteU32Le(h + 36, uint32_t(kQvfHeaderSize));

  uint64_t offset = tableBytes, total = 0;
  for (uint32_t i = 0; i < banks; ++i) {
    if (!image.banks[i].colour) return QVP_ERR_PARAM;
    uint8_t* e = h + kQvfHeaderSize + size_t(i) * kQvfEntrySize;
    WriteU32Le(e, bankBytes);
    WriteU32Le(e + 4, uint32_t(offset));
    offset += bankBytes;
    total += bankBytes;
  }
  for (uint32_t k = 0; k < pictures; ++k) {
    const QvpImgLevel& level = image.pictures[k];
    if (!level.data && level.size) return QVP_ERR_PARAM;
    uint8_t* e = h + kQvfHeaderSize + (size_t(banks) + k) * kQvfEntrySize;
    WriteU32Le(e, level.width);
    WriteU32Le(e + 4, level.height);
    WriteU32Le(e + 8, level.size);
    if (offset > UINT32_MAX) return QVP_ERR_PARAM;  // the format's offsets are 32-bit
    WriteU32Le(e + 12, uint32_t(offset));
    offset += level.size;
    total += level.size;
  }

  std::FILE* f = std::fopen(path, "wb");
  if (!f) return QVP_ERR_FILE;
  auto fail = [f](int rc) {
    std::fclose(f);
    return rc;
  };
  if (std::fwrite(h, 1, tableBytes, f) != tableBytes) return fail(QVP_ERR_FILE);
  uint64_t done = 0;
  for (uint32_t i = 0; i < banks; ++i) {
    if (std::fwrite(image.banks[i].colour, 1, bankBytes, f) != bankBytes) return fail(QVP_ERR_FILE);
    done += bankBytes;
    if (Progress(record, Percent(done, total))) return fail(QVP_ERR_CANCEL);
  }
  for (uint32_t k = 0; k < pictures; ++k) {
    const QvpImgLevel& level = image.pictures[k];
    for (uint64_t at = 0; at < level.size;) {
      const size_t piece = size_t(std::min<uint64_t>(kPiece, level.size - at));
      if (std::fwrite(level.data + at, 1, piece, f) != piece) return fail(QVP_ERR_FILE);
      at += piece;
      done += piece;
      if (Progress(record, Percent(done, total))) return fail(QVP_ERR_CANCEL);
    }
  }
  if (std::fclose(f) != 0) return QVP_ERR_FILE;
  Progress(record, 100);
  return QVP_OK;
}

// ---- the Qvp functions ----

int QvfConnectPlugin(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  if (!info || !table) return 0;
  *info = &kInfo;
  *table = kProcs;
  return 1;
}
void QvfDisconnectPlugin(QvpConnect*) {}
int QvfConnectProc(QvpProcess*) { return 1; }
void QvfDisconnectProc(QvpProcess*) {}
void QvfDispAbout(QvpConnect* connect) {
  if (connect && connect->parentWindow && connect->parentWindow->MessageBox)
    connect->parentWindow->MessageBox(connect->parentWindow->context, kAbout, kPluginName, QVP_MB_OK);
}
int QvfLoadOptions(QvpProcess*, const QvpFile*) { return QVP_OK; }
int QvfSaveOptions(QvpProcess*, const QvpFile*) { return QVP_OK; }

int QvfLoadChkSupport(QvpProcess* record, const QvpFile* file) {
  if (!record || record->id != kQvfLoaderId || !file) return 0;
  return CheckHeader(file->header) ? 1 : 0;
}

int QvfLoadExec(QvpProcess* record, const QvpFile* file) {
  if (!record || record->id != kQvfLoaderId || !file) return QVP_ERR_PARAM;
  FileSource src(file->path);
  if (!src.IsOpen()) return QVP_ERR_FILE;
  return LoadFrom(record, src);
}

int QvfSaveExec(QvpProcess* record, const QvpFile* file) {
  if (!record || record->id != kQvfSaverId || !file) return QVP_ERR_PARAM;
  return SaveTo(record, file->path);
}

}  // namespace

int QvfLoadFromBytes(QvpProcess* record, const uint8_t* bytes, size_t length) {
  MemorySource src(bytes, bytes ? length : 0);
  return LoadFrom(record, src);
}

const BuiltinPluginDesc kQvfPlugin = {
    {QvfConnectPlugin, QvfDisconnectPlugin, QvfConnectProc, QvfDisconnectProc, QvfDispAbout, QvfLoadOptions,
     QvfLoadChkSupport, QvfLoadExec, QvfSaveOptions, QvfSaveExec, nullptr, nullptr},
    &kInfo,
    kProcs,
};
