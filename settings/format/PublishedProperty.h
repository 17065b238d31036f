// Field and accessors of a published property in one declaration:
//
//   PUBLISHED_PROPERTY(int32_t, NetBuffer, 5000)
//
// declares the private field FNetBuffer = 5000 and the public accessors NetBuffer() and
// SetNetBuffer(value). Use it inside a public section; it leaves the access public. Strings and
// other class types are returned and taken by const reference. The property table (ClassProperties)
// still lists the property, because only the table says how it is written.
#pragma once

#include <type_traits>

template <class T>
using TPublishedValue = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

#define PUBLISHED_PROPERTY(Type, Name, initial)                  \
 private:                                                         \
  Type F##Name = initial;                                         \
                                                                  \
 public:                                                          \
  TPublishedValue<Type> Name() const { return F##Name; }          \
  void Set##Name(TPublishedValue<Type> value) { F##Name = value; }
