// CSectKey, one key of a settings section, and CSectKeyMng, the keys of one section in
// insertion order with unique, case-sensitive names.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/list_manager.h"

class CSectKey : public CListNode<CSectKey> {
 public:
  CSectKey() = default;
  CSectKey(std::string_view name, std::string_view value) : m_strName(name), m_strValue(value) {}

  // The name must not change while the key is in a CSectKeyMng (it indexes keys by name).
  std::string m_strName;
  std::string m_strValue;
};

// The list is kept private so that every insertion and removal passes through the name index:
// sections of files can hold very many keys, and lookups must not walk the list.
class CSectKeyMng : private CListManager<CSectKey> {
 public:
  CSectKeyMng() = default;
  ~CSectKeyMng() override = default;

  using CListManager<CSectKey>::Head;
  using CListManager<CSectKey>::Tail;
  using CListManager<CSectKey>::Count;

  // The key of that name, appended at the end when new (then *created is set when given);
  // none for an empty name.
  CSectKey* Add(std::string_view name, bool* created = nullptr);
  CSectKey* Find(std::string_view name) const;
  // Removes and deletes the key of that name; false when there is none.
  bool Delete(std::string_view name);
  // Deletes every key, from the last to the first.
  void DeleteAll();

 private:
  // Keyed by views of the names the elements own.
  std::unordered_map<std::string_view, CSectKey*> m_Index;
};
