// Drives a built-in plug-in without the plug-in manager: a connection block whose module is
// a BuiltinHost, a process record for one entry of the process table, the file block with
// the first 2048 bytes of the file, and the moves between image block and model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formats/builtin_plugin.h"
#include "formats/host_result.h"
#include "formats/qvp_file.h"
#include "formats/qvp_image.h"
#include "model/img_inf.h"

namespace testutil {

class CodecHarness {
 public:
  // Code returned by Load when the loader succeeded but the block could not become a model.
  static constexpr int kModelFailed = -1;

  CodecHarness(const BuiltinPluginDesc& desc, int32_t processId) : m_desc(desc) {
    m_connect.module = &m_host;
    m_connect.parentWindow = nullptr;
    const QvpPluginInfo* info = nullptr;
    const QvpProcInfo* table = nullptr;
    m_connected = desc.functions.ConnectPlugin(&m_connect, &info, &table) != 0;
    m_connect.info = info;
    m_connect.procTable = table;
    m_box.owner = this;
    QvpProcess& r = m_box.record;
    r.connect = &m_connect;
    for (const QvpProcInfo* e = table; e && (e->kind == QVP_KIND_LOAD || e->kind == QVP_KIND_SAVE); ++e) {
      if (e->id == processId) r.procInfo = e;
    }
    r.id = processId;
    r.CreateImage = QvpHostCreateImage;
    r.Progress = &CodecHarness::ProgressThunk;
  }
  ~CodecHarness() { QvpFreeImage(&m_box.record.image); }
  CodecHarness(const CodecHarness&) = delete;
  CodecHarness& operator=(const CodecHarness&) = delete;

  bool Connected() const { return m_connected && m_box.record.procInfo != nullptr; }
  BuiltinHost& Host() { return m_host; }
  QvpConnect& Connect() { return m_connect; }
  QvpProcess& Record() { return m_box.record; }
  const QvpFunctions& Functions() const { return m_desc.functions; }
  // Called with every progress value; a nonzero answer cancels.
  std::function<int(int)> onProgress;
  std::vector<int> progress;

  // The file block of `path` with its first 2048 bytes (none for a save).
  bool FillFile(const std::string& path, bool withHeader) {
    uint8_t head[QVP_HEADER_SIZE] = {};
    size_t n = 0;
    if (withHeader) {
      if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        n = std::fread(head, 1, sizeof(head), f);
        std::fclose(f);
      }
    }
    return QvpFillFileBlock(m_file.get(), path, head, n);
  }
  QvpFile* File() { return m_file.get(); }

  int Check(const std::string& path) {
    if (!FillFile(path, true)) return 0;
    return m_desc.functions.FileLoadChkSupport(&m_box.record, m_file.get());
  }

  // Exec of the loader, then widening and the move into the model; the loader's Qvp code,
  // or kModelFailed when the block cannot become a model.
  int Load(const std::string& path, CImgInf& model) {
    progress.clear();
    QvpFreeImage(&m_box.record.image);
    if (!FillFile(path, true)) return QVP_ERR_PARAM;
    const int rc = m_desc.functions.FileLoadExec(&m_box.record, m_file.get());
    return Finish(rc, model);
  }
  // The same for a loader driven from bytes in memory.
  int LoadWith(const std::function<int(QvpProcess*)>& exec, CImgInf& model) {
    progress.clear();
    QvpFreeImage(&m_box.record.image);
    return Finish(exec(&m_box.record), model);
  }

  // Fills the block from the model and runs the saver's exec (or `exec` when given).
  int Save(const std::string& path, const CImgInf& model, int picture = 0, int bank = 0,
           const std::function<int(QvpProcess*, const QvpFile*)>& exec = {}) {
    progress.clear();
    QvpFreeImage(&m_box.record.image);
    if (QvpImageFromModel(&m_box.record.image, model) != PIRC_OK) return QVP_ERR_PARAM;
    if (!FillFile(path, false)) return QVP_ERR_PARAM;
    m_box.record.pictureIndex = picture;
    m_box.record.bankIndex = bank;
    const int rc =
        exec ? exec(&m_box.record, m_file.get()) : m_desc.functions.FileSaveExec(&m_box.record, m_file.get());
    QvpFreeImage(&m_box.record.image);
    return rc;
  }

 private:
  struct RecordBox {
    QvpProcess record{};  // first member: the record's address is the box's
    CodecHarness* owner = nullptr;
  };
  static int ProgressThunk(QvpProcess* record, int32_t percent) {
    CodecHarness* self = reinterpret_cast<RecordBox*>(record)->owner;
    self->progress.push_back(percent);
    return self->onProgress ? self->onProgress(percent) : 0;
  }
  int Finish(int rc, CImgInf& model) {
    if (rc != QVP_OK) {
      QvpFreeImage(&m_box.record.image);
      return rc;
    }
    QvpExpandBits(&m_box.record.image);
    const int host = QvpImageToModel(&m_box.record.image, model);
    QvpFreeImage(&m_box.record.image);
    return host == PIRC_OK ? QVP_OK : kModelFailed;
  }

  const BuiltinPluginDesc& m_desc;
  BuiltinHost m_host;
  QvpConnect m_connect{};
  RecordBox m_box;
  std::unique_ptr<QvpFile> m_file = std::make_unique<QvpFile>();
  bool m_connected = false;
};

}  // namespace testutil
