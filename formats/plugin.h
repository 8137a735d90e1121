// Plug-in and process classes: a plug-in is an ordered set of processes, each a loader or a
// saver for one file type. Built-in plug-ins and Qvp modules share one implementation that
// drives the twelve Qvp functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/builtin_plugin.h"
#include "formats/qvp.h"

class CImgInf;
class CPluginMng;
class CProfSect;

// A process: caps, kind and display name.
class CPiPrcInf {
 public:
  virtual ~CPiPrcInf() = default;
  uint32_t m_caps = 0;
  int32_t m_kind = 0;  // QVP_KIND_LOAD or QVP_KIND_SAVE
  std::string m_name;
};

// A process that handles a file type: description, patterns and default extension.
class CPiPrcFile : public CPiPrcInf {
 public:
  std::string m_desc;      // the file-type description without any "|"
  std::string m_patterns;  // ";"-separated wildcards; a saver's is "*." + default extension
  std::string m_defExt;    // extension of the first pattern, without the dot
};

class CPluginQvp;

// A process of a Qvp or built-in plug-in, with the record handed to the module.
class CPiPrcQvp : public CPiPrcFile {
 public:
  // The record comes first so the host callbacks can find their process from it.
  struct HostRecord {
    QvpProcess record;
    CPiPrcQvp* owner;
  };
  HostRecord m_host{};
  CPluginQvp* m_plugin = nullptr;

  QvpProcess& Record() { return m_host.record; }
  static CPiPrcQvp* FromRecord(QvpProcess* record) {
    return record ? reinterpret_cast<HostRecord*>(record)->owner : nullptr;
  }
};

class CPlugin {
 public:
  enum Type : int32_t { kQvp = 1, kBuiltin = 2, kSusie = 3 };

  virtual ~CPlugin() = default;
  // Host codes throughout.
  virtual int Load(CPluginMng& mng, const std::string& path, CImgInf& model, CPiPrcInf& process) = 0;
  virtual int Save(CPluginMng& mng, const std::string& path, const CImgInf& model, CPiPrcInf& process) = 0;
  virtual bool HasAbout() const { return false; }
  virtual void ShowAbout(QvpWindow* /*parent*/) {}
  virtual bool HasOptions(const CPiPrcInf& /*process*/) const { return false; }
  virtual int ShowOptions(CPiPrcInf& /*process*/, QvpWindow* /*parent*/) { return 1; }
  // Qvp codes, unconverted.
  virtual int SettingGet(CPiPrcInf* /*process*/, CProfSect* /*settings*/) { return QVP_ERR_PARAM; }
  virtual int SettingSet(CPiPrcInf* /*process*/, CProfSect* /*settings*/) { return QVP_ERR_PARAM; }

  int ProcessCount() const { return int(m_procs.size()); }
  CPiPrcInf* Process(int i) { return i >= 0 && i < ProcessCount() ? m_procs[size_t(i)].get() : nullptr; }

  int32_t m_type = 0;
  int32_t m_reserved = 0;
  void* m_module = nullptr;
  std::string m_path;
  std::vector<std::unique_ptr<CPiPrcInf>> m_procs;
  std::string m_name;
  std::string m_about;
};

// A plug-in driven through the Qvp functions: a module loaded from a file, or (as
// CPluginBltin) a descriptor compiled into the program.
class CPluginQvp : public CPlugin {
 public:
  ~CPluginQvp() override;

  // Loads the module at `path` and connects it; null when it cannot be used.
  static std::unique_ptr<CPluginQvp> Create(CPluginMng& mng, const std::string& path);

  int Load(CPluginMng& mng, const std::string& path, CImgInf& model, CPiPrcInf& process) override;
  int Save(CPluginMng& mng, const std::string& path, const CImgInf& model, CPiPrcInf& process) override;
  bool HasAbout() const override { return m_fn.DispAbout != nullptr; }
  void ShowAbout(QvpWindow* parent) override;
  bool HasOptions(const CPiPrcInf& process) const override;
  int ShowOptions(CPiPrcInf& process, QvpWindow* parent) override;
  int SettingGet(CPiPrcInf* process, CProfSect* settings) override;
  int SettingSet(CPiPrcInf* process, CProfSect* settings) override;

  QvpFunctions m_fn{};
  QvpConnect m_connect{};
  CPluginMng* m_mng = nullptr;

 protected:
  // Connects after the functions are known: info, process table, process connections.
  bool Connect(CPluginMng& mng);
  void Disconnect();
  bool m_connected = false;

 private:
  // Record and file block for one operation.
  bool Prepare(CPluginMng& mng, CPiPrcQvp& process, const std::string& path, bool withHeader, QvpFile& file);
};

class CPluginBltin : public CPluginQvp {
 public:
  ~CPluginBltin() override;
  static std::unique_ptr<CPluginBltin> Create(CPluginMng& mng, const BuiltinPluginDesc& desc, BuiltinHost* host);
};
