// The plug-ins compiled into the program, in list order.
#pragma once

#include <vector>

#include "formats/builtin_plugin.h"

const std::vector<const BuiltinPluginDesc*>& BuiltinPlugins();
