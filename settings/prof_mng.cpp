// Reading and writing settings files.
#include "settings/prof_mng.h"

#include <vector>

#include "platform/atomic_file.h"
#include "platform/file_read.h"
#include "platform/version.h"
#include "settings/value_text.h"

using settings_text::Trim;
using settings_text::TrimLeft;

std::string MakeBanner(std::string_view typeLine) {
  const std::string rule = ";" + std::string(71, '-') + "\n";
  std::string banner = rule + "; Quovex\n";
  if (typeLine.empty() || typeLine[0] != ';') banner += ";   ";
  banner += typeLine;
  banner += '\n';
  banner += rule;
  banner += '\n';
  return banner;
}

CProfMng::CProfMng() = default;

CProfMng::~CProfMng() { Clear(); }

void CProfMng::Clear() {
  m_Root.RemoveChildren();
  m_Root.m_Keys.DeleteAll();
}

bool CProfMng::Load(std::string_view path) {
  Clear();
  if (path.empty()) return false;
  std::string data;
  if (ReadWholeFile(path, kMaxSettingsFileBytes, data) != FileReadResult::Ok) return false;
  return LoadFromMemory(data.data(), data.size());
}

namespace {

// One nesting level of the reader: the prefix its section lines extend. The prefix is the first
// `length` names of the reader's name list; a level opened while no section was current has no
// prefix at all, and the top level's prefix is the empty path.
struct Level {
  size_t length = 0;
  bool hasPrefix = false;
  bool emptyText = false;        // the prefix is the empty path (keys need a non-empty one)
  CProfSect* section = nullptr;  // the prefix's section, found or created on first use
};

// The current section path p: none, or the names[0, count) of the reader's name list.
enum class PathState { None, Empty, Set };

class Reader {
 public:
  Reader(CProfSect& root, int maxEntries) : m_maxEntries(maxEntries) {
    Level top;
    top.hasPrefix = true;
    top.emptyText = true;
    top.section = &root;
    m_levels.push_back(top);
  }

  bool Line(std::string_view raw);

 private:
  void SetPathToPrefix() {
    const Level& top = m_levels.back();
    m_names.resize(top.length);
    m_state = !top.hasPrefix ? PathState::None : top.emptyText ? PathState::Empty : PathState::Set;
    ResetCurrent();
  }
  void ResetCurrent() {
    m_current = nullptr;
    m_currentTooDeep = false;
  }
  CProfSect* PrefixSection(size_t level);
  CProfSect* CurrentSection();
  bool Count(int n) {
    m_entries += n;
    if (m_entries > m_maxEntries) m_tooMany = true;
    return !m_tooMany;
  }

  std::vector<Level> m_levels;
  std::vector<std::string> m_names;
  PathState m_state = PathState::None;
  CProfSect* m_current = nullptr;  // section of p, once a key needed it
  bool m_currentTooDeep = false;   // p lies too deep for the tree: its keys are dropped
  int m_maxEntries;
  int m_entries = 0;
  bool m_tooMany = false;
};

CProfSect* Reader::PrefixSection(size_t level) {
  size_t first = level;
  while (!m_levels[first].section) --first;  // the top level is always resolved
  for (size_t i = first + 1; i <= level; ++i) {
    CProfSect* s = m_levels[i - 1].section;
    for (size_t n = m_levels[i - 1].length; n < m_levels[i].length && s; ++n) {
      int created = 0;
      s = s->GetSect(m_names[n], &created);
      if (!Count(created)) return nullptr;
    }
    m_levels[i].section = s;
  }
  return m_levels[level].section;
}

CProfSect* Reader::CurrentSection() {
  if (m_current || m_currentTooDeep) return m_current;
  // The names of p lead from the root, one level each; a path too deep for the tree is
  // refused before any section on the way is made.
  if (m_names.size() > size_t(kMaxSectDepth)) {
    m_currentTooDeep = true;
    return nullptr;
  }
  CProfSect* s = PrefixSection(m_levels.size() - 1);
  for (size_t n = m_levels.back().length; n < m_names.size() && s; ++n) {
    int created = 0;
    s = s->GetSect(m_names[n], &created);
    if (!Count(created)) return nullptr;
  }
  m_current = s;
  return s;
}

bool Reader::Line(std::string_view raw) {
  // The text ends at a NUL byte, as it would for a C-string reader; CR and LF go everywhere.
  const size_t nul = raw.find('\0');
  if (nul != std::string_view::npos) raw = raw.substr(0, nul);
  std::string buffer;
  if (raw.find('\r') != std::string_view::npos) {
    buffer.reserve(raw.size());
    for (char c : raw)
      if (c != '\r') buffer += c;
    raw = buffer;
  }
  std::string_view line = TrimLeft(raw);
  if (line.empty() || line[0] == ';') return true;

  switch (line[0]) {
    case '[': {
      m_state = PathState::None;
      ResetCurrent();
      const size_t close = line.find(']');
      if (close == std::string_view::npos || close < 2) return true;
      const std::string_view name = Trim(line.substr(1, close - 1));
      const Level& top = m_levels.back();
      if (name.empty() || !top.hasPrefix) return true;
      m_names.resize(top.length);
      for (std::string_view n : CProfSect::SplitPath(name)) m_names.emplace_back(n);
      m_state = PathState::Set;
      return true;
    }
    case '{': {
      Level level;
      level.hasPrefix = m_state != PathState::None;
      level.emptyText = m_state == PathState::Empty;
      level.length = level.hasPrefix ? m_names.size() : m_levels.back().length;
      if (!level.hasPrefix) m_names.resize(level.length);
      if (m_levels.size() >= size_t(m_maxEntries)) return false;
      m_levels.push_back(level);
      // Inside the block, keys go to its prefix until a section line names a subsection.
      SetPathToPrefix();
      return true;
    }
    case '}':
      if (m_levels.size() > 1) {
        m_levels.pop_back();
        SetPathToPrefix();
      }
      return true;
    default: break;
  }

  if (m_state != PathState::Set) return true;
  if (line.find('=', 1) == std::string_view::npos) return true;
  const size_t eq = line.find('=');
  const std::string_view key = Trim(line.substr(0, eq));
  if (key.empty()) return true;
  // A section too deep for the tree drops the key; too many entries fail the read.
  CProfSect* s = CurrentSection();
  if (!s) return !m_tooMany;
  bool created = false;
  CSectKey* k = s->m_Keys.Add(key, &created);
  if (!k || (created && !Count(1))) return false;
  k->m_strValue.assign(line.substr(eq + 1));
  return true;
}

}  // namespace

bool CProfMng::LoadFromMemory(const char* data, size_t size) {
  Clear();
  if (size > kMaxSettingsFileBytes || (size > 0 && !data)) return false;
  std::string_view text(data ? data : "", size);
  Reader reader(m_Root, m_nMaxEntries);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (!reader.Line(text.substr(start, end - start))) {
      Clear();
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::string CProfMng::Serialize(std::string_view banner) const {
  std::string body(banner);
  for (const CProfSect* s = m_Root.m_pChild; s; s = s->m_pNext) s->Write(body, "");
  // The file is written as text: every line feed becomes CR LF.
  std::string out;
  out.reserve(body.size() + body.size() / 8);
  for (char c : body) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool CProfMng::Save(std::string_view path, std::string_view banner) const {
  if (path.empty()) return false;
  const std::string out = Serialize(banner);
  return WriteFileAtomic(path, out.data(), out.size());
}

void CProfMng::SetCommonInfo(const char* type, int version) {
  CProfSect* s = m_Root.GetSect(kCommonInfoSection);
  if (!s) return;
  s->MoveToFront();
  s->SetString("", kCommonAppName, "Quovex");
  s->SetString("", kCommonAppVers, QUOVEX_VERSION_STRING);
  if (type) s->SetString("", kCommonFmtType, type);
  if (version >= 0) s->SetInt("", kCommonFmtVers, version);
}

bool CProfMng::CheckVersion(int supported) const {
  return supported / 100 >= m_Root.GetInt(kCommonInfoSection, kCommonFmtVers, 0) / 100;
}
