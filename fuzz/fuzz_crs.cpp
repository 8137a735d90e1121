// Fuzz target: a colour-reduction settings file (".crs") read from memory and loaded into the
// record. Whatever the bytes, the record must come out inside its ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "reduce/col_rdct_prm.h"
#include "settings/prof_mng.h"
#include "settings/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CProfMng mng;
  if (!mng.LoadFromMemory(reinterpret_cast<const char*>(data), size) || !mng.CheckVersion(kSettingFmtVers)) return 0;
  CColRdctPrm p;
  CProfile prof(&mng.Root());
  if (!p.Load(prof, nullptr)) return 0;
  const bool ok = (p.m_nOutColNum == kDirectColourCount || (p.m_nOutColNum >= 2 && p.m_nOutColNum <= 256)) &&
                  p.m_byDepth[0] >= 1 && p.m_byDepth[0] <= 8 && p.m_byDepth[3] <= 8 && p.m_nColSpcType >= 0 &&
                  p.m_nColSpcType <= 3 && p.m_nDithMode >= 0 && p.m_nDithMode <= 2 && p.m_nImpRate >= 1 &&
                  p.m_nImpRate <= 100 && p.m_nFixPalColNum >= 1 && p.m_nFixPalColNum <= 256 &&
                  p.m_fDithLevel >= 0.0f && p.m_fDithLevel <= 1.0f && p.m_fPriHueBalance >= -1.0f &&
                  p.m_fPriHueBalance <= 1.0f && p.m_colNuki.a == 255 && p.m_colInvis.a == 0;
  if (!ok) std::abort();
  (void)p.GetText();
  return 0;
}
