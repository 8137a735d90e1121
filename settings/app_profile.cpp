// The per-user store of the program's settings.
#include "settings/app_profile.h"

#include <utility>

#include "platform/file_read.h"
#include "platform/user_store.h"

CAppProfile::CAppProfile(std::string path) : m_strPath(std::move(path)) {}

CAppProfile::~CAppProfile() = default;

bool CAppProfile::Load() {
  m_Mng.Clear();
  m_bDirty = false;
  m_bProtected = false;
  if (m_strPath.empty()) return true;
  std::string data;
  const FileReadResult r = ReadWholeFile(m_strPath, kMaxSettingsFileBytes, data);
  if (r == FileReadResult::NotFound) return true;
  if (r != FileReadResult::Ok || !m_Mng.LoadFromMemory(data.data(), data.size()) ||
      !m_Mng.CheckVersion(kSettingFmtVers)) {
    m_Mng.Clear();
    m_bProtected = true;
    return false;
  }
  return true;
}

bool CAppProfile::Flush() {
  if (m_strPath.empty() || !m_bDirty) return true;
  if (m_bProtected) return false;
  const size_t slash = m_strPath.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolderChain(m_strPath.substr(0, slash), 0700))
    return false;
  m_Mng.SetCommonInfo(kAppProfileFmtType, kSettingFmtVers);
  if (!m_Mng.Save(m_strPath, MakeBanner(kAppProfileBanner))) return false;
  m_bDirty = false;
  return true;
}
