// Document, palette panel and view commands, and the document's undo protocol.
#include "history/doc_cmds.h"

#include <memory>

#include "model/img_inf.h"

int CHsCmdDocSetModifiedFlag::Do() {
  m_pDoc->SetModifiedFlag(m_bFlag);
  return 1;
}

int CHsCmdDocUpdateAllViews::Do() {
  m_pDoc->UpdateAllViews();
  return 1;
}

int CHsCmdPdChgPalBnk::Do() {
  if (IHistPalDisp* pd = m_pDoc->PalDisp()) pd->SetCurBank(m_nBank);
  return 1;
}

int CHsCmdPdColBoxSel::Do() {
  IHistPalDisp* pd = m_pDoc->PalDisp();
  if (!pd) return 0;
  pd->SetSelection(m_sel);
  return 1;
}

int CHsCmdPdDoMovePalCol::Do() { return m_pDoc->Content().PermutePal(m_remap.NewToOld(), m_nBank); }

int CHsCmdPdDoMovePalColForImg::Do() { return m_pDoc->Content().RemapImg(m_remap.m_table, m_nLevel); }

int CHsCmdPdInsertNewPalBnk::Do() {
  CImgInf& img = m_pDoc->Content();
  const int pos = m_nPos == 100 ? img.PalNum() : m_nPos;
  const bool ok = img.InsertPal(pos, m_nCount);
  if (IHistPalDisp* pd = m_pDoc->PalDisp()) pd->RefreshBankCount();
  return ok;
}

int CHsCmdPdRemovePalBnk::Do() {
  const bool ok = m_pDoc->Content().RemovePal(m_nBank);
  if (IHistPalDisp* pd = m_pDoc->PalDisp()) {
    pd->RefreshBankCount();
    pd->SetCurBank(m_nBank);
  }
  return ok;
}

int CHsCmdVwChgDispMM::Do() {
  IHistView* v = View();
  if (!v) return 0;
  v->ShowLevel(m_nLevel, m_bForce);
  return 1;
}

int CHsCmdVwFrameFitViewSize::Do() {
  IHistView* v = View();
  if (!v) return 0;
  v->FrameFitViewSize(m_bFlag);
  return 1;
}

int CHsCmdVwUpdateAllViews::Do() {
  IHistView* v = View();
  if (!v) return 0;
  v->UpdateView(m_hints[0], m_hints[1], m_hints[2]);
  return 1;
}

void SetModifiedHist(IHistDocument& doc, CHistMng& hist, bool modified) {
  const bool old = doc.IsModifiedFlag();
  doc.SetModifiedFlag(modified);
  if (hist.IsOpen()) {
    hist.AddCmd(0, std::make_unique<CHsCmdDocSetModifiedFlag>(&doc, old));
    hist.AddCmd(1, std::make_unique<CHsCmdDocSetModifiedFlag>(&doc, modified));
  }
}

void UndoDocument(IHistDocument& doc, CHistMng& hist) {
  hist.Undo();
  doc.SetModifiedFlag(!hist.IsAtSaved());
  doc.UpdateAllViews();
}

void RedoDocument(IHistDocument& doc, CHistMng& hist) {
  hist.Redo();
  doc.SetModifiedFlag(!hist.IsAtSaved());
  doc.UpdateAllViews();
}

void MarkDocumentSaved(IHistDocument& doc, CHistMng& hist) {
  hist.MarkSaved();
  doc.SetModifiedFlag(false);
}
