// Settings accessor functions over a settings section.
#include "formats/qvp_setting_if.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "settings/prof_sect.h"

namespace {

constexpr int kMaxText = 512;   // buffer room used of a text read
constexpr int kMaxBytes = 256;  // bytes of a binary value

CProfSect* SectionOf(QvpProcess* record, QvpSettingIf* acc, const char* key) {
  if (!record || !acc || !acc->settings || !key) return nullptr;
  return static_cast<CProfSect*>(acc->settings);
}

int32_t GetInt(QvpProcess* record, QvpSettingIf* acc, const char* key, int32_t def) {
  CProfSect* s = SectionOf(record, acc, key);
  return s ? s->GetInt("", key, def) : def;
}

int32_t GetText(QvpProcess* record, QvpSettingIf* acc, const char* key, const char* def, char* buffer,
                int32_t size) {
  CProfSect* s = SectionOf(record, acc, key);
  if (!s || !buffer || size <= 0) return 0;
  const std::string text = s->GetString("", key, def ? def : "");
  const size_t room = size_t(std::min(size, kMaxText)) - 1;
  const size_t n = std::min(text.size(), room);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return int32_t(n);
}

double GetReal(QvpProcess* record, QvpSettingIf* acc, const char* key, double def) {
  CProfSect* s = SectionOf(record, acc, key);
  return s ? s->GetReal("", key, def) : def;
}

int32_t GetBytes(QvpProcess* record, QvpSettingIf* acc, const char* key, void* buffer, int32_t size) {
  CProfSect* s = SectionOf(record, acc, key);
  if (!s || !buffer || size <= 0) return 0;
  return s->GetBinary("", key, buffer, std::min(size, kMaxBytes));
}

int32_t SetInt(QvpProcess* record, QvpSettingIf* acc, const char* key, int32_t value) {
  CProfSect* s = SectionOf(record, acc, key);
  return s && s->SetInt("", key, value) ? 1 : 0;
}

int32_t SetText(QvpProcess* record, QvpSettingIf* acc, const char* key, const char* text) {
  CProfSect* s = SectionOf(record, acc, key);
  if (!s) return 0;
  std::string value = text ? text : "";
  if (value.size() > kMaxText - 1) value.resize(kMaxText - 1);
  return s->SetString("", key, value) ? 1 : 0;
}

int32_t SetReal(QvpProcess* record, QvpSettingIf* acc, const char* key, double value) {
  CProfSect* s = SectionOf(record, acc, key);
  return s && s->SetReal("", key, value) ? 1 : 0;
}

int32_t SetBytes(QvpProcess* record, QvpSettingIf* acc, const char* key, const void* data, int32_t length) {
  CProfSect* s = SectionOf(record, acc, key);
  if (!s || length < 0 || length > kMaxBytes || (length > 0 && !data)) return 0;
  return s->SetBinary("", key, data, size_t(length)) ? length : 0;
}

}  // namespace

QvpSettingIf MakeQvpSettingIf(CProfSect* section) {
  QvpSettingIf acc{};
  acc.settings = section;
  acc.GetInt = GetInt;
  acc.GetText = GetText;
  acc.GetReal = GetReal;
  acc.GetBytes = GetBytes;
  acc.SetInt = SetInt;
  acc.SetText = SetText;
  acc.SetReal = SetReal;
  acc.SetBytes = SetBytes;
  return acc;
}
