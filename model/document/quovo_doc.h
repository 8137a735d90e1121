// CQuovoDoc: one open image (or palette) with its undo history, shown by one or more views.
// It never reads or writes files itself: opening and saving go through the plug-in manager.
#pragma once

#include <string>
#include <vector>

#include "history/hist_mng.h"
#include "history/hist_target.h"
#include "model/document/doc_ui.h"
#include "model/img_inf.h"

class CQuovoDocMng;

class CQuovoDoc : public IHistDocument {
 public:
  explicit CQuovoDoc(CQuovoDocMng& mng);
  ~CQuovoDoc() override = default;
  CQuovoDoc(const CQuovoDoc&) = delete;
  CQuovoDoc& operator=(const CQuovoDoc&) = delete;

  CImgInf m_imgInf;
  CHistMng m_histMng;
  int m_nDocNo = 0;
  std::string m_strDispTitle;
  int m_nPluginIdx = -1;

  // IHistDocument
  CImgInf& Content() override { return m_imgInf; }
  void SetModifiedFlag(bool modified) override { m_bModified = modified; }
  bool IsModifiedFlag() const override { return m_bModified; }
  void UpdateAllViews() override;
  IHistView* FindView(int viewId) override;
  IHistPalDisp* PalDisp() override { return m_pPalDisp; }

  bool IsModified() const { return m_bModified; }
  const std::string& Title() const { return m_strTitle; }
  const std::string& PathName() const { return m_strPathName; }
  void SetTitle(const std::string& title);
  void SetPathName(const std::string& path);

  // Loads the file through the loaders (the given one first, or -1); shows the error and
  // fails on a failure.
  bool Load(const std::string& path, int loaderEntry);
  // Sets the modified flag so that undo and redo restore it.
  void SetModifiedHist(bool modified);
  void UpdateDispTitle();
  int FindMaxDocNo(bool includeSelf) const;
  // A new document of the same title and path for a result; the caller fills its content.
  CQuovoDoc* CreateSibling();

  // The save command: saves to the document's file with its saver when it can, else save as.
  bool Save();
  // Save with prompt.
  bool SaveAs();
  // Saves to `path` through the forced saver, with the warning about what it cannot keep.
  bool DoSave(const std::string& path);

  void Undo();
  void Redo();

  // Views and the palette panel attach and detach themselves.
  void AttachView(IDocView* view);
  void DetachView(IDocView* view);
  int CountViews() const { return int(m_views.size()); }
  // The view the user last worked in, or null.
  IDocView* ActiveView() const;
  void SetActiveView(IDocView* view);
  void SetPalDisp(IHistPalDisp* panel) { m_pPalDisp = panel; }

 private:
  CQuovoDocMng& m_mng;
  std::string m_strTitle;
  std::string m_strPathName;
  bool m_bModified = false;
  std::vector<IDocView*> m_views;
  IDocView* m_pActive = nullptr;
  IHistPalDisp* m_pPalDisp = nullptr;
};
