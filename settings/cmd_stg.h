// CCmdStg: base of the parameter records that load and save themselves through a CProfile,
// either in a settings file or in the application profile.
#pragma once

#include <string>

#include "settings/profile.h"

class CAppProfile;

class CCmdStg {
 public:
  CCmdStg() = default;
  virtual ~CCmdStg();

  // Sets every field to its default.
  virtual void Init() = 0;
  // Clamps or resets out-of-range fields.
  virtual void Validate() {}
  // Reads every field (the current value is the default) under the record's section, made with
  // prof.MakeSection(sect, ...); sect may be null.
  virtual bool Load(CProfile& prof, const char* sect) = 0;
  virtual bool Save(CProfile& prof, const char* sect) const = 0;
  // Description of the values for display.
  virtual std::string GetText() const { return {}; }
  // Load / Save through a profile bound to the application profile (none: the defaults stay,
  // writes fail).
  virtual bool LoadApp(CAppProfile* app, const char* sect);
  virtual bool SaveApp(CAppProfile* app, const char* sect) const;
  virtual bool LoadAppDefault(CAppProfile* app) { return LoadApp(app, nullptr); }
  virtual bool SaveAppDefault(CAppProfile* app) const { return SaveApp(app, nullptr); }
};
