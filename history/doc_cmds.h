// Document, palette panel and view commands of the history, and the document's side of the
// undo protocol (modified flag, undo, redo, save position).
//
// Panel and view commands reach their panel or view through the document when they run and do
// nothing when it is gone; the model part of a panel command runs whether or not a panel is
// attached, so undo never depends on what windows are open.
#pragma once

#include <cstdint>

#include "history/hist_cmd.h"
#include "history/hist_mng.h"
#include "history/hist_target.h"
#include "model/col_sel.h"
#include "model/pal_remap.h"

class CHsCmdDocBase : public CHistCmd {
 public:
  explicit CHsCmdDocBase(IHistDocument* doc) : m_pDoc(doc) {}

 protected:
  IHistDocument* m_pDoc;  // not owned; the document owns the history
};

class CHsCmdDocSetModifiedFlag : public CHsCmdDocBase {
 public:
  CHsCmdDocSetModifiedFlag(IHistDocument* doc, bool flag) : CHsCmdDocBase(doc), m_bFlag(flag) {}
  int Do() override;

 private:
  bool m_bFlag;
};

class CHsCmdDocUpdateAllViews : public CHsCmdDocBase {
 public:
  using CHsCmdDocBase::CHsCmdDocBase;
  int Do() override;
};

// Palette panel commands: the panel is looked up through the document.
class CHsCmdPalDispBase : public CHsCmdDocBase {
 public:
  using CHsCmdDocBase::CHsCmdDocBase;
};

class CHsCmdPdChgPalBnk : public CHsCmdPalDispBase {
 public:
  CHsCmdPdChgPalBnk(IHistDocument* doc, int bank) : CHsCmdPalDispBase(doc), m_nBank(bank) {}
  int Do() override;

 private:
  int m_nBank;
};

class CHsCmdPdColBoxSel : public CHsCmdPalDispBase {
 public:
  CHsCmdPdColBoxSel(IHistDocument* doc, const CColSel& sel) : CHsCmdPalDispBase(doc), m_sel(sel) {}
  int Do() override;

 private:
  CColSel m_sel;
};

// PermutePal(new-to-old, bank or -1 for all).
class CHsCmdPdDoMovePalCol : public CHsCmdPalDispBase {
 public:
  CHsCmdPdDoMovePalCol(IHistDocument* doc, const CPalRemap& remap, int bank)
      : CHsCmdPalDispBase(doc), m_remap(remap), m_nBank(bank) {}
  int Do() override;

 private:
  CPalRemap m_remap;
  int m_nBank;
};

// RemapImg(table, level or 100).
class CHsCmdPdDoMovePalColForImg : public CHsCmdPalDispBase {
 public:
  CHsCmdPdDoMovePalColForImg(IHistDocument* doc, const CPalRemap& remap, int level)
      : CHsCmdPalDispBase(doc), m_remap(remap), m_nLevel(level) {}
  int Do() override;

 private:
  CPalRemap m_remap;
  int m_nLevel;
};

// Inserts count new banks at the position (100 = at the end).
class CHsCmdPdInsertNewPalBnk : public CHsCmdPalDispBase {
 public:
  CHsCmdPdInsertNewPalBnk(IHistDocument* doc, int position, int count)
      : CHsCmdPalDispBase(doc), m_nPos(position), m_nCount(count) {}
  int Do() override;

 private:
  int m_nPos, m_nCount;
};

class CHsCmdPdRemovePalBnk : public CHsCmdPalDispBase {
 public:
  CHsCmdPdRemovePalBnk(IHistDocument* doc, int bank) : CHsCmdPalDispBase(doc), m_nBank(bank) {}
  int Do() override;

 private:
  int m_nBank;
};

// View commands name their view by id.
class CHsCmdQuovoViewBase : public CHsCmdDocBase {
 public:
  CHsCmdQuovoViewBase(IHistDocument* doc, int viewId) : CHsCmdDocBase(doc), m_nViewId(viewId) {}

 protected:
  IHistView* View() const { return m_pDoc ? m_pDoc->FindView(m_nViewId) : nullptr; }
  int m_nViewId;
};

class CHsCmdVwChgDispMM : public CHsCmdQuovoViewBase {
 public:
  CHsCmdVwChgDispMM(IHistDocument* doc, int viewId, int level, bool force)
      : CHsCmdQuovoViewBase(doc, viewId), m_nLevel(level), m_bForce(force) {}
  int Do() override;

 private:
  int m_nLevel;
  bool m_bForce;
};

class CHsCmdVwFrameFitViewSize : public CHsCmdQuovoViewBase {
 public:
  CHsCmdVwFrameFitViewSize(IHistDocument* doc, int viewId, bool flag)
      : CHsCmdQuovoViewBase(doc, viewId), m_bFlag(flag) {}
  int Do() override;

 private:
  bool m_bFlag;
};

class CHsCmdVwUpdateAllViews : public CHsCmdQuovoViewBase {
 public:
  CHsCmdVwUpdateAllViews(IHistDocument* doc, int viewId, int64_t hint1, int64_t hint2, int64_t hint3)
      : CHsCmdQuovoViewBase(doc, viewId), m_hints{hint1, hint2, hint3} {}
  int Do() override;

 private:
  int64_t m_hints[3];
};

// The document's side of the protocol.
//
// Sets the modified flag; while a record is open, adds the old flag to its undo side and the
// new one to its redo side.
void SetModifiedHist(IHistDocument& doc, CHistMng& hist, bool modified);
// Undo or redo, then the modified flag follows the save position: the document is unmodified
// exactly when it is back at the state it was last saved in.
void UndoDocument(IHistDocument& doc, CHistMng& hist);
void RedoDocument(IHistDocument& doc, CHistMng& hist);
// After a successful save.
void MarkDocumentSaved(IHistDocument& doc, CHistMng& hist);
