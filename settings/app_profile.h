// CAppProfile: the application profile, the per-user store of the program's own settings.
//
// It is a settings file in the usual format (normally UserStorePath()), read once into a tree,
// served from memory, and written back atomically by Flush. Whoever builds the application
// context owns one and hands it to the profiles that need it; nothing reaches it globally.
#pragma once

#include <string>
#include <string_view>

#include "settings/prof_mng.h"

class CAppProfile {
 public:
  // path: the store file; empty keeps the store in memory only (Flush then does nothing).
  explicit CAppProfile(std::string path);
  ~CAppProfile();
  CAppProfile(const CAppProfile&) = delete;
  CAppProfile& operator=(const CAppProfile&) = delete;

  // Reads the store file. A missing file gives an empty store (true). A file that cannot be
  // read, is too large or has a newer format gives an empty store that Flush will not write
  // over, so the user's file is not destroyed (false).
  bool Load();
  // Writes the store when it changed since the last load or flush: the folder chain is created,
  // the common information section is set, and the file is replaced atomically.
  bool Flush();

  const std::string& Path() const { return m_strPath; }
  bool IsDirty() const { return m_bDirty; }
  void MarkDirty() { m_bDirty = true; }
  // True when Load refused the existing file (Flush then fails and keeps it).
  bool IsProtected() const { return m_bProtected; }

  CProfSect& Root() { return m_Mng.Root(); }
  const CProfSect& Root() const { return m_Mng.Root(); }

 private:
  std::string m_strPath;
  CProfMng m_Mng;
  bool m_bDirty = false;
  bool m_bProtected = false;
};

// Format type name and banner line of the per-user store file.
inline constexpr const char* kAppProfileFmtType = "UserProfile";
inline constexpr const char* kAppProfileBanner = ";   ユーザー設定ファイル";
