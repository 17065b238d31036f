#include "settings/format/Collection.h"

#include <stdexcept>

TCollectionItem& TCollection::AddItem() {
  std::unique_ptr<TCollectionItem> item = CreateItem();
  FItems.push_back(std::move(item));
  return *FItems.back();
}

TCollectionItem& TCollection::Item(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  return *FItems[static_cast<size_t>(index)];
}
