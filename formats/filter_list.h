// CFltrInfList: the file-type list of the open and save dialogs and of batch conversion, built
// from the current plug-in list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/plugin_manager.h"

class CImgInf;

struct FltrInf {
  int ID = -1;           // process index, or -1 for the "all supported" and "all files" entries
  std::string FltrName;  // display name
  std::string patterns;  // ";"-separated wildcards
};

class CFltrInfList {
 public:
  explicit CFltrInfList(const CPluginMng& mng) : m_mng(mng) {}

  // kind 1 (open) or 2 (save); the model (or none) supplies its capability word; the
  // processes must have every bit of `required` and, when `wanted` is not 0, one of its bits.
  int Build(int kind, const CImgInf* model, uint32_t required, uint32_t wanted);
  int Count() const { return int(m_items.size()); }
  const FltrInf* GetItem(int i) const { return i >= 0 && i < Count() ? &m_items[size_t(i)] : nullptr; }
  int IndexOfItem(int i) const;
  int ItemOfIndex(int processIndex) const;
  // "desc|patterns|...|"; with `nulSeparated` every "|" is a NUL character.
  std::string FilterString(bool nulSeparated) const;
  int FindByExt(const std::string& ext, int pluginPosition) const;
  int Choose(const std::string& ext, int preferredIndex) const;
  ProcessRef GetProcess(int i) const;
  int FindFltrInf(int id, const std::string& name) const;

 private:
  bool HasExtension(const FltrInf& item, const std::string& ext) const;

  const CPluginMng& m_mng;
  std::vector<FltrInf> m_items;
};
