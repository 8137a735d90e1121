// Document: loading, titles and numbering, the modified flag with the history, saving with the
// warning about what the saver cannot keep, and result siblings.
#include "model/document/quovo_doc.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "formats/filter_list.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "history/doc_cmds.h"
#include "model/document/quovo_doc_mng.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsReadOnlyFile(const std::string& path) {
  return access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0;
}

}  // namespace

CQuovoDoc::CQuovoDoc(CQuovoDocMng& mng) : m_mng(mng) {}

void CQuovoDoc::SetTitle(const std::string& title) {
  m_strTitle = title;
  UpdateDispTitle();
}

void CQuovoDoc::SetPathName(const std::string& path) {
  m_strPathName = path;
  m_strTitle = FileNameOf(path);
  UpdateDispTitle();
}

void CQuovoDoc::UpdateAllViews() {
  for (IDocView* v : m_views) v->UpdateView(0, 0, 0);
}

IHistView* CQuovoDoc::FindView(int viewId) {
  for (IDocView* v : m_views)
    if (v->ViewId() == viewId) return v;
  return nullptr;
}

void CQuovoDoc::AttachView(IDocView* view) {
  if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
  if (!m_pActive) m_pActive = view;
}

void CQuovoDoc::DetachView(IDocView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
  if (m_pActive == view) m_pActive = m_views.empty() ? nullptr : m_views.front();
}

IDocView* CQuovoDoc::ActiveView() const { return m_pActive ? m_pActive : (m_views.empty() ? nullptr : m_views.front()); }

void CQuovoDoc::SetActiveView(IDocView* view) {
  if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) m_pActive = view;
}

bool CQuovoDoc::Load(const std::string& path, int loaderEntry) {
  CPluginMng& mng = m_mng.Plugins();
  const int rc = mng.Load(path, m_imgInf, true, loaderEntry);
  if (rc != PIRC_OK) {
    mng.ShowError(path, rc);
    return false;
  }
  m_nPluginIdx = mng.m_currentIndex;
  return true;
}

void CQuovoDoc::SetModifiedHist(bool modified) { ::SetModifiedHist(*this, m_histMng, modified); }

void CQuovoDoc::UpdateDispTitle() {
  m_strDispTitle = m_strTitle;
  if (m_nDocNo != 0) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), " (№%d)", m_nDocNo + 1);
    m_strDispTitle += buf;
  }
}

int CQuovoDoc::FindMaxDocNo(bool includeSelf) const {
  int best = -1;
  for (const auto& d : m_mng.Documents()) {
    if (!includeSelf && d.get() == this) continue;
    if (d->m_strTitle == m_strTitle) best = std::max(best, d->m_nDocNo);
  }
  return best;
}

CQuovoDoc* CQuovoDoc::CreateSibling() {
  CQuovoDoc* doc = m_mng.AddDocument();
  doc->m_nDocNo = FindMaxDocNo(true) + 1;
  doc->m_strPathName = m_strPathName;
  doc->m_strTitle = m_strTitle;
  doc->m_bModified = true;
  doc->m_histMng.ForgetSaved();  // no file holds its content
  doc->UpdateDispTitle();
  return doc;
}

bool CQuovoDoc::Save() {
  if (m_strPathName.empty() || IsReadOnlyFile(m_strPathName)) return SaveAs();
  const std::string ext = paths::ExtensionOf(FileNameOf(m_strPathName));
  if (ext.empty()) return SaveAs();
  CFltrInfList list(m_mng.Plugins());
  list.Build(kKindSave, &m_imgInf, 0, 0);
  const int item = list.Choose(ext, m_nPluginIdx);
  if (item < 0) return SaveAs();
  m_mng.m_nForcedPlugin = list.IndexOfItem(item);
  return DoSave(m_strPathName);
}

bool CQuovoDoc::SaveAs() {
  IDocDialogs* dialogs = m_mng.Dialogs();
  if (!dialogs) return false;
  CFltrInfList list(m_mng.Plugins());
  list.Build(kKindSave, &m_imgInf, 0, 0);
  if (list.Count() == 0) return false;
  std::string path = m_strPathName;
  if (path.empty()) {
    path = m_strTitle.substr(0, m_strTitle.find_first_of(" #%;/\\"));
    const auto* first = static_cast<const CPiPrcFile*>(list.GetProcess(0).process);
    if (first && !first->m_defExt.empty()) path += "." + first->m_defExt;
  }
  int filter = list.ItemOfIndex(m_mng.m_nLastSaveFilter);
  if (filter < 0) filter = list.Choose(paths::ExtensionOf(FileNameOf(path)), m_nPluginIdx);
  if (filter < 0) filter = 0;
  if (!dialogs->AskSavePath(list, path, filter)) {
    m_mng.m_nForcedPlugin = -1;
    return false;
  }
  const int process = list.IndexOfItem(filter);
  m_mng.m_nForcedPlugin = process;
  m_mng.m_nLastSaveFilter = process;
  if (!DoSave(path)) return false;
  SetPathName(path);
  return true;
}

bool CQuovoDoc::DoSave(const std::string& path) {
  CPluginMng& mng = m_mng.Plugins();
  const int process = m_mng.m_nForcedPlugin;
  m_mng.m_nForcedPlugin = -1;
  int level = 0, bank = 0;
  if (const IDocView* view = ActiveView()) {
    level = view->CurrentLevel();
    bank = view->CurrentBank();
  }
  std::string loss;
  if (mng.SaveLossText(m_imgInf, process, loss) &&
      m_mng.Messages().Show(loss, "", MSG_YESNO | MSG_ICONWARNING) != MSG_ID_YES)
    return false;
  const int rc = mng.Save(path, m_imgInf, true, process, level, bank);
  if (rc != PIRC_OK) {
    mng.ShowError(path, rc);
    return false;
  }
  m_nPluginIdx = mng.m_currentIndex;
  MarkDocumentSaved(*this, m_histMng);
  return true;
}

void CQuovoDoc::Undo() {
  UndoDocument(*this, m_histMng);
  UpdateAllViews();
}

void CQuovoDoc::Redo() {
  RedoDocument(*this, m_histMng);
  UpdateAllViews();
}
