// Collections: ordered lists of unnamed items of one item class, each with its own published
// properties (for example the output devices of the system settings).
//
// Main thread only. The collection owns its items; references returned by Add and Items stay
// valid until that item is deleted or the collection is cleared.
#pragma once

#include <memory>
#include <vector>

#include "settings/format/Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  // The item is not yet among the collection's items while its constructor runs, so a constructor
  // can look at its future siblings (for example to draw an identifier none of them has).
  explicit TCollectionItem(TCollection& collection) : FCollection(collection) {}
  TCollection& Collection() const { return FCollection; }

 private:
  TCollection& FCollection;
};

class TCollection {
 public:
  TCollection() = default;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  virtual ~TCollection() = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Appends a new item holding its class's constructor values and returns it.
  TCollectionItem& AddItem();
  // Throws std::out_of_range for an index outside 0..Count()-1.
  TCollectionItem& Item(int index) const;
  void Clear() { FItems.clear(); }

 protected:
  virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;

 private:
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
};

// A collection of TItem, which must be constructible from TCollection&.
template <class TItem>
class TCollectionOf : public TCollection {
 public:
  TItem& Add() { return static_cast<TItem&>(AddItem()); }
  TItem& Items(int index) const { return static_cast<TItem&>(Item(index)); }

 protected:
  std::unique_ptr<TCollectionItem> CreateItem() override { return std::make_unique<TItem>(*this); }
};
