// Result codes of the image operations and the texts shown for them.
#pragma once

enum ImgResult : int {
  IMGRC_OK = 0,
  IMGRC_ERROR = 1,
  IMGRC_MEMORY = 2,
  IMGRC_UNSUPPORTED = 3,
  IMGRC_ABORTED = 4,
};

// The message for a result code; codes outside 0..4 give the text of 1.
const char* ImgResultText(int code);
