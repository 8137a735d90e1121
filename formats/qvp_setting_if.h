// The settings accessor handed to QvpSettingGet and QvpSettingSet: eight functions over one
// section of a settings tree (for example "BatchConvertSettings\InputPluginSettings").
#pragma once

#include "formats/qvp.h"

class CProfSect;

// An accessor whose functions read and write the keys of `section`.
QvpSettingIf MakeQvpSettingIf(CProfSect* section);
