// Plug-in discovery, loading through the loaders in list order, saving through a named saver,
// progress and cancel, the save-loss warning and the error report.
#include "formats/plugin_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "formats/host_result.h"
#include "formats/progress_indicator.h"
#include "model/img_inf.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Starts and ends the progress display of one load or save.
class ProgressScope {
 public:
  ProgressScope(IProgressIndicator* indicator, const std::string& text) : m_indicator(indicator) {
    if (m_indicator) m_indicator->Begin(text);
  }
  ~ProgressScope() {
    if (m_indicator) m_indicator->End();
  }

 private:
  IProgressIndicator* m_indicator;
};

}  // namespace

CPluginMng::CPluginMng(std::string pluginFolder, IMessageBox* messages)
    : m_pluginFolder(std::move(pluginFolder)) {
  SetMessageBox(messages);
}

CPluginMng::~CPluginMng() {
  // Plug-ins are released from the last to the first.
  while (!m_plugins.empty()) m_plugins.pop_back();
}

void CPluginMng::SetMessageBox(IMessageBox* messages) {
  m_messages = messages;
  m_window.context = this;
  m_window.MessageBox = &CPluginMng::WindowMessageBox;
}

int CPluginMng::WindowMessageBox(void* context, const char* text, const char* caption, uint32_t style) {
  auto* mng = static_cast<CPluginMng*>(context);
  if (!mng || !mng->m_messages) return QVP_ID_OK;
  return mng->m_messages->Show(text ? text : "", caption ? caption : "", style);
}

int CPluginMng::Scan(const std::vector<const BuiltinPluginDesc*>& builtins, BuiltinHost* host) {
  int created = 0;
  for (const BuiltinPluginDesc* desc : builtins) {
    if (!desc) break;
    if (auto plugin = CPluginBltin::Create(*this, *desc, host)) {
      m_plugins.push_back(std::move(plugin));
      ++created;
    }
  }
  created += ScanFolder(m_pluginFolder);
  CountProcesses();
  return created;
}

int CPluginMng::ScanFolder(const std::string& folder) {
  int added = 0;
  for (const std::string& name : paths::FilesWithExtension(folder, "QVP")) {
    if (auto plugin = CPluginQvp::Create(*this, paths::Join(folder, name))) {
      m_plugins.push_back(std::move(plugin));
      ++added;
    }
  }
  CountProcesses();
  return added;
}

void CPluginMng::CountProcesses() {
  m_allCount = m_loadCount = m_saveCount = 0;
  for (const auto& p : m_plugins) {
    for (const auto& proc : p->m_procs) {
      ++m_allCount;
      if (proc->m_kind == QVP_KIND_LOAD) ++m_loadCount;
      if (proc->m_kind == QVP_KIND_SAVE) ++m_saveCount;
    }
  }
}

ProcessRef CPluginMng::GetProcess(int index) const {
  if (index < 0) return {};
  CPlugin* plugin = Plugin(index >> 16);
  if (!plugin) return {};
  CPiPrcInf* process = plugin->Process(index & 0xFFFF);
  if (!process) return {};
  return {plugin, process};
}

int CPluginMng::NextIndex(int kind, int previous) const {
  int p = 0, q = 0;
  if (previous >= 0) {
    p = previous >> 16;
    q = (previous & 0xFFFF) + 1;
  }
  for (; p < PluginCount(); ++p, q = 0) {
    const CPlugin* plugin = m_plugins[size_t(p)].get();
    for (; q < plugin->ProcessCount(); ++q) {
      const int k = plugin->m_procs[size_t(q)]->m_kind;
      if (kind == kKindAny || k == kind) return (p << 16) + q;
    }
  }
  return -1;
}

int CPluginMng::CountOf(int kind) const {
  switch (kind) {
    case kKindLoad: return m_loadCount;
    case kKindSave: return m_saveCount;
    case kKindAny: return m_allCount;
    default: return 0;
  }
}

int CPluginMng::FindBuiltinProcess(int32_t id) const {
  for (int p = 0; p < PluginCount(); ++p) {
    const CPlugin* plugin = m_plugins[size_t(p)].get();
    if (plugin->m_type != CPlugin::kBuiltin) continue;
    for (int q = 0; q < plugin->ProcessCount(); ++q) {
      const auto* proc = static_cast<const CPiPrcQvp*>(plugin->m_procs[size_t(q)].get());
      if (proc->m_host.record.id == id) return (p << 16) + q;
    }
  }
  return -1;
}

bool CPluginMng::CanSave(const CPiPrcInf& process, uint32_t caps) {
  const uint32_t pc = process.m_caps;
  bool ok = (caps & IMGCAP_DIR) && (pc & IMGCAP_DIR);
  if (caps & IMGCAP_IDX) ok = ok || (pc & IMGCAP_IDX) || (pc & IMGCAP_PALONLY);
  if (caps & (IMGCAP_DIR | IMGCAP_IDX)) return ok;
  return ok || (pc & IMGCAP_PALONLY);
}

std::string SaveLossMessage(uint32_t lost) {
  if (lost == 0) return "";
  std::string text = "この形式では以下の情報を保存する事ができません。\n\n";
  if (lost & (IMGCAP_DIR | IMGCAP_IDX)) text += "  ●イメージ（画像）が保存できません。\n";
  if (lost & IMGCAP_ALPHA) text += "  ●アルファチャンネルの情報を保存できません。\n";
  if (lost & IMGCAP_MULTIBNK) text += "  ●全てのパレットバンクの情報を保存できません。\n";
  if (lost & IMGCAP_MULTIIMG) text += "  ●全てのミップマップ画像を保存できません。\n";
  text += "\nこのまま続けますか？";
  return text;
}

bool CPluginMng::SaveLossText(const CImgInf& model, int processIndex, std::string& text) const {
  const ProcessRef ref = GetProcess(processIndex);
  if (!ref || ref.process->m_kind != QVP_KIND_SAVE) return false;
  const uint32_t lost = model.GetCaps() & ~ref.process->m_caps & 0x3Bu;
  if (lost == 0) return false;
  text = SaveLossMessage(lost);
  return true;
}

void CPluginMng::ShowError(const std::string& path, int code) {
  if (code == PIRC_OK || !m_messages) return;
  m_messages->Show(path + "\n\n" + HostResultText(code), "", MSG_OK | MSG_ICONERROR);
}

CPluginMng::ProgressHook CPluginMng::SetProgressHook(ProgressHook hook, void* context) {
  ProgressHook old = m_hook;
  m_hook = hook;
  m_hookContext = context;
  return old;
}

int CPluginMng::Progress(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (m_indicator) {
    m_indicator->SetPercent(percent);
    if (m_indicator->Pump()) return 1;
  }
  if (m_hook && m_hook(this, m_hookContext, percent)) return 1;
  if (m_escapeCancels && m_indicator && m_indicator->CancelKeyDown()) return 1;
  return 0;
}

int CPluginMng::TryLoad(int index, const std::string& path, CImgInf& model) {
  const ProcessRef ref = GetProcess(index);
  if (!ref) return PIRC_NOTHANDLED;
  m_currentIndex = index;
  return ref.plugin->Load(*this, path, model, *ref.process);
}

int CPluginMng::Load(const std::string& path, CImgInf& model, bool showOptions, int preferredProcess) {
  if (path.empty()) return PIRC_FILE;
  m_showOptions = showOptions ? 1 : 0;
  m_escapeCancels = m_showOptions;
  m_pictureIndex = 0;
  m_bankIndex = 0;
  m_currentIndex = -1;
  ProgressScope progress(m_indicator, "  読み込み中：[" + FileNameOf(path) + "]");

  std::memset(m_header, 0, sizeof(m_header));
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return PIRC_FILE;
  const size_t got = std::fread(m_header, 1, sizeof(m_header), f);
  const bool readError = std::ferror(f) != 0;
  std::fclose(f);
  if (readError || got == 0) return PIRC_FILE;

  if (preferredProcess >= 0 && GetProcess(preferredProcess)) {
    const int r = TryLoad(preferredProcess, path, model);
    if (r != PIRC_NOTHANDLED) return r;
  }
  for (int i = NextIndex(kKindLoad, -1); i >= 0; i = NextIndex(kKindLoad, i)) {
    if (i == preferredProcess) continue;
    const int r = TryLoad(i, path, model);
    if (r != PIRC_NOTHANDLED) return r;
  }
  m_currentIndex = -1;
  return PIRC_NOTHANDLED;
}

int CPluginMng::Save(const std::string& path, const CImgInf& model, bool showOptions, int process, int picture,
                     int bank) {
  if (path.empty()) return PIRC_FILE;
  if (paths::ExtensionOf(FileNameOf(path)).empty()) return PIRC_NOTHANDLED;
  m_showOptions = showOptions ? 1 : 0;
  m_escapeCancels = 0;
  m_pictureIndex = picture >= 0 && picture <= 9 ? picture : 0;
  m_bankIndex = bank >= 0 ? bank : 0;
  m_currentIndex = -1;
  std::memset(m_header, 0, sizeof(m_header));
  ProgressScope progress(m_indicator, "  保存中：[" + FileNameOf(path) + "]");

  // The saver is told which picture and bank to write; they must exist.
  if (m_pictureIndex >= std::max(model.ImgNum(), 1)) m_pictureIndex = 0;
  if (m_bankIndex >= std::max(model.PalNum(), 1)) m_bankIndex = 0;
  const ProcessRef ref = GetProcess(process);
  if (!ref || !CanSave(*ref.process, model.GetCaps())) return PIRC_NOTHANDLED;
  m_currentIndex = process;
  return ref.plugin->Save(*this, path, model, *ref.process);
}
