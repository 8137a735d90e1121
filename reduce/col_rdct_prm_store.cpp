// CColRdctPrm in the settings store: the keys of the record, the load rules, and the ".crs"
// colour-reduction settings file.
#include <cstdio>
#include <cstring>

#include "reduce/col_rdct_prm.h"
#include "settings/prof_mng.h"
#include "settings/profile.h"

namespace {

constexpr const char* kSubName = "ColRdctPrm";
constexpr const char* kCrsType = "ColRdctPrm";
constexpr const char* kCrsBanner = ";   減色設定ファイル";

// Values never hold a line break, so this default tells a missing key from any stored value.
constexpr const char* kMissing = "\n";

bool ReadInt(const CProfile& prof, const std::string& sect, const char* key, int32_t& value) {
  if (prof.GetString(sect, key, kMissing) == kMissing) return false;
  value = prof.GetInt(sect, key, value);
  return true;
}

template <typename T>
T Clamp(T v, T lo, T hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// A float key: the stored integer x 0.001, clamped; a missing key keeps the exact value.
void ReadPriority(const CProfile& prof, const std::string& sect, const char* key, float& value, float lo, float hi) {
  int32_t v = 0;
  if (ReadInt(prof, sect, key, v)) value = Clamp(CrsIntToFloat(v), lo, hi);
}

std::string GroupKey(int g) {
  char key[32];
  std::snprintf(key, sizeof key, "IdxNum-Grp%d", g);
  return key;
}

}  // namespace

bool CColRdctPrm::Load(CProfile& prof, const char* sect) {
  const std::string s = prof.MakeSection(sect, nullptr, nullptr, kSubName);
  int32_t v = 0;
  if (ReadInt(prof, s, "Flag", v)) m_dwFlags = uint32_t(v);
  if (ReadInt(prof, s, "OutColNum", m_nOutColNum) && m_nOutColNum != kDirectColourCount)
    m_nOutColNum = Clamp<int32_t>(m_nOutColNum, 2, 256);
  v = CrsPackDepth(m_byDepth);
  if (ReadInt(prof, s, "ColDepth", v)) {
    CrsUnpackDepth(v, m_byDepth);
    if (m_byDepth[3] > 8) m_byDepth[3] = 8;
    for (int i = 0; i < 3; ++i) m_byDepth[i] = Clamp<uint8_t>(m_byDepth[i], 1, 8);
  }
  ReadPriority(prof, s, "PriIntentChroma", m_fPriIntentChroma, -1.0f, 1.0f);
  ReadPriority(prof, s, "PriHueBalance", m_fPriHueBalance, -1.0f, 1.0f);
  if (ReadInt(prof, s, "ColSpcType", m_nColSpcType)) m_nColSpcType = Clamp<int32_t>(m_nColSpcType, 0, 3);
  v = int32_t(RgbaToU32(m_colNuki));
  if (ReadInt(prof, s, "NukiCol", v)) m_colNuki = U32ToRgba(uint32_t(v));
  m_colNuki.a = 255;
  v = int32_t(RgbaToU32(m_colInvis));
  if (ReadInt(prof, s, "InvisCol", v)) m_colInvis = U32ToRgba(uint32_t(v));
  m_colInvis.a = 0;
  ReadPriority(prof, s, "PriRgbAlpha", m_fPriRgbAlpha, -1.0f, 1.0f);
  uint8_t raw[sizeof m_aFixPal];
  const int n = prof.GetBinary(s, "FixPal", raw, int(sizeof raw));
  if (n > 0) std::memcpy(m_aFixPal, raw, size_t(n));  // a short value replaces the leading bytes
  if (ReadInt(prof, s, "FixPalColNum", m_nFixPalColNum)) m_nFixPalColNum = Clamp<int32_t>(m_nFixPalColNum, 1, 256);
  for (int g = 1; g < kGroupCount; ++g)
    if (ReadInt(prof, s, GroupKey(g).c_str(), m_aGroup[g].m_nCount))
      m_aGroup[g].m_nCount = Clamp<int32_t>(m_aGroup[g].m_nCount, 0, 256);
  DeriveGroupLayout(m_nOutColNum);
  m_strGroupFile = prof.GetString(s, "GroupFile", m_strGroupFile);
  if (ReadInt(prof, s, "DithMode", m_nDithMode)) m_nDithMode = Clamp<int32_t>(m_nDithMode, 0, 2);
  ReadPriority(prof, s, "DithLevel", m_fDithLevel, 0.0f, 1.0f);
  if (ReadInt(prof, s, "ImpRate", m_nImpRate)) m_nImpRate = Clamp<int32_t>(m_nImpRate, 1, 100);
  return true;
}

bool CColRdctPrm::Save(CProfile& prof, const char* sect) const {
  const std::string s = prof.MakeSection(sect, nullptr, nullptr, kSubName);
  bool ok = prof.WriteInt(s, "Flag", int32_t(m_dwFlags));
  ok &= prof.WriteInt(s, "OutColNum", m_nOutColNum);
  ok &= prof.WriteInt(s, "ColDepth", CrsPackDepth(m_byDepth));
  ok &= prof.WriteInt(s, "PriIntentChroma", CrsFloatToInt(m_fPriIntentChroma));
  ok &= prof.WriteInt(s, "PriHueBalance", CrsFloatToInt(m_fPriHueBalance));
  ok &= prof.WriteInt(s, "ColSpcType", m_nColSpcType);
  ok &= prof.WriteInt(s, "NukiCol", int32_t(RgbaToU32(m_colNuki)));
  ok &= prof.WriteInt(s, "InvisCol", int32_t(RgbaToU32(m_colInvis)));
  ok &= prof.WriteInt(s, "PriRgbAlpha", CrsFloatToInt(m_fPriRgbAlpha));
  ok &= prof.WriteBinary(s, "FixPal", m_aFixPal, sizeof m_aFixPal);
  ok &= prof.WriteInt(s, "FixPalColNum", m_nFixPalColNum);
  for (int g = 1; g < kGroupCount; ++g) ok &= prof.WriteInt(s, GroupKey(g), m_aGroup[g].m_nCount);
  ok &= prof.WriteString(s, "GroupFile", m_strGroupFile);
  ok &= prof.WriteInt(s, "DithMode", m_nDithMode);
  ok &= prof.WriteInt(s, "DithLevel", CrsFloatToInt(m_fDithLevel));
  ok &= prof.WriteInt(s, "ImpRate", m_nImpRate);
  return ok;
}

bool CColRdctPrm::LoadCrs(const std::string& path) {
  CProfMng mng;
  if (!mng.Load(path) || !mng.CheckVersion(kSettingFmtVers)) return false;
  CColRdctPrm loaded(*this);
  CProfile prof(&mng.Root());
  if (!loaded.Load(prof, nullptr)) return false;
  *this = loaded;
  return true;
}

bool CColRdctPrm::SaveCrs(const std::string& path) const {
  CProfMng mng;
  mng.SetCommonInfo(kCrsType, kSettingFmtVers);
  CProfile prof(&mng.Root());
  if (!Save(prof, nullptr)) return false;
  return mng.Save(path, MakeBanner(kCrsBanner));
}
