// Descriptor of a plug-in compiled into the program: the same twelve functions a Qvp module
// exports, its information record and its process table. The plug-in manager drives built-in
// and external plug-ins through one code path.
#pragma once

#include "formats/qvp.h"

class CProfile;
struct BuiltinDialogs;

struct BuiltinPluginDesc {
  QvpFunctions functions;
  const QvpPluginInfo* info;
  const QvpProcInfo* procTable;
};

// What a built-in plug-in reaches through its connection block's module handle (the
// program's own "instance"): the application profile where it keeps its settings, in the
// section "Plugins\<short format name>". The profile may be null (tests): the plug-in then
// uses its defaults and stores nothing.
struct BuiltinHost {
  CProfile* profile = nullptr;
  // The options dialogs the GUI supplies (formats/builtin_dialogs.h); null: none are shown.
  const BuiltinDialogs* dialogs = nullptr;
};

inline BuiltinHost* BuiltinHostOf(const QvpProcess* record) {
  return record && record->connect ? static_cast<BuiltinHost*>(record->connect->module) : nullptr;
}
