// The built-in plug-in table: native first, then BMP, GIF, TGA, Softimage PIC, JPEG, PNG,
// TIFF and PSD as their codecs exist.
#include "formats/builtin_table.h"

#include "formats/bmp_plugin.h"
#include "formats/gif_plugin.h"
#include "formats/jpeg_plugin.h"
#include "formats/png_plugin.h"
#include "formats/qvf_plugin.h"
#include "formats/tiff_plugin.h"

const std::vector<const BuiltinPluginDesc*>& BuiltinPlugins() {
  static const std::vector<const BuiltinPluginDesc*> table = {&kQvfPlugin, &kBmpPlugin,  &kGifPlugin,
                                                                 &kJpegPlugin, &kPngPlugin, &kTiffPlugin};
  return table;
}
