// CQuovoDocMng: the open documents and the application state they share: the plug-in manager,
// the message box, the dialogs, the forced plug-in entry, the last used plug-in and filters,
// the paste counter and the values of the new-image dialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/document/doc_ui.h"
#include "model/document/quovo_doc.h"

class CPluginMng;
class IMessageBox;

class CQuovoDocMng {
 public:
  CQuovoDocMng(CPluginMng& plugins, IMessageBox& messages, IDocDialogs* dialogs = nullptr);

  // New image through the dialog; null on cancel or refusal.
  CQuovoDoc* NewDocument();
  // New image with the given values (asks before a very large image); null on refusal.
  CQuovoDoc* NewImage(const NewImageParams& params);
  // Opens a file as a document (quotes around the path are dropped, the path made absolute);
  // null when it cannot be loaded.
  CQuovoDoc* OpenDocumentFile(const std::string& path);
  // A new document holding a copy of the content, titled "貼り付け<n>".
  CQuovoDoc* PasteAsNew(const CImgInf& content);
  // Closes every document without saving after two confirmations; false when refused.
  bool CloseAllWithoutSaving();
  bool AnyModified() const;
  void Close(CQuovoDoc* doc);

  CQuovoDoc* AddDocument();
  const std::vector<std::unique_ptr<CQuovoDoc>>& Documents() const { return m_docs; }

  CPluginMng& Plugins() { return m_plugins; }
  IMessageBox& Messages() { return m_messages; }
  IDocDialogs* Dialogs() { return m_pDialogs; }

  int m_nForcedPlugin = -1;
  int m_nLastSaveFilter = -1;  // process index chosen in the last save dialog
  int m_nLastOpenFilter = 0;
  int m_nPasteCounter = 1;
  NewImageParams m_newParams;

 private:
  CPluginMng& m_plugins;
  IMessageBox& m_messages;
  IDocDialogs* m_pDialogs;
  std::vector<std::unique_ptr<CQuovoDoc>> m_docs;
  int m_nUntitled = 0;
};

// Sizes above this many bytes ask before a new image is made.
inline constexpr uint64_t kLargeNewImageBytes = 52428800;
