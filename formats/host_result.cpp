// Messages of the host result codes.
#include "formats/host_result.h"

const char* HostResultText(int code) {
  switch (code) {
    case PIRC_OK: return "";
    case PIRC_NOTHANDLED: return "この画像の形式には対応していません";
    case PIRC_MEMORY: return "メモリーが不足しているため作業を中断しました";
    case PIRC_FILE: return "ファイルが扱えないか内容が壊れています";
    case PIRC_BROKEN: return "画像が壊れている可能性があるため作業を中断しました";
    case PIRC_CANCEL: return "処理をキャンセルしました";
    default: return "エラーにより中断されました";
  }
}
