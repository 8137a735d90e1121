// One section of a settings tree.
#include "settings/prof_sect.h"

#include "settings/value_text.h"

using settings_text::Trim;

CProfSect::~CProfSect() {
  RemoveDescendants();
  Unlink();
}

std::vector<std::string_view> CProfSect::SplitPath(std::string_view path) {
  std::vector<std::string_view> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view name = Trim(path.substr(start, end - start));
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

CProfSect* CProfSect::FindChild(std::string_view name) const {
  auto it = m_ChildIndex.find(name);
  return it == m_ChildIndex.end() ? nullptr : it->second;
}

const CProfSect* CProfSect::FindSect(std::string_view path) const {
  const CProfSect* s = this;
  for (std::string_view name : SplitPath(path)) {
    s = s->FindChild(name);
    if (!s) return nullptr;
  }
  return s;
}

CProfSect* CProfSect::FindSect(std::string_view path) {
  return const_cast<CProfSect*>(static_cast<const CProfSect*>(this)->FindSect(path));
}

CProfSect* CProfSect::GetSect(std::string_view path, int* created) {
  const std::vector<std::string_view> names = SplitPath(path);
  // Checked before anything is created, so a refused path leaves no empty sections behind.
  size_t depth = names.size();
  for (const CProfSect* a = m_pParent; a; a = a->m_pParent) ++depth;
  if (depth > size_t(kMaxSectDepth)) return nullptr;
  CProfSect* s = this;
  for (std::string_view name : names) {
    CProfSect* c = s->FindChild(name);
    if (!c) {
      c = new CProfSect(name);
      c->m_dwFlags |= SECTF_HEAP;
      s->AddChild(c);
      if (created) ++*created;
    }
    s = c;
  }
  return s;
}

bool CProfSect::AddChild(CProfSect* section) {
  if (!section || section->m_pParent || section->m_strName.empty() || FindChild(section->m_strName))
    return false;
  for (const CProfSect* a = this; a; a = a->m_pParent) {
    if (a == section) return false;
  }
  section->m_pParent = this;
  section->m_pPrev = m_pLastChild;
  section->m_pNext = nullptr;
  if (m_pLastChild)
    m_pLastChild->m_pNext = section;
  else
    m_pChild = section;
  m_pLastChild = section;
  m_ChildIndex.emplace(section->m_strName, section);
  return true;
}

void CProfSect::MoveToFront() {
  CProfSect* parent = m_pParent;
  if (!parent || parent->m_pChild == this) return;
  // Relink without touching the name index.
  m_pPrev->m_pNext = m_pNext;
  if (m_pNext)
    m_pNext->m_pPrev = m_pPrev;
  else
    parent->m_pLastChild = m_pPrev;
  m_pPrev = nullptr;
  m_pNext = parent->m_pChild;
  parent->m_pChild->m_pPrev = this;
  parent->m_pChild = this;
}

void CProfSect::Unlink() {
  CProfSect* parent = m_pParent;
  if (parent) {
    if (parent->m_pChild == this) parent->m_pChild = m_pNext;
    if (parent->m_pLastChild == this) parent->m_pLastChild = m_pPrev;
    auto it = parent->m_ChildIndex.find(m_strName);
    if (it != parent->m_ChildIndex.end() && it->second == this) parent->m_ChildIndex.erase(it);
  }
  if (m_pPrev) m_pPrev->m_pNext = m_pNext;
  if (m_pNext) m_pNext->m_pPrev = m_pPrev;
  m_pParent = m_pPrev = m_pNext = nullptr;
}

int CProfSect::RemoveDescendants() {
  int removed = 0;
  CProfSect* cur = this;
  while (true) {
    // Go down along the last children to a leaf, then remove that leaf and continue from
    // its parent: every section is visited a constant number of times.
    while (cur->m_pLastChild) cur = cur->m_pLastChild;
    if (cur == this) break;
    CProfSect* parent = cur->m_pParent;
    cur->Unlink();
    cur->m_Keys.DeleteAll();
    if (cur->m_dwFlags & SECTF_HEAP) delete cur;
    ++removed;
    cur = parent;
  }
  return removed;
}

int CProfSect::Remove() {
  int removed = RemoveDescendants() + 1;
  Unlink();
  m_Keys.DeleteAll();
  if (m_dwFlags & SECTF_HEAP) delete this;
  return removed;
}

int CProfSect::RemoveAll() {
  int removed = 0;
  CProfSect* first = this;
  while (first->m_pPrev) first = first->m_pPrev;
  CProfSect* last = this;
  while (last->m_pNext) last = last->m_pNext;
  while (true) {
    CProfSect* prev = last->m_pPrev;
    const bool done = last == first;
    removed += last->Remove();
    if (done) break;
    last = prev;
  }
  return removed;
}

int CProfSect::RemoveChildren() { return RemoveDescendants(); }

bool CProfSect::SetString(std::string_view path, std::string_view key, std::string_view value) {
  if (key.empty()) return false;
  CProfSect* s = GetSect(path);
  CSectKey* k = s ? s->m_Keys.Add(key) : nullptr;
  if (!k) return false;
  k->m_strValue.assign(value);
  return true;
}

bool CProfSect::SetInt(std::string_view path, std::string_view key, int value) {
  return SetString(path, key, settings_text::FormatInt(value));
}

bool CProfSect::SetReal(std::string_view path, std::string_view key, double value) {
  return SetString(path, key, settings_text::FormatReal(value));
}

bool CProfSect::SetBinary(std::string_view path, std::string_view key, const void* data, size_t size) {
  return SetString(path, key, settings_text::FormatBinary(data, size));
}

const CSectKey* CProfSect::FindKey(std::string_view path, std::string_view key) const {
  const CProfSect* s = FindSect(path);
  return s ? s->m_Keys.Find(key) : nullptr;
}

std::string CProfSect::GetString(std::string_view path, std::string_view key, std::string_view def) const {
  const CSectKey* k = FindKey(path, key);
  return std::string(k ? std::string_view(k->m_strValue) : def);
}

int CProfSect::GetInt(std::string_view path, std::string_view key, int def) const {
  const CSectKey* k = FindKey(path, key);
  if (!k) return def;
  return settings_text::ParseLeadingInt(k->m_strValue);
}

double CProfSect::GetReal(std::string_view path, std::string_view key, double def) const {
  const CSectKey* k = FindKey(path, key);
  if (!k) return def;
  return settings_text::ParseLeadingReal(k->m_strValue);
}

int CProfSect::GetBinary(std::string_view path, std::string_view key, void* buffer, int size) const {
  const CSectKey* k = FindKey(path, key);
  return k ? settings_text::ParseBinary(k->m_strValue, buffer, size) : 0;
}

bool CProfSect::Write(std::string& out, std::string_view indent) const {
  // Pre-order walk with an explicit depth instead of recursion.
  std::string pad(indent);
  auto open = [&](const CProfSect* s) {
    out += pad;
    out += '[';
    out += s->m_strName;
    out += "]\n";
    out += pad;
    out += "{\n";
    for (const CSectKey* k = s->m_Keys.Head(); k; k = k->m_pNext) {
      if (k->m_strName.empty()) continue;
      out += pad;
      out += "  ";
      out += k->m_strName;
      out += '=';
      out += k->m_strValue;
      out += '\n';
    }
  };
  auto close = [&] {
    out += pad;
    out += "}\n";
  };
  const CProfSect* cur = this;
  open(cur);
  while (true) {
    if (cur->m_pChild) {
      cur = cur->m_pChild;
      pad += "  ";
      open(cur);
      continue;
    }
    close();
    while (cur != this && !cur->m_pNext) {
      cur = cur->m_pParent;
      pad.resize(pad.size() - 2);
      close();
    }
    if (cur == this) break;
    cur = cur->m_pNext;
    open(cur);
  }
  return true;
}
