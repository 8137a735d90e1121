// Small helpers shared by the built-in GIF, JPEG, PNG and TIFF codecs: an owned C file,
// progress with cancel, access to the saved picture and bank of a process record, and the
// integer settings records of the savers (defaults, clamping, the Qvp settings accessor and
// the application profile section "Plugins\<name>").
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "formats/builtin_plugin.h"
#include "formats/qvp.h"
#include "settings/profile.h"

namespace codec {

// A C stream closed on destruction unless handed over with Close().
class CFile {
 public:
  CFile(const char* path, const char* mode) : m_f(std::fopen(path, mode)) {}
  ~CFile() {
    if (m_f) std::fclose(m_f);
  }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  FILE* get() const { return m_f; }
  explicit operator bool() const { return m_f != nullptr; }
  // Closes the stream; false when buffered data could not be written.
  bool Close() {
    const bool ok = m_f && std::fclose(m_f) == 0;
    m_f = nullptr;
    return ok;
  }

 private:
  FILE* m_f;
};

// Reports progress; true when the user wants to cancel.
inline bool Cancelled(QvpProcess* record, int percent) {
  return record && record->Progress && record->Progress(record, percent) != 0;
}

// Percent of `done` out of `total`, computed in 64 bits.
inline int Percent(int64_t done, int64_t total) { return total > 0 ? int(done * 100 / total) : 100; }

// The picture a saver writes: the record's picture index, or picture 0 when out of range.
inline const QvpImgLevel* SavedPicture(const QvpProcess* record) {
  const QvpImage& img = record->image;
  if (!img.pictures || img.pictureCount == 0) return nullptr;
  uint32_t i = record->pictureIndex >= 0 ? uint32_t(record->pictureIndex) : 0;
  if (i >= img.pictureCount) i = 0;
  const QvpImgLevel* p = &img.pictures[i];
  if (!p->data || p->width == 0 || p->height == 0) return nullptr;
  const uint64_t cell = img.type == QVPIMG_DIR ? 4 : 2;
  if (uint64_t(p->width) * p->height * cell > p->size) return nullptr;
  return p;
}

// The bank a palette saver uses (R, G, B, A entries), or null.
inline const uint8_t* SavedBank(const QvpProcess* record) {
  const QvpImage& img = record->image;
  if (!img.banks || img.bankCount == 0) return nullptr;
  uint32_t i = record->bankIndex >= 0 ? uint32_t(record->bankIndex) : 0;
  if (i >= img.bankCount) i = 0;
  return img.banks[i].colour;
}

// Entries used in the saved bank: 1..256.
inline int SavedEntries(const QvpProcess* record) {
  const uint32_t n = record->image.entryCount;
  return n == 0 ? 0 : n > 256 ? 256 : int(n);
}

// Largest palette index in a palette picture.
inline int MaxIndex(const QvpImgLevel& picture) {
  int m = 0;
  const uint64_t cells = uint64_t(picture.width) * picture.height;
  for (uint64_t i = 0; i < cells; ++i)
    if (picture.data[i * 2] > m) m = picture.data[i * 2];
  return m;
}

// Case-insensitive ASCII search of `needle` in `text` (library messages change case between
// versions); `atStart` asks for a prefix.
inline bool ContainsNoCase(const char* text, const char* needle, bool atStart = false) {
  if (!text || !needle) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  for (const char* t = text; *t; ++t) {
    const char* a = t;
    const char* b = needle;
    while (*a && *b && lower(*a) == lower(*b)) ++a, ++b;
    if (!*b) return true;
    if (atStart) return false;
  }
  return false;
}

// Size of an open file in bytes (0 when unknown).
inline uint64_t FileSize(FILE* f) {
  const long pos = std::ftell(f);
  if (pos < 0 || std::fseek(f, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(f);
  std::fseek(f, pos, SEEK_SET);
  return end > 0 ? uint64_t(end) : 0;
}

// Whether a picture needing `allocation` bytes, whose data decodes to `decoded` bytes, can
// come from a file of `fileBytes` whose compression packs at most `ratio` decoded bytes into
// one stored byte. Pictures up to 64 MiB always pass; a header that claims a huge picture
// with too little data behind it is refused before the picture is allocated.
inline bool PlausibleSize(uint64_t allocation, uint64_t decoded, uint64_t fileBytes, uint64_t ratio) {
  constexpr uint64_t kAlwaysFine = uint64_t(64) << 20;
  return allocation <= kAlwaysFine || decoded / ratio <= fileBytes;
}

// One integer key of a settings record: its name, default and range.
template <class S>
struct SettingKey {
  const char* key;
  int S::*field;
  int def;
  int lo;
  int hi;
};

template <class S, size_t N>
S DefaultSettings(const SettingKey<S> (&keys)[N]) {
  S s{};
  for (const auto& k : keys) s.*k.field = k.def;
  return s;
}

template <class S, size_t N>
void ClampSettings(S& s, const SettingKey<S> (&keys)[N]) {
  for (const auto& k : keys) {
    int& v = s.*k.field;
    v = v < k.lo ? k.lo : v > k.hi ? k.hi : v;
  }
}

// Reads every key through the accessor (the default of a missing key is the key's default).
template <class S, size_t N>
S ReadSettings(QvpProcess* record, QvpSettingIf* accessor, const SettingKey<S> (&keys)[N]) {
  S s = DefaultSettings(keys);
  if (accessor && accessor->GetInt)
    for (const auto& k : keys) s.*k.field = accessor->GetInt(record, accessor, k.key, k.def);
  ClampSettings(s, keys);
  return s;
}

// Writes every key through the accessor; false when a key could not be stored.
template <class S, size_t N>
bool WriteSettings(QvpProcess* record, QvpSettingIf* accessor, const S& s, const SettingKey<S> (&keys)[N]) {
  if (!accessor || !accessor->SetInt) return false;
  bool ok = true;
  for (const auto& k : keys) ok = accessor->SetInt(record, accessor, k.key, s.*k.field) != 0 && ok;
  return ok;
}

// The application profile's copy of a codec's settings, in the section "Plugins\<name>".
// Without a profile the codec works with its defaults and stores nothing.
template <class S, size_t N>
S ProfileSettings(const QvpProcess* record, const char* section, const SettingKey<S> (&keys)[N]) {
  S s = DefaultSettings(keys);
  const BuiltinHost* host = BuiltinHostOf(record);
  if (host && host->profile)
    for (const auto& k : keys) s.*k.field = host->profile->GetInt(section, k.key, k.def);
  ClampSettings(s, keys);
  return s;
}

template <class S, size_t N>
void StoreProfileSettings(const QvpProcess* record, const char* section, const S& s,
                          const SettingKey<S> (&keys)[N]) {
  const BuiltinHost* host = BuiltinHostOf(record);
  if (host && host->profile)
    for (const auto& k : keys) host->profile->WriteInt(section, k.key, s.*k.field);
}

// QvpSettingGet of a saver: take the values from the accessor into the profile.
template <class S, size_t N>
int SettingGet(QvpProcess* record, QvpSettingIf* accessor, int32_t saverId, const char* section,
               const SettingKey<S> (&keys)[N]) {
  if (!record || record->id != saverId || !accessor) return QVP_ERR_PARAM;
  StoreProfileSettings(record, section, ReadSettings(record, accessor, keys), keys);
  return QVP_OK;
}

// QvpSettingSet of a saver: write the profile's values through the accessor.
template <class S, size_t N>
int SettingSet(QvpProcess* record, QvpSettingIf* accessor, int32_t saverId, const char* section,
               const SettingKey<S> (&keys)[N]) {
  if (!record || record->id != saverId || !accessor) return QVP_ERR_PARAM;
  return WriteSettings(record, accessor, ProfileSettings(record, section, keys), keys) ? QVP_OK
                                                                                       : QVP_ERR_PARAM;
}

// Shows a built-in plug-in's about text in an OK message box captioned with its name.
inline void ShowAbout(QvpConnect* connect, const char* name, const char* about) {
  if (connect && connect->parentWindow && connect->parentWindow->MessageBox)
    connect->parentWindow->MessageBox(connect->parentWindow->context, about, name, QVP_MB_OK);
}

}  // namespace codec
