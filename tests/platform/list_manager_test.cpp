// The intrusive list: append, unlink from any position, delete from the last to the first.
#include "platform/list_manager.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item : CListNode<Item> {
  Item(int id, std::vector<int>* log) : m_id(id), m_log(log) {}
  ~Item() override { m_log->push_back(m_id); }
  int m_id;
  std::vector<int>* m_log;
};

std::vector<int> Forward(const CListManager<Item>& list) {
  std::vector<int> ids;
  for (Item* p = list.Head(); p; p = p->m_pNext) ids.push_back(p->m_id);
  return ids;
}

std::vector<int> Backward(const CListManager<Item>& list) {
  std::vector<int> ids;
  for (Item* p = list.Tail(); p; p = p->m_pPrev) ids.insert(ids.begin(), p->m_id);
  return ids;
}

TEST(ListManager, RemoveRelinksNeighboursAtEveryPosition) {
  for (int victim = 0; victim < 4; ++victim) {
    std::vector<int> deleted;
    CListManager<Item> list;
    std::vector<Item*> items;
    for (int i = 0; i < 4; ++i) items.push_back(list.Append(new Item(i, &deleted)));
    Item* removed = list.Remove(items[victim]);
    EXPECT_EQ(removed->m_pPrev, nullptr);
    EXPECT_EQ(removed->m_pNext, nullptr);
    std::vector<int> expected;
    for (int i = 0; i < 4; ++i)
      if (i != victim) expected.push_back(i);
    EXPECT_EQ(Forward(list), expected) << victim;
    EXPECT_EQ(Backward(list), expected) << victim;
    EXPECT_EQ(list.Count(), 3);
    EXPECT_TRUE(deleted.empty());  // unlinking does not delete
    delete removed;
  }
}

TEST(ListManager, DeletesFromTheLastToTheFirst) {
  std::vector<int> deleted;
  {
    CListManager<Item> list;
    for (int i = 0; i < 3; ++i) list.Append(new Item(i, &deleted));
    list.DeleteAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(deleted, (std::vector<int>{2, 1, 0}));
    list.Append(new Item(7, &deleted));
  }
  EXPECT_EQ(deleted, (std::vector<int>{2, 1, 0, 7}));  // the destructor deletes the rest
}

}  // namespace
