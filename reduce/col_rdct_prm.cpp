// CColRdctPrm: defaults, clamping, group layout and the description text.
#include "reduce/col_rdct_prm.h"

#include <cstdio>
#include <cstring>

#include "model/default_colour.h"

namespace {

template <typename T>
T Clamp(T v, T lo, T hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

int32_t CrsFloatToInt(float v) { return int32_t(double(v) * 1000.0); }
float CrsIntToFloat(int32_t v) { return float(double(v) * 0.001); }

int32_t CrsPackDepth(const uint8_t depth[4]) {
  return int32_t(uint32_t(depth[0]) | (uint32_t(depth[1]) << 8) | (uint32_t(depth[2]) << 16) |
                 (uint32_t(depth[3]) << 24));
}

void CrsUnpackDepth(int32_t v, uint8_t depth[4]) {
  uint32_t u = uint32_t(v);
  for (int i = 0; i < 4; ++i) depth[i] = uint8_t(u >> (8 * i));
}

CColRdctPrm::CColRdctPrm() { Init(); }

void CColRdctPrm::Init() {
  m_dwFlags = CRF_ALPHA | CRF_ALPHA_EDGE | CRF_INVIS_UNIFY | CRF_ALPHA_WEIGHT | CRF_IMPRECT;
  m_nOutColNum = 256;
  for (auto& d : m_byDepth) d = 8;
  m_fPriIntentChroma = 0.0f;
  m_fPriHueBalance = 0.0f;
  m_nColSpcType = 0;
  m_colNuki = RGBA{255, 0, 255, 255};
  m_colInvis = RGBA{0, 0, 0, 0};
  m_fPriRgbAlpha = 0.0f;
  for (auto& c : m_aFixPal) c = DefaultColour();
  m_nFixPalColNum = 256;
  for (auto& g : m_aGroup) g = ColGroup{};
  m_aGroup[0].m_nCount = m_nOutColNum;
  m_strGroupFile.clear();
  m_nDithMode = 0;
  m_fDithLevel = 0.8f;
  m_nImpRate = 1;
}

void CColRdctPrm::Validate() {
  if (m_nOutColNum != kDirectColourCount) m_nOutColNum = Clamp<int32_t>(m_nOutColNum, 2, 256);
  if (m_byDepth[3] > 8) m_byDepth[3] = 8;
  for (int i = 0; i < 3; ++i) m_byDepth[i] = Clamp<uint8_t>(m_byDepth[i], 1, 8);
  // A NaN from a hand-edited store would poison every distance; it becomes the default 0.
  for (float* f : {&m_fPriIntentChroma, &m_fPriHueBalance, &m_fPriRgbAlpha})
    *f = (*f == *f) ? Clamp(*f, -1.0f, 1.0f) : 0.0f;
  m_nColSpcType = Clamp<int32_t>(m_nColSpcType, 0, 3);
  m_colNuki.a = 255;
  m_colInvis.a = 0;
  m_nFixPalColNum = Clamp<int32_t>(m_nFixPalColNum, 1, 256);
  for (int g = 1; g < kGroupCount; ++g) m_aGroup[g].m_nCount = Clamp<int32_t>(m_aGroup[g].m_nCount, 0, 256);
  DeriveGroupLayout(m_nOutColNum);
  m_nDithMode = Clamp<int32_t>(m_nDithMode, 0, 2);
  m_fDithLevel = (m_fDithLevel == m_fDithLevel) ? Clamp(m_fDithLevel, 0.0f, 1.0f) : 0.8f;
  m_nImpRate = Clamp<int32_t>(m_nImpRate, 1, 100);
}

int CColRdctPrm::DeriveGroupLayout(int outColNum) {
  int64_t rest = 0;
  for (int g = 1; g < kGroupCount; ++g) rest += m_aGroup[g].m_nCount;
  int64_t zero = int64_t(outColNum) - rest;
  m_aGroup[0].m_nCount = zero < 0 ? 0 : int32_t(zero);
  int64_t start = 0;
  for (auto& g : m_aGroup) {
    g.m_nStart = int32_t(start);
    start += g.m_nCount;
  }
  return int(start);
}

std::string CColRdctPrm::GetText() const {
  static const char* const kSpace[4] = {"RGBモニタ用色空間\r\n", "NTSC色空間\r\n", "PAL用色空間\r\n",
                                        "RGB均等色空間\r\n"};
  static const char* const kDither[3] = {"ディザ無し\r\n", "パターンディザ\r\n", "誤差拡散\r\n"};
  static const struct {
    uint32_t flag;
    const char* text;
  } kFlagLines[] = {
      {CRF_FIXPAL, "固定パレットを使用する\r\n"},   {CRF_ALPHA, "アルファ値も含めて減色する\r\n"},
      {CRF_NUKI, "透明色(ヌキ)指定を行う\r\n"},     {CRF_GROUP, "グルーピング減色を行う\r\n"},
      {CRF_IMPRECT, "重要領域を有効にする\r\n"},
  };
  char line[64];
  std::string text;
  if (IsDirectColour()) {
    text += "ダイレクトカラー減色\r\n";
  } else {
    std::snprintf(line, sizeof line, "%d 色へ減色\r\n", int(m_nOutColNum));
    text += line;
  }
  if (m_byDepth[3] != 0)
    std::snprintf(line, sizeof line, "RGBA%d%d%d%d\r\n", m_byDepth[0], m_byDepth[1], m_byDepth[2], m_byDepth[3]);
  else
    std::snprintf(line, sizeof line, "RGB%d%d%d\r\n", m_byDepth[0], m_byDepth[1], m_byDepth[2]);
  text += line;
  // Out-of-range values only come from a record nobody validated; they print no line.
  if (m_nColSpcType >= 0 && m_nColSpcType <= 3) text += kSpace[m_nColSpcType];
  if (m_nDithMode >= 0 && m_nDithMode <= 2) text += kDither[m_nDithMode];
  if (!IsDirectColour())
    for (const auto& fl : kFlagLines)
      if (m_dwFlags & fl.flag) text += fl.text;
  return text;
}

bool operator==(const CColRdctPrm& a, const CColRdctPrm& b) {
  return a.m_dwFlags == b.m_dwFlags && a.m_nOutColNum == b.m_nOutColNum &&
         std::memcmp(a.m_byDepth, b.m_byDepth, 4) == 0 && a.m_fPriIntentChroma == b.m_fPriIntentChroma &&
         a.m_fPriHueBalance == b.m_fPriHueBalance && a.m_nColSpcType == b.m_nColSpcType &&
         a.m_colNuki == b.m_colNuki && a.m_colInvis == b.m_colInvis && a.m_fPriRgbAlpha == b.m_fPriRgbAlpha &&
         std::memcmp(a.m_aFixPal, b.m_aFixPal, sizeof a.m_aFixPal) == 0 &&
         a.m_nFixPalColNum == b.m_nFixPalColNum &&
         std::memcmp(a.m_aGroup, b.m_aGroup, sizeof a.m_aGroup) == 0 && a.m_strGroupFile == b.m_strGroupFile &&
         a.m_nDithMode == b.m_nDithMode && a.m_fDithLevel == b.m_fDithLevel && a.m_nImpRate == b.m_nImpRate;
}
