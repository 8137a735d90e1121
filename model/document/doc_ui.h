// What a document needs of the user interface: its views (the level and bank the user works
// in) and the dialogs of new image and save as. The GUI implements them; tests script them.
#pragma once

#include <string>

#include "history/hist_target.h"
#include "model/rgba.h"

class CFltrInfList;

// A view of a document.
class IDocView : public IHistView {
 public:
  virtual int ViewId() const = 0;
  // The level shown (IMG_ALL for all levels side by side) and the current bank.
  virtual int CurrentLevel() const = 0;
  virtual int CurrentBank() const = 0;
};

// Values of the new-image dialog; they are kept while the program runs.
struct NewImageParams {
  int width = 256;   // 1..9999
  int height = 256;  // 1..9999
  RGBA colour{0, 0, 0, 0};
  int mode = 0;  // 0 direct colour, 1 palette colour
};

class IDocDialogs {
 public:
  virtual ~IDocDialogs() = default;
  // The new-image dialog, filled with the last values; false on cancel.
  virtual bool AskNewImage(NewImageParams& params) = 0;
  // The save-as dialog over the savers of `list`: starts with `path` and the item `filter`
  // selected; on OK returns the chosen path and item.
  virtual bool AskSavePath(const CFltrInfList& list, std::string& path, int& filter) = 0;
};
