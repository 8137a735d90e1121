// CProfMng: one settings file as a tree of sections, read and written completely.
//
// The file layout: a banner of comment lines, then every top-level section as
//   [name]
//   {
//     key=value
//     [sub]
//     {
//       ...
//     }
//   }
// with CR LF line ends and two spaces of indentation per level. The reader is lenient (see
// LoadFromMemory) and never recurses, so hostile nesting cannot exhaust the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/prof_sect.h"

// Name of the section every written settings file carries, and its keys.
inline constexpr const char* kCommonInfoSection = "SettingsCommonInformationSection";
inline constexpr const char* kCommonAppName = "CreaterAppName";
inline constexpr const char* kCommonAppVers = "CreaterAppVers";
inline constexpr const char* kCommonFmtType = "SettingFmtType";
inline constexpr const char* kCommonFmtVers = "SettingFmtVers";
// Format version of every settings file this program writes.
inline constexpr int kSettingFmtVers = 100;

// Largest settings file that is read.
inline constexpr uint64_t kMaxSettingsFileBytes = 0x2000000;
// Largest number of sections and keys one read may create, and deepest block nesting it
// follows; beyond them the read fails instead of growing memory without bound on hostile input.
inline constexpr int kMaxSettingsEntries = 1 << 20;

// The banner that starts a written file: ";" and 71 "-", "; Quovex", the type line, ";" and 71
// "-", an empty line. typeLine is the third line, e.g. ";   減色設定ファイル"; a text that does
// not start with ";" gets ";   " in front. Lines end with "\n" (Save writes CR LF).
std::string MakeBanner(std::string_view typeLine);

class CProfMng {
 public:
  CProfMng();
  virtual ~CProfMng();
  CProfMng(const CProfMng&) = delete;
  CProfMng& operator=(const CProfMng&) = delete;

  CProfSect& Root() { return m_Root; }
  const CProfSect& Root() const { return m_Root; }

  // Empties the tree and reads the file; false for an empty path, an unreadable file, one
  // larger than 32 MiB or one that would create too many entries.
  bool Load(std::string_view path);
  // Empties the tree and reads the file content from memory (the same reader Load uses).
  bool LoadFromMemory(const char* data, size_t size);
  // Writes the banner and every top-level section with CR LF line ends, atomically: the file
  // is replaced only when everything was written, so a failed save keeps the old file.
  bool Save(std::string_view path, std::string_view banner) const;
  // The file content Save writes.
  std::string Serialize(std::string_view banner) const;

  // Creates the common information section as the first section and sets its keys; the type
  // is left out when none (nullptr) and the version when negative.
  void SetCommonInfo(const char* type, int version);
  // True when supported / 100 >= the file's "SettingFmtVers" / 100 (0 when missing).
  bool CheckVersion(int supported) const;

  // Removes every section and the keys of the root.
  void Clear();

  // Bound on the sections, keys and nesting levels one read may create (kMaxSettingsEntries
  // unless changed; tests lower it).
  void SetMaxEntries(int n) { m_nMaxEntries = n > 0 ? n : 1; }

 private:
  CProfSect m_Root;
  int m_nMaxEntries = kMaxSettingsEntries;
};
