// CPluginMng: the ordered list of plug-ins, discovery, loading a file through the loaders in
// list order, saving through a named saver, progress and cancel, the save-loss warning and
// the error report.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/builtin_plugin.h"
#include "formats/plugin.h"
#include "formats/qvp.h"
#include "model/image_io.h"

class IMessageBox;
class IProgressIndicator;

// Process kinds for NextIndex and CountOf.
inline constexpr int kKindLoad = QVP_KIND_LOAD;
inline constexpr int kKindSave = QVP_KIND_SAVE;
inline constexpr int kKindAny = 4;

struct ProcessRef {
  CPlugin* plugin = nullptr;
  CPiPrcInf* process = nullptr;
  explicit operator bool() const { return plugin && process; }
};

class CPluginMng : public IImageIo {
 public:
  using ProgressHook = int (*)(CPluginMng* mng, void* context, int percent);

  // `pluginFolder`: where Qvp modules are looked for (usually the program's folder + "/Plugins").
  explicit CPluginMng(std::string pluginFolder, IMessageBox* messages = nullptr);
  ~CPluginMng() override;
  CPluginMng(const CPluginMng&) = delete;
  CPluginMng& operator=(const CPluginMng&) = delete;

  // Builds the list: the built-in plug-ins in table order, then the Qvp modules of the plug-in
  // folder. Returns the number of plug-ins created.
  int Scan(const std::vector<const BuiltinPluginDesc*>& builtins, BuiltinHost* host = nullptr);
  // Appends the Qvp modules of a folder; returns the number appended.
  int ScanFolder(const std::string& folder);

  int Load(const std::string& path, CImgInf& model, bool showOptions, int preferredProcess) override;
  int Save(const std::string& path, const CImgInf& model, bool showOptions, int process, int picture,
           int bank) override;

  ProcessRef GetProcess(int index) const;
  int NextIndex(int kind, int previous) const;
  int CountOf(int kind) const;
  int FindBuiltinProcess(int32_t id) const;
  static bool CanSave(const CPiPrcInf& process, uint32_t caps);
  bool SaveLossText(const CImgInf& model, int processIndex, std::string& text) const;
  void ShowError(const std::string& path, int code);
  ProgressHook SetProgressHook(ProgressHook hook, void* context);
  // The host's progress function: nonzero to cancel.
  int Progress(int percent);

  int PluginCount() const { return int(m_plugins.size()); }
  CPlugin* Plugin(int i) const { return i >= 0 && i < PluginCount() ? m_plugins[size_t(i)].get() : nullptr; }
  const std::string& PluginFolder() const { return m_pluginFolder; }

  void SetMessageBox(IMessageBox* messages);
  IMessageBox* Messages() const { return m_messages; }
  void SetProgressIndicator(IProgressIndicator* indicator) { m_indicator = indicator; }
  // The window that owns the modules' dialogs and message boxes.
  QvpWindow* MainWindow() { return &m_window; }

  // Per-operation state, set at the start of every load and save.
  uint8_t m_header[QVP_HEADER_SIZE] = {};
  int m_showOptions = 0;
  int m_selectedSaver = -1;
  int m_pictureIndex = 0;
  int m_bankIndex = 0;
  int m_escapeCancels = 0;
  int m_currentIndex = -1;
  int m_allCount = 0;
  int m_loadCount = 0;
  int m_saveCount = 0;

 private:
  void CountProcesses();
  int TryLoad(int index, const std::string& path, CImgInf& model);
  static int WindowMessageBox(void* context, const char* text, const char* caption, uint32_t style);

  std::string m_pluginFolder;
  std::vector<std::unique_ptr<CPlugin>> m_plugins;
  IMessageBox* m_messages = nullptr;
  IProgressIndicator* m_indicator = nullptr;
  ProgressHook m_hook = nullptr;
  void* m_hookContext = nullptr;
  QvpWindow m_window{};
};

// The save-loss warning text for a set of lost capability bits (empty when nothing is lost).
std::string SaveLossMessage(uint32_t lost);
