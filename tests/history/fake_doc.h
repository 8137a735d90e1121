// A document, views and palette panel for the history tests.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "history/hist_mng.h"
#include "history/hist_target.h"
#include "model/col_sel.h"
#include "model/img_inf.h"

namespace testutil {

struct FakeView : IHistView {
  std::vector<int> shown;
  int fits = 0, updates = 0;
  void ShowLevel(int level, bool) override { shown.push_back(level); }
  void FrameFitViewSize(bool) override { ++fits; }
  void UpdateView(int64_t, int64_t, int64_t) override { ++updates; }
};

struct FakePanel : IHistPalDisp {
  int bank = -1, refreshes = 0;
  CColSel sel;
  void SetCurBank(int b) override { bank = b; }
  void SetSelection(const CColSel& s) override { sel = s; }
  void RefreshBankCount() override { ++refreshes; }
};

struct FakeDoc : IHistDocument {
  CImgInf img;
  CHistMng hist;
  bool modified = false;
  int redraws = 0;
  std::map<int, std::unique_ptr<FakeView>> views;
  std::unique_ptr<FakePanel> panel;

  CImgInf& Content() override { return img; }
  void SetModifiedFlag(bool m) override { modified = m; }
  bool IsModifiedFlag() const override { return modified; }
  void UpdateAllViews() override { ++redraws; }
  IHistView* FindView(int id) override {
    auto it = views.find(id);
    return it == views.end() ? nullptr : it->second.get();
  }
  IHistPalDisp* PalDisp() override { return panel.get(); }
};

}  // namespace testutil
