// Intrusive doubly linked lists: CListNode<T> is the node part of an element, CListManager<T>
// owns a list of such elements (plug-ins, processes, settings keys, history commands).
//
// The manager owns its elements: they are allocated with new by whoever appends them and
// deleted by the manager (DeleteAll, the destructor). Remove only unlinks, so the caller
// takes the element back.
#pragma once

template <class T>
class CListNode {
 public:
  CListNode() = default;
  virtual ~CListNode() = default;
  // A node belongs to at most one list; copying it would copy the links.
  CListNode(const CListNode&) = delete;
  CListNode& operator=(const CListNode&) = delete;

  T* m_pPrev = nullptr;
  T* m_pNext = nullptr;
};

template <class T>
class CListManager {
 public:
  CListManager() = default;
  virtual ~CListManager() { DeleteAll(); }
  CListManager(const CListManager&) = delete;
  CListManager& operator=(const CListManager&) = delete;

  T* Head() const { return m_pHead; }
  // The tail is kept as well so that appending stays constant time on long lists.
  T* Tail() const { return m_pTail; }
  int Count() const { return m_nCount; }

  // Appends p (not in any list) at the end and takes ownership; returns p.
  T* Append(T* p) {
    if (!p) return nullptr;
    p->m_pNext = nullptr;
    p->m_pPrev = m_pTail;
    if (m_pTail)
      m_pTail->m_pNext = p;
    else
      m_pHead = p;
    m_pTail = p;
    ++m_nCount;
    return p;
  }

  // Unlinks p, an element of this list, relinking its neighbours; ownership goes back to the
  // caller. Returns p.
  T* Remove(T* p) {
    if (!p) return nullptr;
    if (p->m_pPrev)
      p->m_pPrev->m_pNext = p->m_pNext;
    else
      m_pHead = p->m_pNext;
    if (p->m_pNext)
      p->m_pNext->m_pPrev = p->m_pPrev;
    else
      m_pTail = p->m_pPrev;
    p->m_pPrev = p->m_pNext = nullptr;
    --m_nCount;
    return p;
  }

  // Deletes every element, from the last to the first.
  void DeleteAll() {
    while (m_pTail) delete Remove(m_pTail);
  }

 protected:
  T* m_pHead = nullptr;
  T* m_pTail = nullptr;
  int m_nCount = 0;
};
