// The keys of one settings section.
#include "settings/sect_key.h"

CSectKey* CSectKeyMng::Add(std::string_view name, bool* created) {
  if (created) *created = false;
  if (name.empty()) return nullptr;
  if (CSectKey* k = Find(name)) return k;
  auto* k = new CSectKey(name, {});
  m_Index.emplace(k->m_strName, k);
  if (created) *created = true;
  return Append(k);
}

CSectKey* CSectKeyMng::Find(std::string_view name) const {
  auto it = m_Index.find(name);
  return it == m_Index.end() ? nullptr : it->second;
}

bool CSectKeyMng::Delete(std::string_view name) {
  auto it = m_Index.find(name);
  if (it == m_Index.end()) return false;
  CSectKey* k = it->second;
  m_Index.erase(it);
  delete Remove(k);
  return true;
}

void CSectKeyMng::DeleteAll() {
  m_Index.clear();
  CListManager<CSectKey>::DeleteAll();
}
