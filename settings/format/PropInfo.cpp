#include "settings/format/PropInfo.h"

#include "settings/format/TextCase.h"

bool TPropInfo::IsStored(TPersistent& object) const {
  switch (FStorage) {
    case TStorage::Always: return true;
    case TStorage::Never: return false;
    case TStorage::Method: return FIsStored(object);
  }
  return true;
}

TPropList::TPropList(const TPropList& base, std::initializer_list<TPropInfo> own) : FItems(base.FItems) {
  FItems.insert(FItems.end(), own.begin(), own.end());
}

const TPropInfo* TPropList::Find(std::string_view name) const {
  for (const TPropInfo& prop : FItems) {
    if (SameText(prop.Name(), name)) return &prop;
  }
  return nullptr;
}
