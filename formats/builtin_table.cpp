// The built-in plug-in table: native first, then BMP, GIF, TGA, Softimage PIC, JPEG, PNG,
// TIFF and PSD as their codecs exist.
#include "formats/builtin_table.h"

const std::vector<const BuiltinPluginDesc*>& BuiltinPlugins() {
  static const std::vector<const BuiltinPluginDesc*> table = {};
  return table;
}
