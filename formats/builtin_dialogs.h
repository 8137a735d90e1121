// Options dialogs of the built-in plug-ins. The core has no window toolkit: the GUI fills
// this table and hangs it on the BuiltinHost; without it the options functions only read
// their settings and show nothing.
#pragma once

#include "formats/bmp_settings.h"
#include "formats/qvp.h"

struct BuiltinDialogs {
  void* context = nullptr;
  // "BMPフォーマット保存設定": edits `settings` in place; rleAllowed is false for an image
  // that is not a palette image. Returns QVP_OK on OK, QVP_ERR_CANCEL on cancel.
  int (*bmpSaveOptions)(void* context, QvpWindow* parent, BmpSaverSettings* settings,
                        bool rleAllowed) = nullptr;
};
