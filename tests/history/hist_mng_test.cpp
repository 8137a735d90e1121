// History manager: bounded records, run order, menu texts, cancel and the save position.
#include "history/hist_mng.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Appends its tag to a log when run.
struct LogCmd : CHistCmd {
  std::vector<int>* log;
  int tag;
  LogCmd(std::vector<int>* l, int t) : log(l), tag(t) {}
  int Do() override {
    log->push_back(tag);
    return 1;
  }
};

std::unique_ptr<CHistCmd> Log(std::vector<int>& log, int tag) { return std::make_unique<LogCmd>(&log, tag); }

void Action(CHistMng& h, std::vector<int>& log, int tag, const std::string& name = "act") {
  h.Begin(name);
  h.AddCmd(0, Log(log, -tag));
  h.AddCmd(1, Log(log, tag));
  h.End();
}

const std::string kColon = "\xEF\xBC\x9A";

TEST(HistMng, TwelveActionsLeaveTenUndos) {
  CHistMng h;
  std::vector<int> log;
  for (int i = 1; i <= 12; ++i) Action(h, log, i);
  EXPECT_EQ(h.StepCount(), 10);
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(h.CanUndo());
    h.Undo();
  }
  EXPECT_FALSE(h.CanUndo());
  h.Undo();  // the 11th does nothing
  EXPECT_EQ(log, (std::vector<int>{-12, -11, -10, -9, -8, -7, -6, -5, -4, -3}));
  EXPECT_EQ(h.UndoMenuText(), "元に戻す(&U)\tCtrl+Z");
  EXPECT_EQ(h.GetUndoName(), "");
}

TEST(HistMng, MenuTexts) {
  CHistMng h;
  std::vector<int> log;
  EXPECT_EQ(h.RedoMenuText(), "やり直し(&R)\tCtrl+Y");
  h.BeginByID(32805, [](int id) {
    return id == 32805 ? std::string("選択カラーの色を変更します\n選択カラーの色変更") : std::string();
  });
  h.AddCmd(0, Log(log, 1));
  h.End();
  EXPECT_EQ(h.UndoMenuText(), "元に戻す(&U) " + kColon + " 選択カラーの色変更\tCtrl+Z");
  h.Undo();
  EXPECT_EQ(h.RedoMenuText(), "やり直し(&R)  " + kColon + " 選択カラーの色変更\tCtrl+Y");
  EXPECT_EQ(h.UndoMenuText(), "元に戻す(&U)\tCtrl+Z");
}

TEST(HistMng, ChainsRunNewestBlockFirstKeepingBlockOrder) {
  CHistMng h;
  std::vector<int> log;
  h.Begin("a");
  CHistChain block;
  block.push_back(Log(log, 1));
  block.push_back(Log(log, 2));
  h.AddCmd(0, std::move(block));
  h.AddCmd(0, Log(log, 3));
  h.End();
  h.Undo();
  EXPECT_EQ(log, (std::vector<int>{3, 1, 2}));
  log.clear();
  h.Redo();  // nothing on the redo side: runs nothing, still a step
  EXPECT_TRUE(log.empty());
  h.Undo();
  h.Undo();  // nothing more
  EXPECT_EQ(log, (std::vector<int>{3, 1, 2}));
}

TEST(HistMng, RedoOnlyRecordIsAStep) {
  CHistMng h;
  std::vector<int> log;
  h.Begin("r");
  h.AddCmd(1, Log(log, 5));
  h.End();
  EXPECT_TRUE(h.CanUndo());
}

TEST(HistMng, EmptyOrCancelledRecordKeepsRedoStepsAndOldSteps) {
  CHistMng h;
  std::vector<int> log;
  for (int i = 1; i <= 10; ++i) Action(h, log, i);
  h.Undo();
  h.Undo();
  const int undo = h.UndoSteps(), redo = h.RedoSteps();
  h.Begin("empty");
  h.End();
  EXPECT_EQ(h.UndoSteps(), undo);
  EXPECT_EQ(h.RedoSteps(), redo);
  EXPECT_TRUE(h.CanRedo());
  {
    CHistScope scope(h, "failed");
    h.AddCmd(0, Log(log, 99));
    // No Commit: the scope cancels.
  }
  EXPECT_FALSE(h.IsOpen());
  EXPECT_EQ(h.UndoSteps(), undo);
  EXPECT_EQ(h.RedoSteps(), redo);
  log.clear();
  h.Redo();
  EXPECT_EQ(log, (std::vector<int>{9}));
  // A committed action drops the redo step.
  Action(h, log, 20);
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.StepCount(), 10);
}

TEST(HistMng, AddCmdNeedsAnOpenRecord) {
  CHistMng h;
  std::vector<int> log;
  EXPECT_FALSE(h.AddCmd(0, Log(log, 1)));
  Action(h, log, 2);
  EXPECT_FALSE(h.AddCmd(0, Log(log, 3)));  // closed: not added to the last step
  h.Undo();
  EXPECT_EQ(log, (std::vector<int>{-2}));
}

TEST(HistMng, UndoOrBeginWhileARecordIsOpenCommitsItFirst) {
  CHistMng h;
  std::vector<int> log;
  Action(h, log, 1);
  h.Begin("open");
  h.AddCmd(0, Log(log, -2));
  h.Undo();  // undoes the record just committed, not the older one
  EXPECT_EQ(log, (std::vector<int>{-2}));
  EXPECT_EQ(h.UndoSteps(), 1);
  EXPECT_EQ(h.RedoSteps(), 1);
  h.Begin("a");
  h.AddCmd(1, Log(log, 3));
  h.Begin("b");  // commits "a", dropping the redo step
  h.End();       // "b" is empty: no trace
  EXPECT_EQ(h.StepCount(), 2);
  EXPECT_EQ(h.GetUndoName(), " " + kColon + " a");
}

TEST(HistMng, SavedPosition) {
  CHistMng h;
  std::vector<int> log;
  EXPECT_TRUE(h.IsAtSaved());
  Action(h, log, 1);
  Action(h, log, 2);
  EXPECT_FALSE(h.IsAtSaved());
  h.MarkSaved();
  EXPECT_TRUE(h.IsAtSaved());
  h.Undo();
  EXPECT_FALSE(h.IsAtSaved());
  h.Redo();
  EXPECT_TRUE(h.IsAtSaved());
  // The saved step is discarded by a new action after undoing it: never reachable again.
  h.Undo();
  Action(h, log, 3);
  EXPECT_FALSE(h.IsAtSaved());
  h.Undo();
  EXPECT_FALSE(h.IsAtSaved());
}

TEST(HistMng, SavedPositionFollowsTrimming) {
  CHistMng h;
  std::vector<int> log;
  Action(h, log, 1);
  h.MarkSaved();  // after step 1
  Action(h, log, 2);
  for (int i = 3; i <= 10; ++i) Action(h, log, i);  // 10 steps: nothing trimmed yet
  Action(h, log, 11);                               // step 1 trimmed: the bottom is "after 1"
  while (h.CanUndo()) h.Undo();
  EXPECT_TRUE(h.IsAtSaved());
  while (h.CanRedo()) h.Redo();
  Action(h, log, 12);  // step 2 trimmed: "after 1" is gone
  while (h.CanUndo()) h.Undo();
  EXPECT_FALSE(h.IsAtSaved());
}

}  // namespace
