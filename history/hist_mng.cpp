// History records and the history manager.
#include "history/hist_mng.h"

#include <utility>

void CHistInf::Add(int selector, CHistChain&& chain) {
  if (chain.empty()) return;
  (selector == 0 ? m_undo : m_redo).push_back(std::move(chain));
}

void CHistInf::Run(Blocks& blocks) {
  for (auto b = blocks.rbegin(); b != blocks.rend(); ++b)
    for (auto& cmd : *b)
      if (cmd) cmd->Do();
}

size_t CHistInf::Count(const Blocks& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.size();
  return n;
}

CHistMng::CHistMng() {
  m_records.push_back(std::make_unique<CHistTerminal>());
  m_ids.push_back(0);
}

CHistInf* CHistMng::BeginByID(int commandId, const std::function<std::string(int)>& resourceText) {
  std::string text = resourceText ? resourceText(commandId) : std::string();
  const size_t nl = text.find('\n');
  std::string name = nl == std::string::npos ? std::string() : text.substr(nl + 1);
  const size_t nl2 = name.find('\n');
  if (nl2 != std::string::npos) name.resize(nl2);
  return Begin(name);
}

CHistInf* CHistMng::Begin(const std::string& name) {
  if (m_pOpen) End();
  m_pOpen = std::make_unique<CHistInf>(name, CHistInf::kOpen);
  return m_pOpen.get();
}

bool CHistMng::AddCmd(int selector, CHistChain&& chain) {
  if (!m_pOpen || (selector != 0 && selector != 1)) {
    chain.clear();
    return false;
  }
  m_pOpen->Add(selector, std::move(chain));
  return true;
}

bool CHistMng::AddCmd(int selector, std::unique_ptr<CHistCmd> cmd) {
  CHistChain chain;
  if (cmd) chain.push_back(std::move(cmd));
  return AddCmd(selector, std::move(chain));
}

void CHistMng::End() {
  std::unique_ptr<CHistInf> rec = std::move(m_pOpen);
  if (!rec || rec->IsEmpty()) return;
  rec->m_dwFlags &= ~CHistInf::kOpen;
  // The redo steps are lost only now that a new step replaces them.
  while (int(m_records.size()) > m_nCur + 1) {
    if (m_ids.back() == m_savedId) m_savedId = kNever;
    m_records.pop_back();
    m_ids.pop_back();
  }
  // Trim the oldest steps so that at most kMaxSteps remain with the new one. The terminal
  // then stands for the state after the removed step.
  while (int(m_records.size()) - 1 >= kMaxSteps) {
    if (m_savedId == 0)
      m_savedId = kNever;
    else if (m_savedId == m_ids[1])
      m_savedId = 0;
    m_records.erase(m_records.begin() + 1);
    m_ids.erase(m_ids.begin() + 1);
  }
  m_records.push_back(std::move(rec));
  m_ids.push_back(m_nextId++);
  m_nCur = int(m_records.size()) - 1;
}

void CHistMng::Cancel() { m_pOpen.reset(); }

void CHistMng::Undo() {
  if (m_pOpen) End();
  if (!CanUndo()) return;
  m_records[size_t(m_nCur)]->RunUndo();
  --m_nCur;
}

void CHistMng::Redo() {
  if (m_pOpen) End();
  if (!CanRedo()) return;
  ++m_nCur;
  m_records[size_t(m_nCur)]->RunRedo();
}

std::string CHistMng::GetUndoName() const {
  return CanUndo() ? " \xEF\xBC\x9A " + m_records[size_t(m_nCur)]->m_strName : std::string();
}

std::string CHistMng::GetRedoName() const {
  return CanRedo() ? "  \xEF\xBC\x9A " + m_records[size_t(m_nCur + 1)]->m_strName : std::string();
}

std::string CHistMng::UndoMenuText() const { return "元に戻す(&U)" + GetUndoName() + "\tCtrl+Z"; }

std::string CHistMng::RedoMenuText() const { return "やり直し(&R)" + GetRedoName() + "\tCtrl+Y"; }

void CHistMng::MarkSaved() { m_savedId = CurrentId(); }
