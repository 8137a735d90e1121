// What the history commands need of a document, its views and the palette panel. The
// document implements IHistDocument; commands reach views and the panel through it when they
// run, by id, so a view or panel closed while the history lives is simply skipped.
#pragma once

#include <cstdint>

class CImgInf;
class CColSel;

class IHistView {
 public:
  virtual ~IHistView() = default;
  // Shows the level (IMG_ALL for all levels side by side).
  virtual void ShowLevel(int level, bool force) = 0;
  virtual void FrameFitViewSize(bool flag) = 0;
  virtual void UpdateView(int64_t hint1, int64_t hint2, int64_t hint3) = 0;
};

class IHistPalDisp {
 public:
  virtual ~IHistPalDisp() = default;
  // Sets the current bank (clamped to the document's banks; the view follows) and shows it.
  virtual void SetCurBank(int bank) = 0;
  virtual void SetSelection(const CColSel& sel) = 0;
  virtual void RefreshBankCount() = 0;
};

class IHistDocument {
 public:
  virtual ~IHistDocument() = default;
  virtual CImgInf& Content() = 0;
  // The plain modified flag, set without the history.
  virtual void SetModifiedFlag(bool modified) = 0;
  virtual bool IsModifiedFlag() const = 0;
  virtual void UpdateAllViews() = 0;
  // The view with that id, or null when it has been closed.
  virtual IHistView* FindView(int viewId) = 0;
  // The palette panel while it is attached to this document, else null.
  virtual IHistPalDisp* PalDisp() = 0;
};
