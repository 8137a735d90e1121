// Fuzz target for the settings file reader: any bytes must read without a crash, hang or
// unbounded growth, and a tree that was read must write out and read back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/prof_mng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CProfMng mng;
  if (!mng.LoadFromMemory(reinterpret_cast<const char*>(data), size)) return 0;
  mng.CheckVersion(kSettingFmtVers);
  const CProfSect& root = mng.Root();
  for (const CProfSect* s = root.m_pChild; s; s = s->m_pNext) {
    for (const CSectKey* k = s->m_Keys.Head(); k; k = k->m_pNext) {
      uint8_t buf[16];
      root.GetBinary(s->m_strName, k->m_strName, buf, sizeof buf);
      root.GetInt(s->m_strName, k->m_strName, 0);
      root.GetReal(s->m_strName, k->m_strName, 0.0);
    }
  }
  // What was read writes out and reads back to the same text: values read from a file hold no
  // line break, and every section the reader creates holds a key somewhere below it.
  const std::string first = mng.Serialize(MakeBanner("fuzz"));
  if (first.size() > kMaxSettingsFileBytes) return 0;
  CProfMng again;
  if (!again.LoadFromMemory(first.data(), first.size())) std::abort();
  if (again.Serialize(MakeBanner("fuzz")) != first) std::abort();
  return 0;
}
