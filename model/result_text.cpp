// Texts of the image operation result codes.
#include "model/result_text.h"

const char* ImgResultText(int code) {
  switch (code) {
    case IMGRC_OK: return "";
    case IMGRC_MEMORY: return "メモリー不足です";
    case IMGRC_UNSUPPORTED: return "サポートされていません";
    case IMGRC_ABORTED: return "中断しました";
    default: return "エラーが発生しました";
  }
}
