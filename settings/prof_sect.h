// CProfSect: one section of a settings tree, with its keys and its subsections.
//
// A section path is a text of names joined by backslashes ("X\Y\Z"); leading, doubled and
// trailing backslashes are ignored, every name is trimmed of white space, and an empty path
// names the section itself. Sections created by the tree carry SECTF_HEAP and are deleted
// when removed. Removal, destruction and writing walk the tree without recursion, so a tree of
// any depth is safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/sect_key.h"

inline constexpr uint32_t SECTF_HEAP = 0x01;
// Deepest section below a tree's root that GetSect creates. Real settings nest a few levels;
// the bound keeps a hostile file from building a tree whose written form grows with the square
// of its depth.
inline constexpr int kMaxSectDepth = 64;

class CProfSect {
 public:
  CProfSect() = default;
  explicit CProfSect(std::string_view name) : m_strName(name) {}
  // Removes the subsections and, when still linked, unlinks this section from its parent.
  virtual ~CProfSect();
  CProfSect(const CProfSect&) = delete;
  CProfSect& operator=(const CProfSect&) = delete;

  CProfSect* m_pParent = nullptr;
  CProfSect* m_pPrev = nullptr;
  CProfSect* m_pNext = nullptr;
  CProfSect* m_pChild = nullptr;
  uint32_t m_dwFlags = 0;
  std::string m_strName;  // must not change while the section has a parent
  CSectKeyMng m_Keys;

  // The names of a section path, trimmed, without empty ones.
  static std::vector<std::string_view> SplitPath(std::string_view path);

  CProfSect* FindSect(std::string_view path);
  const CProfSect* FindSect(std::string_view path) const;
  // Finds the section, creating the missing ones as last children (heap-flagged); adds the
  // number created to *created when given. None when the section would lie deeper than
  // kMaxSectDepth below the root of the tree.
  CProfSect* GetSect(std::string_view path, int* created = nullptr);
  // The direct subsection of that (exact) name.
  CProfSect* FindChild(std::string_view name) const;
  CProfSect* LastChild() const { return m_pLastChild; }
  // Appends a section without parent as the last child; refused for a name already used
  // among the children, for an empty name and for this section or one of its ancestors.
  bool AddChild(CProfSect* section);
  // Moves this section to the front of its parent's children.
  void MoveToFront();

  // Removes this section and all its siblings, the last first, with their subtrees; returns
  // the number of sections removed.
  int RemoveAll();
  // Removes this section with its subtree: unlinks it, clears it and deletes it when
  // heap-flagged (this object may be gone afterwards). Returns the number of sections removed.
  int Remove();
  // Removes every subsection; returns the number removed.
  int RemoveChildren();

  bool SetString(std::string_view path, std::string_view key, std::string_view value);
  bool SetInt(std::string_view path, std::string_view key, int value);
  bool SetReal(std::string_view path, std::string_view key, double value);
  bool SetBinary(std::string_view path, std::string_view key, const void* data, size_t size);

  // The key, none when the section or the key is missing.
  const CSectKey* FindKey(std::string_view path, std::string_view key) const;
  std::string GetString(std::string_view path, std::string_view key, std::string_view def) const;
  // Missing key -> def; empty value -> 0; else the leading integer.
  int GetInt(std::string_view path, std::string_view key, int def) const;
  // Missing key -> def; empty value -> 0.0; else the leading decimal number.
  double GetReal(std::string_view path, std::string_view key, double def) const;
  // Bytes copied into buffer (at most size); 0 when missing, empty or malformed.
  int GetBinary(std::string_view path, std::string_view key, void* buffer, int size) const;

  // Appends this section with its keys and subsections in the settings file layout, lines
  // ended by "\n", starting at the given indentation. Always succeeds (memory output).
  bool Write(std::string& out, std::string_view indent) const;

 private:
  void Unlink();
  // Removes and deletes (when heap-flagged) every section below this one, deepest first.
  int RemoveDescendants();

  CProfSect* m_pLastChild = nullptr;
  // Keyed by views of the names the elements own.
  std::unordered_map<std::string_view, CProfSect*> m_ChildIndex;
};
