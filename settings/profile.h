// CProfile: the handle through which parameter records load and save themselves. It points
// either at a section tree (a settings file being read or written) or at the application
// profile; the same record code serves both. A profile with neither returns the defaults and
// refuses writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CAppProfile;
class CProfSect;

class CProfile {
 public:
  CProfile() = default;
  explicit CProfile(CProfSect* root) : m_pRoot(root) {}
  explicit CProfile(CAppProfile* app) : m_pApp(app) {}
  virtual ~CProfile();

  // Section path of a record: from sect when given, else from fileDefault when the profile has a
  // root, else from profDefault (a missing default gives ""); then "\" (only after a non-empty
  // text) and subName when given.
  virtual std::string MakeSection(const char* sect, const char* profDefault, const char* fileDefault,
                                  const char* subName) const;

  bool WriteString(std::string_view sect, std::string_view key, std::string_view text);
  bool WriteInt(std::string_view sect, std::string_view key, int value);
  // "%.32g", independent of the locale.
  bool WriteReal(std::string_view sect, std::string_view key, double value);
  bool WriteBinary(std::string_view sect, std::string_view key, const void* data, size_t size);

  std::string GetString(std::string_view sect, std::string_view key, std::string_view def) const;
  int GetInt(std::string_view sect, std::string_view key, int def) const;
  double GetReal(std::string_view sect, std::string_view key, double def) const;
  // Bytes copied (at most size); 0 when missing or malformed.
  int GetBinary(std::string_view sect, std::string_view key, void* buffer, int size) const;

  bool HasRoot() const { return m_pRoot != nullptr; }
  CProfSect* Root() const { return m_pRoot; }
  CAppProfile* App() const { return m_pApp; }

 private:
  CProfSect* m_pRoot = nullptr;
  CAppProfile* m_pApp = nullptr;
};
