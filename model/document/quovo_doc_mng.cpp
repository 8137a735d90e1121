// Document manager: new images, opening files, paste as new, closing.
#include "model/document/quovo_doc_mng.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/plugin_manager.h"
#include "history/doc_cmds.h"
#include "platform/message_box.h"

namespace {

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof(cwd))) return path;
  return std::string(cwd) + "/" + path;
}

}  // namespace

CQuovoDocMng::CQuovoDocMng(CPluginMng& plugins, IMessageBox& messages, IDocDialogs* dialogs)
    : m_plugins(plugins), m_messages(messages), m_pDialogs(dialogs) {}

CQuovoDoc* CQuovoDocMng::AddDocument() {
  m_docs.push_back(std::make_unique<CQuovoDoc>(*this));
  return m_docs.back().get();
}

void CQuovoDocMng::Close(CQuovoDoc* doc) {
  for (auto it = m_docs.begin(); it != m_docs.end(); ++it) {
    if (it->get() == doc) {
      m_docs.erase(it);
      return;
    }
  }
}

CQuovoDoc* CQuovoDocMng::NewDocument() {
  if (!m_pDialogs) return nullptr;
  NewImageParams params = m_newParams;
  if (!m_pDialogs->AskNewImage(params)) return nullptr;
  m_newParams = params;
  return NewImage(params);
}

CQuovoDoc* CQuovoDocMng::NewImage(const NewImageParams& p) {
  if (p.width < 1 || p.width > 9999 || p.height < 1 || p.height > 9999 || (p.mode != 0 && p.mode != 1))
    return nullptr;
  const uint64_t bytes = uint64_t(p.width) * uint64_t(p.height) * (p.mode == 0 ? 4u : 2u);
  if (bytes > kLargeNewImageBytes &&
      m_messages.Show("作成される画像がかなり大きくなっています。\n\nこのまま続けますか？", "",
                      MSG_YESNO | MSG_ICONQUESTION) != MSG_ID_YES)
    return nullptr;
  CImgInf content;
  content.SetImgNum(1);
  CImgDatIf& plane = content.m_aryImg[0];
  if (p.mode == 1) {
    if (!plane.Create(IMGTYPE_IDX, p.width, p.height)) return nullptr;
    content.SetPalNum(1);
    if (!content.m_aryPal[0].Create(256)) return nullptr;
    content.m_aryPal[0].m_pCol[0] = RGBA{p.colour.r, p.colour.g, p.colour.b, 0};
  } else {
    if (!plane.Create(IMGTYPE_DIR, p.width, p.height)) return nullptr;
    const RGBA c{p.colour.r, p.colour.g, p.colour.b, 0};
    for (size_t i = 0; i < plane.PixelCount(); ++i) std::memcpy(plane.m_pData + i * 4, &c, 4);
  }
  CQuovoDoc* doc = AddDocument();
  doc->m_imgInf = std::move(content);
  char title[32];
  std::snprintf(title, sizeof(title), "無題%d", ++m_nUntitled);
  doc->SetTitle(title);
  return doc;
}

CQuovoDoc* CQuovoDocMng::OpenDocumentFile(const std::string& given) {
  std::string path = given;
  if (!path.empty() && path[0] == '"') path.erase(0, 1);
  const size_t quote = path.find_last_of('"');
  if (quote != std::string::npos) path.erase(quote);
  path = AbsolutePath(path);
  CQuovoDoc* doc = AddDocument();
  if (!doc->Load(path, m_nForcedPlugin)) {
    Close(doc);
    return nullptr;
  }
  doc->SetPathName(path);
  return doc;
}

CQuovoDoc* CQuovoDocMng::PasteAsNew(const CImgInf& content) {
  if (!content.IsValid()) return nullptr;
  CQuovoDoc* doc = AddDocument();
  if (!doc->m_imgInf.CopyFrom(content)) {
    Close(doc);
    return nullptr;
  }
  char title[32];
  std::snprintf(title, sizeof(title), "貼り付け%d", m_nPasteCounter++);
  doc->SetTitle(title);
  doc->m_nDocNo = doc->FindMaxDocNo(false) + 1;
  doc->SetModifiedFlag(true);
  doc->m_histMng.ForgetSaved();  // no file holds its content
  doc->UpdateDispTitle();
  return doc;
}

bool CQuovoDocMng::AnyModified() const {
  for (const auto& d : m_docs)
    if (d->IsModified()) return true;
  return false;
}

bool CQuovoDocMng::CloseAllWithoutSaving() {
  if (!AnyModified()) return false;
  const unsigned style = MSG_OKCANCEL | MSG_ICONWARNING;
  if (m_messages.Show("保存せずに全てのウィンドウを閉じます。\n続行すると未保存のウィンドウの情報は全て破棄されます。\n続行しますか？",
                      "", style) != MSG_ID_OK)
    return false;
  if (m_messages.Show("本当に続行しますか？", "", style) != MSG_ID_OK) return false;
  m_docs.clear();
  return true;
}
