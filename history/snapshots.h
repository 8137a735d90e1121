// Snapshot makers: chains of commands that save the part of a content an action is about to
// change and write it back when run. One command per level or bank of the range; nothing for
// invalid levels or banks. The channel mask loses alpha when the content has no alpha
// channel, and a mask of 0 makes nothing.
#pragma once

#include "history/hist_cmd.h"
#include "model/img_inf.h"

// The cells a DrawLine with the same arguments would write.
CHistChain MakeLineSnapshot(CImgInf& img, CPoint p0, CPoint p1, uint32_t mask, int level, bool allLevels);
// The cells of a half-open rectangle, made level-local and clipped per level.
CHistChain MakeBoxSnapshot(CImgInf& img, const CRect& rect, uint32_t mask, int level, bool allLevels);
// The four edges a DrawBox of the rectangle would write.
CHistChain MakeWireSnapshot(CImgInf& img, const CRect& rect, uint32_t mask, int level, bool allLevels);
// Whole levels first..first + count - 1.
CHistChain MakeLevelSnapshot(CImgInf& img, uint32_t mask, int firstLevel, int levelCount);
// Entries firstEntry.. (cut at each bank's colour count) of banks firstBank..
CHistChain MakePalColSnapshot(CImgInf& img, uint32_t mask, int firstBank, int bankCount, int firstEntry,
                              int entryCount);
// Deep copies of planes or banks, restored into their numbers.
CHistChain MakePlaneSnapshot(CImgInf& img, int firstLevel, int levelCount);
CHistChain MakeBankSnapshot(CImgInf& img, int firstBank, int bankCount);
// The whole content.
CHistChain MakeContentSnapshot(CImgInf& img);
