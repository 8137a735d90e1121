// CHistMng: a document's bounded undo history. Each record (CHistInf) is one user action with
// an undo chain and a redo chain of commands; the manager orders, runs and discards them and
// knows nothing about images.
//
// A record is opened by Begin, filled by AddCmd and committed by End. Nothing in the history
// changes until End commits a record that holds commands: only then are the redo steps
// discarded and the oldest steps trimmed. Cancel, or End on an empty record, leaves the
// history exactly as it was. CHistScope cancels a record that was never committed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "history/hist_cmd.h"

class CHistInf {
 public:
  enum : uint32_t { kTerminal = 0x01, kOpen = 0x02 };

  explicit CHistInf(std::string name, uint32_t flags = 0) : m_dwFlags(flags), m_strName(std::move(name)) {}
  virtual ~CHistInf() = default;
  CHistInf(const CHistInf&) = delete;
  CHistInf& operator=(const CHistInf&) = delete;

  uint32_t m_dwFlags = 0;
  std::string m_strName;

  bool IsTerminal() const { return (m_dwFlags & kTerminal) != 0; }
  bool IsOpen() const { return (m_dwFlags & kOpen) != 0; }
  bool IsEmpty() const { return m_undo.empty() && m_redo.empty(); }
  // Puts the chain in front of the chosen chain (0 undo, 1 redo), keeping its own order.
  void Add(int selector, CHistChain&& chain);
  void RunUndo() { Run(m_undo); }
  void RunRedo() { Run(m_redo); }
  size_t UndoCount() const { return Count(m_undo); }
  size_t RedoCount() const { return Count(m_redo); }

 private:
  // Blocks in the order they were added; a chain runs its blocks newest first, each block in
  // its own order.
  using Blocks = std::vector<CHistChain>;
  static void Run(Blocks& blocks);
  static size_t Count(const Blocks& blocks);
  Blocks m_undo;
  Blocks m_redo;
};

// The bottom of the history: never undone, removed or trimmed.
class CHistTerminal : public CHistInf {
 public:
  CHistTerminal() : CHistInf(std::string(), kTerminal) {}
};

class CHistMng {
 public:
  // Records besides the terminal.
  static constexpr int kMaxSteps = 10;

  CHistMng();
  virtual ~CHistMng() = default;
  CHistMng(const CHistMng&) = delete;
  CHistMng& operator=(const CHistMng&) = delete;

  // Opens a record named by the second '\n' field of the command's resource text. A record
  // still open is committed first.
  CHistInf* BeginByID(int commandId, const std::function<std::string(int)>& resourceText);
  CHistInf* Begin(const std::string& name);
  // Adds a chain to the open record (0 undo, 1 redo); without an open record the chain is
  // destroyed and false returned.
  bool AddCmd(int selector, CHistChain&& chain);
  bool AddCmd(int selector, std::unique_ptr<CHistCmd> cmd);
  // Commits the open record when it holds commands, else drops it.
  void End();
  // Drops the open record with its commands; nothing runs.
  void Cancel();
  bool IsOpen() const { return m_pOpen != nullptr; }

  bool CanUndo() const { return m_nCur > 0; }
  bool CanRedo() const { return m_nCur + 1 < int(m_records.size()); }
  // Both commit a record still open first.
  void Undo();
  void Redo();
  std::string GetUndoName() const;
  std::string GetRedoName() const;
  // The Edit menu texts (strings 20085 and 20084 with the names).
  std::string UndoMenuText() const;
  std::string RedoMenuText() const;

  // The position of the last save: MarkSaved at a successful save, IsAtSaved to tell whether
  // the content is the one saved. A save position whose steps were discarded or trimmed
  // away can never be reached again.
  void MarkSaved();
  void ForgetSaved() { m_savedId = kNever; }
  bool IsAtSaved() const { return m_savedId == CurrentId(); }

  // Inspection.
  int StepCount() const { return int(m_records.size()) - 1; }
  int UndoSteps() const { return m_nCur; }
  int RedoSteps() const { return int(m_records.size()) - 1 - m_nCur; }
  const CHistInf* Current() const { return m_records[size_t(m_nCur)].get(); }
  const CHistInf* OpenRecord() const { return m_pOpen.get(); }

 private:
  static constexpr uint64_t kNever = ~uint64_t(0);
  uint64_t CurrentId() const { return m_ids[size_t(m_nCur)]; }

  // Oldest first; element 0 is the terminal (id 0).
  std::vector<std::unique_ptr<CHistInf>> m_records;
  std::vector<uint64_t> m_ids;
  int m_nCur = 0;
  std::unique_ptr<CHistInf> m_pOpen;
  uint64_t m_nextId = 1;
  uint64_t m_savedId = 0;
};

// Opens a record and cancels it on scope exit unless Commit was called.
class CHistScope {
 public:
  CHistScope(CHistMng& hist, const std::string& name) : m_hist(hist) { m_hist.Begin(name); }
  ~CHistScope() {
    if (!m_bDone) m_hist.Cancel();
  }
  CHistScope(const CHistScope&) = delete;
  CHistScope& operator=(const CHistScope&) = delete;
  void Commit() {
    m_hist.End();
    m_bDone = true;
  }

 private:
  CHistMng& m_hist;
  bool m_bDone = false;
};
