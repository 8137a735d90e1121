// Profile accessors over a section tree or the application profile.
#include "settings/profile.h"

#include "settings/app_profile.h"
#include "settings/prof_sect.h"
#include "settings/value_text.h"

CProfile::~CProfile() = default;

std::string CProfile::MakeSection(const char* sect, const char* profDefault, const char* fileDefault,
                                  const char* subName) const {
  const char* start = sect ? sect : (m_pRoot ? fileDefault : profDefault);
  std::string path = start ? start : "";
  if (subName) {
    if (!path.empty()) path += '\\';
    path += subName;
  }
  return path;
}

bool CProfile::WriteString(std::string_view sect, std::string_view key, std::string_view text) {
  if (m_pRoot) return m_pRoot->SetString(sect, key, text);
  if (!m_pApp || !m_pApp->Root().SetString(sect, key, text)) return false;
  m_pApp->MarkDirty();
  return true;
}

bool CProfile::WriteInt(std::string_view sect, std::string_view key, int value) {
  return WriteString(sect, key, settings_text::FormatInt(value));
}

bool CProfile::WriteReal(std::string_view sect, std::string_view key, double value) {
  return WriteString(sect, key, settings_text::FormatReal(value));
}

bool CProfile::WriteBinary(std::string_view sect, std::string_view key, const void* data, size_t size) {
  return WriteString(sect, key, settings_text::FormatBinary(data, size));
}

std::string CProfile::GetString(std::string_view sect, std::string_view key, std::string_view def) const {
  if (m_pRoot) return m_pRoot->GetString(sect, key, def);
  if (!m_pApp) return std::string(def);
  return m_pApp->Root().GetString(sect, key, def);
}

// In the application profile an empty value counts as missing, as it does for a typed value of
// the platform's store; in a file it reads as 0.
int CProfile::GetInt(std::string_view sect, std::string_view key, int def) const {
  if (m_pRoot) return m_pRoot->GetInt(sect, key, def);
  if (!m_pApp) return def;
  const CSectKey* k = m_pApp->Root().FindKey(sect, key);
  if (!k || k->m_strValue.empty()) return def;
  return settings_text::ParseLeadingInt(k->m_strValue);
}

double CProfile::GetReal(std::string_view sect, std::string_view key, double def) const {
  if (m_pRoot) return m_pRoot->GetReal(sect, key, def);
  if (!m_pApp) return def;
  const CSectKey* k = m_pApp->Root().FindKey(sect, key);
  if (!k || k->m_strValue.empty()) return def;
  return settings_text::ParseLeadingReal(k->m_strValue);
}

int CProfile::GetBinary(std::string_view sect, std::string_view key, void* buffer, int size) const {
  if (m_pRoot) return m_pRoot->GetBinary(sect, key, buffer, size);
  if (!m_pApp) return 0;
  return m_pApp->Root().GetBinary(sect, key, buffer, size);
}
