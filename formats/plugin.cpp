// Connecting Qvp and built-in plug-ins and running their loaders and savers.
#include "formats/plugin.h"

#include <algorithm>
#include <cstring>

#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "formats/qvp_file.h"
#include "formats/qvp_image.h"
#include "formats/qvp_setting_if.h"
#include "model/img_inf.h"
#include "platform/dyn_module.h"
#include "platform/paths.h"
#include "platform/atomic_file.h"

namespace {

constexpr int kMaxProcEntries = 128;

extern "C" int HostProgress(QvpProcess* record, int32_t percent) {
  CPiPrcQvp* process = CPiPrcQvp::FromRecord(record);
  if (!process || !process->m_plugin || !process->m_plugin->m_mng) return 0;
  return process->m_plugin->m_mng->Progress(percent);
}

std::string RemoveBars(const char* text) {
  std::string s = text ? text : "";
  s.erase(std::remove(s.begin(), s.end(), '|'), s.end());
  return s;
}

// Extension of the first ";"-separated pattern: from after its last "." to its end.
std::string FirstPatternExtension(const std::string& patterns) {
  const std::string first = patterns.substr(0, patterns.find(';'));
  const size_t dot = first.find_last_of('.');
  return dot == std::string::npos ? "" : first.substr(dot + 1);
}

// True when the path's extension equals that of one of the patterns, ignoring case.
bool MatchesPatternExtension(const std::string& path, const std::string& patterns) {
  const std::string ext = paths::ExtensionOf(path.substr(path.find_last_of('/') + 1));
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    const std::string pattern = patterns.substr(start, end - start);
    if (!pattern.empty() && paths::EqualsIgnoreCase(paths::ExtensionOf(pattern), ext)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

CPluginQvp::~CPluginQvp() {
  Disconnect();
  if (m_type == kQvp && m_module) dynmod::Close(m_module);
  m_module = nullptr;
  m_type = 0;
  m_path.clear();
}

CPluginBltin::~CPluginBltin() {
  Disconnect();
  m_module = nullptr;  // the program's own: never released
}

void CPluginQvp::Disconnect() {
  if (!m_connected) return;
  m_connected = false;
  if (m_fn.DisconnectProc) {
    for (auto& p : m_procs) m_fn.DisconnectProc(&static_cast<CPiPrcQvp&>(*p).Record());
  }
  if (m_fn.DisconnectPlugin) m_fn.DisconnectPlugin(&m_connect);
  for (auto& p : m_procs) QvpFreeImage(&static_cast<CPiPrcQvp&>(*p).Record().image);
  while (!m_procs.empty()) m_procs.pop_back();
}

std::unique_ptr<CPluginQvp> CPluginQvp::Create(CPluginMng& mng, const std::string& path) {
  void* module = dynmod::Open(path);
  if (!module) return nullptr;
  auto plugin = std::make_unique<CPluginQvp>();
  plugin->m_type = kQvp;
  plugin->m_module = module;
  plugin->m_path = path;
  auto look = [module](const char* name) { return dynmod::Symbol(module, name); };
  QvpFunctions& fn = plugin->m_fn;
  fn.ConnectPlugin = reinterpret_cast<QvpConnectPluginFn>(look("QvpConnectPlugin"));
  fn.DisconnectPlugin = reinterpret_cast<QvpDisconnectPluginFn>(look("QvpDisconnectPlugin"));
  fn.ConnectProc = reinterpret_cast<QvpConnectProcFn>(look("QvpConnectProc"));
  fn.DisconnectProc = reinterpret_cast<QvpDisconnectProcFn>(look("QvpDisconnectProc"));
  fn.DispAbout = reinterpret_cast<QvpDispAboutFn>(look("QvpDispAbout"));
  fn.FileLoadOptions = reinterpret_cast<QvpFileLoadOptionsFn>(look("QvpFileLoadOptions"));
  fn.FileLoadChkSupport = reinterpret_cast<QvpFileLoadChkSupportFn>(look("QvpFileLoadChkSupport"));
  fn.FileLoadExec = reinterpret_cast<QvpFileLoadExecFn>(look("QvpFileLoadExec"));
  fn.FileSaveOptions = reinterpret_cast<QvpFileSaveOptionsFn>(look("QvpFileSaveOptions"));
  fn.FileSaveExec = reinterpret_cast<QvpFileSaveExecFn>(look("QvpFileSaveExec"));
  fn.SettingGet = reinterpret_cast<QvpSettingGetFn>(look("QvpSettingGet"));
  fn.SettingSet = reinterpret_cast<QvpSettingSetFn>(look("QvpSettingSet"));
  if (!plugin->Connect(mng)) return nullptr;  // the destructor releases the library
  return plugin;
}

std::unique_ptr<CPluginBltin> CPluginBltin::Create(CPluginMng& mng, const BuiltinPluginDesc& desc,
                                                   BuiltinHost* host) {
  auto plugin = std::make_unique<CPluginBltin>();
  plugin->m_type = kBuiltin;
  plugin->m_module = host;
  plugin->m_path = "Builtin-Plugin";
  plugin->m_fn = desc.functions;
  if (!plugin->Connect(mng)) return nullptr;
  return plugin;
}

bool CPluginQvp::Connect(CPluginMng& mng) {
  m_mng = &mng;
  if (!m_fn.ConnectPlugin) return false;
  m_connect = QvpConnect{};
  m_connect.module = m_module;
  m_connect.parentWindow = mng.MainWindow();
  const QvpPluginInfo* info = nullptr;
  const QvpProcInfo* table = nullptr;
  if (!m_fn.ConnectPlugin(&m_connect, &info, &table)) return false;
  m_connected = true;  // from here on the module is told when it is let go
  if (!info || !table || !info->name) return false;
  if ((info->version & ~0xFFu) > 0x00010000u) return false;
  m_connect.info = info;
  m_connect.procTable = table;
  m_name = info->name;
  m_about = info->about ? info->about : "";

  for (int i = 0; i < kMaxProcEntries; ++i) {
    const QvpProcInfo& entry = table[i];
    if (entry.kind != QVP_KIND_LOAD && entry.kind != QVP_KIND_SAVE) break;
    if (entry.kind == QVP_KIND_LOAD && (!m_fn.FileLoadChkSupport || !m_fn.FileLoadExec)) continue;
    if (entry.kind == QVP_KIND_SAVE && !m_fn.FileSaveExec) continue;
    if (!entry.description || !*entry.description || !entry.patterns || !*entry.patterns) continue;
    auto process = std::make_unique<CPiPrcQvp>();
    process->m_caps = entry.caps;
    process->m_kind = entry.kind;
    process->m_desc = RemoveBars(entry.description);
    process->m_patterns = entry.patterns;
    process->m_defExt = FirstPatternExtension(process->m_patterns);
    if (process->m_defExt.empty()) continue;
    if (entry.kind == QVP_KIND_SAVE) process->m_patterns = "*." + process->m_defExt;
    process->m_name = entry.name ? entry.name : "";
    process->m_plugin = this;
    process->m_host.owner = process.get();
    QvpProcess& record = process->Record();
    record.connect = &m_connect;
    record.procInfo = &entry;
    record.id = entry.id;
    if (m_fn.ConnectProc && !m_fn.ConnectProc(&record)) continue;
    m_procs.push_back(std::move(process));
  }
  return !m_procs.empty();
}

bool CPluginQvp::Prepare(CPluginMng& mng, CPiPrcQvp& process, const std::string& path, bool withHeader,
                         QvpFile& file) {
  QvpProcess& record = process.Record();
  record.connect = &m_connect;
  m_connect.parentWindow = mng.MainWindow();
  record.showOptions = mng.m_showOptions;
  record.pictureIndex = mng.m_pictureIndex;
  record.bankIndex = mng.m_bankIndex;
  record.CreateImage = QvpHostCreateImage;
  record.Progress = HostProgress;
  return QvpFillFileBlock(&file, path, withHeader ? mng.m_header : nullptr, withHeader ? QVP_HEADER_SIZE : 0);
}

int CPluginQvp::Load(CPluginMng& mng, const std::string& path, CImgInf& model, CPiPrcInf& base) {
  if (base.m_kind != QVP_KIND_LOAD) return PIRC_NOTHANDLED;
  if (path.empty()) return PIRC_FILE;
  auto& process = static_cast<CPiPrcQvp&>(base);
  auto file = std::make_unique<QvpFile>();
  if (!Prepare(mng, process, path, true, *file)) return PIRC_FILE;
  QvpProcess& record = process.Record();
  if (!m_fn.FileLoadChkSupport(&record, file.get())) return PIRC_NOTHANDLED;
  if (record.showOptions && HasOptions(process)) {
    const int r = m_fn.FileLoadOptions(&record, file.get());
    if (r != QVP_OK) return QvpToHostCode(r);
  }
  QvpFreeImage(&record.image);
  const int r = m_fn.FileLoadExec(&record, file.get());
  if (r != QVP_OK) {
    QvpFreeImage(&record.image);
    return QvpToHostCode(r);
  }
  QvpExpandBits(&record.image);
  CImgInf loaded;
  const int moved = QvpImageToModel(&record.image, loaded);
  QvpFreeImage(&record.image);
  if (moved != PIRC_OK) return moved;
  if (!loaded.IsValid()) return PIRC_ERROR;
  // The target is replaced only by a complete, valid image.
  model = std::move(loaded);
  return PIRC_OK;
}

int CPluginQvp::Save(CPluginMng& mng, const std::string& path, const CImgInf& model, CPiPrcInf& base) {
  if (base.m_kind != QVP_KIND_SAVE) return PIRC_NOTHANDLED;
  if (path.empty()) return PIRC_FILE;
  auto& process = static_cast<CPiPrcQvp&>(base);
  if (!MatchesPatternExtension(path, process.m_patterns)) return PIRC_NOTHANDLED;
  auto file = std::make_unique<QvpFile>();
  if (!Prepare(mng, process, path, false, *file)) return PIRC_FILE;
  QvpProcess& record = process.Record();
  int r = QvpImageFromModel(&record.image, model);
  if (r != PIRC_OK) return r;
  // The block may hold fewer pictures than the model (mip sizes): never name a missing one.
  if (uint32_t(record.pictureIndex) >= record.image.pictureCount) record.pictureIndex = 0;
  if (uint32_t(record.bankIndex) >= record.image.bankCount) record.bankIndex = 0;
  if (record.showOptions && HasOptions(process)) {
    r = m_fn.FileSaveOptions(&record, file.get());
    if (r != QVP_OK) {
      QvpFreeImage(&record.image);
      return QvpToHostCode(r);
    }
  }
  // The saver writes a temporary file beside the target, which replaces the target only when
  // the save succeeds: a failed or cancelled save leaves an existing file as it was.
  AtomicFileWriter guard;
  if (!guard.Open(path) || guard.TempPath().size() >= QVP_MAX_PATH) {
    QvpFreeImage(&record.image);
    return PIRC_FILE;
  }
  std::memset(file->path, 0, sizeof(file->path));
  std::memcpy(file->path, guard.TempPath().data(), guard.TempPath().size());
  r = m_fn.FileSaveExec(&record, file.get());
  QvpFreeImage(&record.image);
  if (r == QVP_OK && !guard.Commit()) return PIRC_FILE;
  return QvpToHostCode(r);
}

void CPluginQvp::ShowAbout(QvpWindow* parent) {
  if (!HasAbout()) return;
  m_connect.parentWindow = parent;
  m_fn.DispAbout(&m_connect);
}

bool CPluginQvp::HasOptions(const CPiPrcInf& process) const {
  if (!(process.m_caps & PICAP_OPTIONS)) return false;
  return process.m_kind == QVP_KIND_LOAD ? m_fn.FileLoadOptions != nullptr : m_fn.FileSaveOptions != nullptr;
}

int CPluginQvp::ShowOptions(CPiPrcInf& base, QvpWindow* parent) {
  if (!HasOptions(base)) return PIRC_NOTHANDLED;
  auto& process = static_cast<CPiPrcQvp&>(base);
  m_connect.parentWindow = parent;
  QvpProcess& record = process.Record();
  record.showOptions = 1;
  const int r = base.m_kind == QVP_KIND_LOAD ? m_fn.FileLoadOptions(&record, nullptr)
                                             : m_fn.FileSaveOptions(&record, nullptr);
  return QvpToHostCode(r);
}

int CPluginQvp::SettingGet(CPiPrcInf* process, CProfSect* settings) {
  if (!process || !m_fn.SettingGet) return QVP_ERR_PARAM;
  QvpSettingIf acc = MakeQvpSettingIf(settings);
  return m_fn.SettingGet(&static_cast<CPiPrcQvp*>(process)->Record(), &acc);
}

int CPluginQvp::SettingSet(CPiPrcInf* process, CProfSect* settings) {
  if (!process || !m_fn.SettingSet) return QVP_ERR_PARAM;
  QvpSettingIf acc = MakeQvpSettingIf(settings);
  return m_fn.SettingSet(&static_cast<CPiPrcQvp*>(process)->Record(), &acc);
}
