// The image block: creation, bit-depth widening and the moves between block and model.
#include "formats/qvp_image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "formats/host_result.h"
#include "model/default_colour.h"
#include "model/img_inf.h"
#include "platform/checked_math.h"

namespace {

bool IsPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

int Log2(int v) {
  int n = 0;
  while (v > 1) {
    v >>= 1;
    ++n;
  }
  return n;
}

void FillColour(uint8_t* dst, size_t count, RGBA c) {
  for (size_t i = 0; i < count; ++i) std::memcpy(dst + i * 4, &c, 4);
}

}  // namespace

void QvpFreeImage(QvpImage* image) {
  if (!image) return;
  if (image->pictures) {
    for (uint32_t i = 0; i < image->pictureCount; ++i) std::free(image->pictures[i].data);
    std::free(image->pictures);
  }
  if (image->banks) {
    for (uint32_t i = 0; i < image->bankCount; ++i) std::free(image->banks[i].colour);
    std::free(image->banks);
  }
  std::memset(image, 0, sizeof(*image));
}

int QvpPossibleLevels(int width, int height, int wanted) {
  if (wanted <= 0) return 0;
  int possible;
  if (width <= 0 || height <= 0)
    possible = 0;
  else if (IsPowerOfTwo(width) && IsPowerOfTwo(height) && width <= QVP_MAX_MIP_SIDE && height <= QVP_MAX_MIP_SIDE)
    possible = 1 + std::min(Log2(width), Log2(height));
  else
    possible = 1;
  return std::min(wanted, possible);
}

int QvpCreateImage(QvpImage* image, uint32_t flags, int type, int width, int height, int pictures, int banks,
                   int entries) {
  if (!image) return QVP_ERR_PARAM;
  QvpFreeImage(image);
  int cell;
  if (type == QVPIMG_DIR) {
    cell = 4;
    banks = 0;
    entries = 0;
  } else if (type == QVPIMG_IDX) {
    if (banks <= 0 || entries <= 0) return QVP_ERR_PARAM;
    cell = 2;
    banks = std::min(banks, QVP_MAX_BANKS);
    entries = std::min(entries, QVP_MAX_ENTRIES);
  } else {
    return QVP_ERR_PARAM;
  }
  if (pictures < 0) return QVP_ERR_PARAM;
  if (pictures > 0) {
    // A picture of zero size cannot be made: a loader would write into nothing.
    if (width <= 0 || height <= 0) return QVP_ERR_PARAM;
    pictures = QvpPossibleLevels(width, height, pictures);
    if (!checked::PlaneBytes(width, height, cell)) return QVP_ERR_MEMORY;
  } else {
    if (banks == 0) return QVP_ERR_PARAM;
    width = 0;
    height = 0;
  }

  const RGBA def = DefaultColour();
  image->flags = flags;
  image->bits[0] = image->bits[1] = image->bits[2] = 8;
  image->bits[3] = (flags & QVPIMG_ALPHA) ? 8 : 0;
  image->type = uint8_t(type);

  if (pictures > 0) {
    image->pictures = static_cast<QvpImgLevel*>(std::calloc(size_t(pictures), sizeof(QvpImgLevel)));
    if (!image->pictures) {
      QvpFreeImage(image);
      return QVP_ERR_MEMORY;
    }
    image->pictureCount = uint32_t(pictures);
    for (int k = 0; k < pictures; ++k) {
      QvpImgLevel& level = image->pictures[k];
      level.width = uint32_t(width >> k);
      level.height = uint32_t(height >> k);
      const size_t cells = size_t(level.width) * size_t(level.height);
      level.size = uint32_t(cells * size_t(cell));
      level.data = static_cast<uint8_t*>(type == QVPIMG_IDX ? std::calloc(level.size, 1) : std::malloc(level.size));
      if (!level.data) {
        QvpFreeImage(image);
        return QVP_ERR_MEMORY;
      }
      if (type == QVPIMG_DIR) FillColour(level.data, cells, def);
    }
  }
  if (banks > 0 && entries > 0) {
    image->banks = static_cast<QvpBank*>(std::calloc(size_t(banks), sizeof(QvpBank)));
    if (!image->banks) {
      QvpFreeImage(image);
      return QVP_ERR_MEMORY;
    }
    image->bankCount = uint32_t(banks);
    image->entryCount = uint32_t(entries);
    for (int i = 0; i < banks; ++i) {
      QvpBank& bank = image->banks[i];
      bank.size = uint32_t(entries * 4);
      bank.colour = static_cast<uint8_t*>(std::malloc(QVP_MAX_ENTRIES * 4));
      if (!bank.colour) {
        QvpFreeImage(image);
        return QVP_ERR_MEMORY;
      }
      FillColour(bank.colour, QVP_MAX_ENTRIES, def);
    }
  }
  return QVP_OK;
}

extern "C" int QvpHostCreateImage(QvpProcess* record, uint32_t flags, int32_t type, int32_t width,
                                  int32_t height, int32_t pictures, int32_t banks, int32_t entries) {
  if (!record || !record->procInfo || record->procInfo->kind != QVP_KIND_LOAD) return QVP_ERR_PARAM;
  return QvpCreateImage(&record->image, flags, type, width, height, pictures, banks, entries);
}

uint8_t QvpExpandValue(uint8_t value, int depth) {
  static const uint8_t kMask[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};
  depth = std::clamp(depth, 0, 8);
  unsigned v = value & kMask[depth];
  switch (depth) {
    case 0: return 0;
    case 1: return v ? 255 : 0;
    case 2: return uint8_t(v | (v >> 2) | (v >> 4) | (v >> 6));
    case 3: return uint8_t(v | ((v | (v >> 3)) >> 3));
    default: return uint8_t(v | (v >> depth));
  }
}

void QvpExpandBits(QvpImage* image) {
  if (!image) return;
  for (int c = 0; c < 3; ++c) image->bits[c] = uint8_t(std::clamp<int>(image->bits[c], 1, 8));
  image->bits[3] = (image->flags & QVPIMG_ALPHA) ? uint8_t(std::min<int>(image->bits[3], 8)) : 0;
  const bool alpha = (image->flags & QVPIMG_ALPHA) != 0;
  if (image->bits[0] == 8 && image->bits[1] == 8 && image->bits[2] == 8 && (!alpha || image->bits[3] == 8)) return;

  uint8_t table[4][256];
  for (int c = 0; c < 4; ++c) {
    for (int v = 0; v < 256; ++v) {
      // Without an alpha channel the alpha bytes are left as they are.
      table[c][v] = (c == 3 && !alpha) ? uint8_t(v) : QvpExpandValue(uint8_t(v), image->bits[c]);
    }
  }
  auto expand = [&table](uint8_t* p, size_t count) {
    for (size_t i = 0; i < count; ++i, p += 4) {
      for (int c = 0; c < 4; ++c) p[c] = table[c][p[c]];
    }
  };
  if (image->type == QVPIMG_DIR && image->pictures) {
    for (uint32_t k = 0; k < image->pictureCount; ++k) {
      QvpImgLevel& level = image->pictures[k];
      if (level.data) expand(level.data, level.size / 4);
    }
  }
  if (image->banks) {
    const uint32_t used = std::min<uint32_t>(image->entryCount, QVP_MAX_ENTRIES);
    for (uint32_t i = 0; i < image->bankCount; ++i)
      if (image->banks[i].colour) expand(image->banks[i].colour, used);
  }
  for (int c = 0; c < 3; ++c) image->bits[c] = 8;
  if (alpha) image->bits[3] = 8;
}

int QvpImageToModel(QvpImage* image, CImgInf& model) {
  model.Clear();
  if (!image) return PIRC_ERROR;
  if (image->pictureCount > 0 && image->pictures) {
    if (image->type != QVPIMG_DIR && image->type != QVPIMG_IDX) return PIRC_ERROR;
    if (image->pictureCount > uint32_t(kMaxLevels)) return PIRC_ERROR;
    const int type = image->type == QVPIMG_DIR ? IMGTYPE_DIR : IMGTYPE_IDX;
    model.SetImgNum(int(image->pictureCount));
    for (uint32_t k = 0; k < image->pictureCount; ++k) {
      QvpImgLevel& level = image->pictures[k];
      if (level.width > uint32_t(INT32_MAX) || level.height > uint32_t(INT32_MAX) ||
          level.size > uint32_t(INT32_MAX) ||
          !model.m_aryImg[k].Adopt(type, int(level.width), int(level.height), level.data, int(level.size))) {
        model.Clear();
        return PIRC_ERROR;
      }
      level.data = nullptr;
    }
  }
  if (image->bankCount > 0 && image->entryCount > 0 && image->banks) {
    if (image->bankCount > uint32_t(kMaxBanks)) {
      model.Clear();
      return PIRC_ERROR;
    }
    const int entries = int(std::min<uint32_t>(image->entryCount, QVP_MAX_ENTRIES));
    model.SetPalNum(int(image->bankCount));
    for (uint32_t i = 0; i < image->bankCount; ++i) {
      CPalDatIf& bank = model.m_aryPal[i];
      if (!image->banks[i].colour) {
        model.Clear();
        return PIRC_ERROR;
      }
      if (!bank.Create(entries)) {
        model.Clear();
        return PIRC_MEMORY;
      }
      std::memcpy(bank.m_pCol, image->banks[i].colour, size_t(entries) * 4);
    }
  }
  model.SetAlphaFlag((image->flags & QVPIMG_ALPHA) != 0);
  model.Renumber();
  if (!model.IsValid()) {
    model.Clear();
    return PIRC_ERROR;
  }
  return PIRC_OK;
}

int QvpImageFromModel(QvpImage* image, const CImgInf& model) {
  if (!image) return PIRC_ERROR;
  QvpFreeImage(image);
  if (!model.IsValid()) return PIRC_ERROR;
  const uint32_t flags = model.HasAlpha() ? QVPIMG_ALPHA : 0;
  int type;
  if (model.ImgNum() > 0)
    type = model.m_aryImg[0].m_nType == IMGTYPE_DIR ? QVPIMG_DIR : QVPIMG_IDX;
  else if (model.HasPalette())
    type = QVPIMG_IDX;
  else
    return PIRC_ERROR;
  int width = 0, height = 0;
  if (model.ImgNum() > 0) {
    width = model.m_aryImg[0].m_nWidth;
    height = model.m_aryImg[0].m_nHeight;
    if (width == 0 || height == 0) return PIRC_ERROR;
  }
  const int entries = model.PalNum() > 0 ? model.m_aryPal[0].m_nColNum : 0;
  if (type == QVPIMG_IDX && (model.PalNum() == 0 || entries == 0)) return PIRC_ERROR;
  const int rc = QvpCreateImage(image, flags, type, width, height, model.ImgNum(), model.PalNum(), entries);
  if (rc != QVP_OK) return QvpToHostCode(rc);

  for (uint32_t k = 0; k < image->pictureCount; ++k) {
    const CImgDatIf& level = model.m_aryImg[k];
    if (uint32_t(level.m_nSize) != image->pictures[k].size) {
      QvpFreeImage(image);
      return PIRC_ERROR;
    }
    std::memcpy(image->pictures[k].data, level.m_pData, size_t(level.m_nSize));
  }
  for (uint32_t i = 0; i < image->bankCount; ++i) {
    // Bank 0's count is used for every bank; a bank that holds fewer keeps the default colour.
    const CPalDatIf& bank = model.m_aryPal[i];
    const int n = std::min<int>(int(image->entryCount), bank.Capacity());
    std::memcpy(image->banks[i].colour, bank.m_pCol, size_t(n) * 4);
  }
  return PIRC_OK;
}
