// Building and searching the file-type list.
#include "formats/filter_list.h"

#include "model/img_inf.h"
#include "platform/paths.h"

namespace {

bool CapsMatch(uint32_t caps, uint32_t required, uint32_t wanted) {
  return (caps & required) == required && (wanted == 0 || (caps & wanted) != 0);
}

FltrInf EntryFor(int index, const CPiPrcInf& process) {
  const auto& file = static_cast<const CPiPrcFile&>(process);
  return FltrInf{index, file.m_desc + " (" + file.m_patterns + ")", file.m_patterns};
}

}  // namespace

int CFltrInfList::Build(int kind, const CImgInf* model, uint32_t required, uint32_t wanted) {
  m_items.clear();
  const uint32_t caps = model ? model->GetCaps() : 0xFFFFFFFFu;
  if (kind == kKindLoad) {
    std::string all;
    std::vector<FltrInf> loaders;
    for (int i = m_mng.NextIndex(kKindLoad, -1); i >= 0; i = m_mng.NextIndex(kKindLoad, i)) {
      const ProcessRef ref = m_mng.GetProcess(i);
      const uint32_t pc = ref.process->m_caps;
      if ((pc & 0x07u) == 0 || !CapsMatch(pc, required, wanted)) continue;
      const auto& file = static_cast<const CPiPrcFile&>(*ref.process);
      if (!file.m_patterns.empty()) {
        if (!all.empty()) all += ";";
        all += file.m_patterns;
      }
      loaders.push_back(EntryFor(i, *ref.process));
    }
    if (!all.empty()) m_items.push_back(FltrInf{-1, "対応するファイル", all});
    m_items.insert(m_items.end(), loaders.begin(), loaders.end());
    m_items.push_back(FltrInf{-1, "全てのファイル (*.*)", "*.*"});
  } else if (kind == kKindSave) {
    for (int i = m_mng.NextIndex(kKindSave, -1); i >= 0; i = m_mng.NextIndex(kKindSave, i)) {
      const ProcessRef ref = m_mng.GetProcess(i);
      if (!CPluginMng::CanSave(*ref.process, caps) || !CapsMatch(ref.process->m_caps, required, wanted)) continue;
      m_items.push_back(EntryFor(i, *ref.process));
    }
  }
  return Count();
}

int CFltrInfList::IndexOfItem(int i) const {
  const FltrInf* item = GetItem(i);
  return item ? item->ID : -1;
}

int CFltrInfList::ItemOfIndex(int processIndex) const {
  for (int i = 0; i < Count(); ++i)
    if (m_items[size_t(i)].ID == processIndex) return i;
  return -1;
}

std::string CFltrInfList::FilterString(bool nulSeparated) const {
  std::string s;
  for (const auto& item : m_items) s += item.FltrName + "|" + item.patterns + "|";
  s += "|";
  if (nulSeparated) {
    for (char& c : s)
      if (c == '|') c = '\0';
  }
  return s;
}

bool CFltrInfList::HasExtension(const FltrInf& item, const std::string& ext) const {
  size_t start = 0;
  while (start <= item.patterns.size()) {
    size_t end = item.patterns.find(';', start);
    if (end == std::string::npos) end = item.patterns.size();
    const std::string pattern = item.patterns.substr(start, end - start);
    if (!pattern.empty() && paths::EqualsIgnoreCase(paths::ExtensionOf(pattern), ext)) return true;
    start = end + 1;
  }
  return false;
}

int CFltrInfList::FindByExt(const std::string& ext, int pluginPosition) const {
  for (int i = 0; i < Count(); ++i) {
    const FltrInf& item = m_items[size_t(i)];
    const ProcessRef ref = m_mng.GetProcess(item.ID);
    if (!ref) continue;
    if (pluginPosition >= 0 && (item.ID >> 16) != pluginPosition) continue;
    if (HasExtension(item, ext)) return i;
  }
  return -1;
}

int CFltrInfList::Choose(const std::string& ext, int preferredIndex) const {
  if (preferredIndex >= 0) {
    const int exact = ItemOfIndex(preferredIndex);
    if (exact >= 0) return exact;
    const int samePlugin = FindByExt(ext, preferredIndex >> 16);
    if (samePlugin >= 0) return samePlugin;
  }
  return FindByExt(ext, -1);
}

ProcessRef CFltrInfList::GetProcess(int i) const { return m_mng.GetProcess(IndexOfItem(i)); }

int CFltrInfList::FindFltrInf(int id, const std::string& name) const {
  int first = -1;
  for (int i = 0; i < Count(); ++i) {
    const FltrInf& item = m_items[size_t(i)];
    if (item.FltrName != name) continue;
    if (item.ID == id) return i;
    if (first < 0) first = i;
  }
  return first;
}
