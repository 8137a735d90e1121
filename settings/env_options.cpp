// The environment options record: defaults, load clamps, save order and change flags.
#include "settings/env_options.h"

#include "settings/profile.h"

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

uint32_t ReadColour(const CProfile& prof, const char* key, uint32_t def) {
  return uint32_t(prof.GetInt(kEnvOptSection, key, int(def))) | 0xFF000000u;
}

}  // namespace

void CEnvOpt::Init() {
  m_dwFlag = ENVF_CENTER | ENVF_BG_NOT_ZOOMED;
  m_nAlpType = ENV_ALPHA_255;
  m_nAlpUserVal = 255;
  m_nBgType = ENV_BG_TILE;
  m_dwMonoCol = EnvColour(128, 128, 128);
  m_dwTileCol1 = EnvColour(192, 192, 192);
  m_dwTileCol2 = EnvColour(96, 96, 96);
  m_nTileSize = 8;
  m_strBgImgFile.clear();
  m_nGridSize = 16;
  m_dwGridCol = EnvColour(255, 0, 0);
  m_strSusieDir.clear();
}

bool CEnvOpt::Load(const CProfile& prof) {
  const char* s = kEnvOptSection;
  m_dwFlag = uint32_t(prof.GetInt(s, "Flag", int(m_dwFlag)));
  m_nAlpType = prof.GetInt(s, "AlpType", m_nAlpType);
  if (m_nAlpType < 0 || m_nAlpType > 2) m_nAlpType = ENV_ALPHA_255;
  // 0 would make the opaque value 0, and the alpha operations divide by it.
  m_nAlpUserVal = Clamp(prof.GetInt(s, "AlpUserVal", m_nAlpUserVal), 1, 255);
  m_nBgType = prof.GetInt(s, "BgType", m_nBgType);
  if (m_nBgType < 0) m_nBgType = ENV_BG_MONO;
  if (m_nBgType > 2) m_nBgType = ENV_BG_TILE;
  m_dwMonoCol = ReadColour(prof, "MonoCol", m_dwMonoCol);
  m_dwTileCol1 = ReadColour(prof, "TileCol1", m_dwTileCol1);
  m_dwTileCol2 = ReadColour(prof, "TileCol2", m_dwTileCol2);
  m_nTileSize = Clamp(prof.GetInt(s, "TileSize", m_nTileSize), 1, 512);
  m_strBgImgFile = prof.GetString(s, "BgImgFile", m_strBgImgFile);
  m_nGridSize = Clamp(prof.GetInt(s, "GridSize", m_nGridSize), 1, 1024);
  m_dwGridCol = ReadColour(prof, "GridCol", m_dwGridCol);
  m_strSusieDir = prof.GetString(s, "SusiePulginDir", m_strSusieDir);
  return true;
}

bool CEnvOpt::Save(CProfile& prof) const {
  const char* s = kEnvOptSection;
  bool ok = prof.WriteInt(s, "Flag", int(m_dwFlag));
  ok &= prof.WriteInt(s, "AlpType", m_nAlpType);
  ok &= prof.WriteInt(s, "AlpUserVal", m_nAlpUserVal);
  ok &= prof.WriteInt(s, "BgType", m_nBgType);
  ok &= prof.WriteInt(s, "MonoCol", int(m_dwMonoCol));
  ok &= prof.WriteInt(s, "TileCol1", int(m_dwTileCol1));
  ok &= prof.WriteInt(s, "TileCol2", int(m_dwTileCol2));
  ok &= prof.WriteInt(s, "TileSize", m_nTileSize);
  ok &= prof.WriteString(s, "BgImgFile", m_strBgImgFile);
  ok &= prof.WriteInt(s, "GridSize", m_nGridSize);
  ok &= prof.WriteInt(s, "GridCol", int(m_dwGridCol));
  ok &= prof.WriteString(s, "SusiePulginDir", m_strSusieDir);
  return ok;
}

uint32_t CEnvOpt::Assign(const CEnvOpt& e) {
  uint32_t f = 0;
  // A change that shows only for one background type rebuilds the background when that type
  // is the (new) one, else it is merely recorded.
  auto bgChange = [&](bool changed, int type) {
    if (changed) f |= e.m_nBgType == type ? (ENVCHG_REDRAW | ENVCHG_BACKGROUND) : ENVCHG_CHANGED;
  };
  if (e.m_nAlpType != m_nAlpType) f |= ENVCHG_REDRAW;
  if (e.m_nAlpUserVal != m_nAlpUserVal) f |= e.m_nAlpType == ENV_ALPHA_USER ? ENVCHG_REDRAW : ENVCHG_CHANGED;
  if ((e.m_dwFlag ^ m_dwFlag) & ENVF_ALPHA_CLAMP) f |= ENVCHG_REDRAW;
  if (e.m_nBgType != m_nBgType) f |= ENVCHG_REDRAW | ENVCHG_BACKGROUND;
  bgChange(e.m_dwMonoCol != m_dwMonoCol, ENV_BG_MONO);
  bgChange(e.m_dwTileCol1 != m_dwTileCol1, ENV_BG_TILE);
  bgChange(e.m_dwTileCol2 != m_dwTileCol2, ENV_BG_TILE);
  bgChange(e.m_nTileSize != m_nTileSize, ENV_BG_TILE);
  bgChange(e.m_strBgImgFile != m_strBgImgFile, ENV_BG_IMAGE);
  if ((e.m_dwFlag ^ m_dwFlag) & ENVF_BG_NOT_ZOOMED) f |= ENVCHG_REDRAW;
  if (e.m_nGridSize != m_nGridSize || e.m_dwGridCol != m_dwGridCol) f |= ENVCHG_REDRAW;
  if (e.m_strSusieDir != m_strSusieDir) f |= ENVCHG_CHANGED;
  if ((e.m_dwFlag ^ m_dwFlag) & ENVF_CENTER) f |= ENVCHG_REDRAW;
  *this = e;
  return f;
}

uint8_t CEnvOpt::OpaqueAlpha() const {
  switch (m_nAlpType) {
    case ENV_ALPHA_128: return 128;
    case ENV_ALPHA_USER: return uint8_t(Clamp(m_nAlpUserVal, 1, 255));
    default: return 255;
  }
}
