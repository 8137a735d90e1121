// The parameter record base.
#include "settings/cmd_stg.h"

CCmdStg::~CCmdStg() = default;

bool CCmdStg::LoadApp(CAppProfile* app, const char* sect) {
  CProfile prof(app);
  return Load(prof, sect);
}

bool CCmdStg::SaveApp(CAppProfile* app, const char* sect) const {
  CProfile prof(app);
  return Save(prof, sect);
}
