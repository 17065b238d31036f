// The published-property table of a settings class: one line per property, in declaration order,
// base classes first. The object text writer and reader work only through these tables.
//
// Declaring a property is one line inside the class's ClassProperties():
//
//   using T = TPlayerSettings;
//   static const TPropList props(TBroadcastSettings::ClassProperties(), {
//       Prop::Integer("NetBuffer", &T::FNetBuffer),
//       Prop::Integer("ArtworkSize", &T::FArtworkSize).Default(350),
//       Prop::Integer("TrackListSelectTimeout", &T::FTimeout, &T::SetTrackListSelectTimeout),
//       Prop::Enum("CrossfadeCurve", &T::FCrossfadeCurve, CrossfadeCurveShapeNames),
//       Prop::String("StrNowPlayingEmpty", &T::FStrNowPlayingEmpty).NoDefault(),
//       Prop::Strings("ArtistSeparator", &T::FArtistSeparator),
//       Prop::Collection("BOutputs", &T::FBOutputs),
//   });
//
// A property takes either a field, or a getter and a setter (each a field or a method); setters
// run on read, so their own rules (clamps) apply. Tables are built once and never change.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "settings/format/Collection.h"
#include "settings/format/Persistent.h"
#include "settings/format/StringList.h"

enum class TPropKind {
  Integer,      // signed 32-bit, optionally with named values
  Cardinal,     // unsigned 32-bit
  Boolean,
  Enumeration,  // ordinal of a closed list of identifiers
  Set,          // bit i set means member i of the identifier list
  Double,
  Single,
  String,       // UTF-8 text
  StringList,   // TStringList
  Collection,   // TCollection
  Object,       // a nested TPersistent written as dotted property lines (fonts)
};

// Identifiers of an enumeration's values (or a set's members), indexed by ordinal.
using TEnumNames = std::span<const std::string_view>;

// Symbolic names for some values of an Integer property (colours, character sets).
struct TIdentMapEntry {
  int32_t Value;
  std::string_view Name;
};
using TIdentMap = std::span<const TIdentMapEntry>;

class TPropInfo {
 public:
  enum class TStorage { Always, Never, Method };

  struct TAccess {
    std::function<int64_t(TPersistent&)> GetOrdinal;
    std::function<void(TPersistent&, int64_t)> SetOrdinal;
    std::function<double(TPersistent&)> GetFloat;
    std::function<void(TPersistent&, double)> SetFloat;
    std::function<std::string(TPersistent&)> GetString;
    std::function<void(TPersistent&, const std::string&)> SetString;
    std::function<TStringList&(TPersistent&)> StringList;
    std::function<TCollection&(TPersistent&)> Collection;
    std::function<TPersistent&(TPersistent&)> Object;
  };

  TPropInfo(std::string name, TPropKind kind, TAccess access)
      : FName(std::move(name)), FKind(kind), FAccess(std::move(access)) {}

  // --- Declaration modifiers ---
  // Declared default of an ordinal property: the writer omits the property while it has this value.
  template <class V>
  TPropInfo Default(V value) && {
    FDefault = static_cast<int64_t>(value);
    return std::move(*this);
  }
  // A string declared with no default at all is written even when empty ('').
  TPropInfo NoDefault() && {
    FNoDefault = true;
    return std::move(*this);
  }
  TPropInfo Stored(bool stored) && {
    FStorage = stored ? TStorage::Always : TStorage::Never;
    return std::move(*this);
  }
  // The Boolean method asked at writing time whether to write the property.
  template <class C>
  TPropInfo StoredIf(bool (C::*isStored)() const) && {
    FStorage = TStorage::Method;
    FIsStored = [isStored](TPersistent& o) { return (static_cast<C&>(o).*isStored)(); };
    return std::move(*this);
  }
  TPropInfo Named(TIdentMap idents) && {
    FIdents = idents;
    return std::move(*this);
  }
  TPropInfo WithNames(TEnumNames names) && {
    FEnumNames = names;
    return std::move(*this);
  }

  // --- Description ---
  const std::string& Name() const { return FName; }
  TPropKind Kind() const { return FKind; }
  bool IsOrdinal() const { return FKind <= TPropKind::Set; }
  TEnumNames EnumNames() const { return FEnumNames; }
  TIdentMap Idents() const { return FIdents; }
  const std::optional<int64_t>& DeclaredDefault() const { return FDefault; }
  bool HasNoDefault() const { return FNoDefault; }
  bool IsStored(TPersistent& object) const;

  // --- Access; each call is valid only for the kinds it names ---
  int64_t GetOrdinal(TPersistent& o) const { return FAccess.GetOrdinal(o); }  // ordinal kinds
  void SetOrdinal(TPersistent& o, int64_t v) const { FAccess.SetOrdinal(o, v); }
  double GetFloat(TPersistent& o) const { return FAccess.GetFloat(o); }  // Double, Single
  void SetFloat(TPersistent& o, double v) const { FAccess.SetFloat(o, v); }
  std::string GetString(TPersistent& o) const { return FAccess.GetString(o); }
  void SetString(TPersistent& o, const std::string& v) const { FAccess.SetString(o, v); }
  TStringList& StringList(TPersistent& o) const { return FAccess.StringList(o); }
  TCollection& Collection(TPersistent& o) const { return FAccess.Collection(o); }
  TPersistent& Object(TPersistent& o) const { return FAccess.Object(o); }

 private:
  std::string FName;
  TPropKind FKind;
  TAccess FAccess;
  TEnumNames FEnumNames;
  TIdentMap FIdents;
  std::optional<int64_t> FDefault;
  bool FNoDefault = false;
  TStorage FStorage = TStorage::Always;
  std::function<bool(TPersistent&)> FIsStored;
};

// The published properties of one class: its base class's, then its own.
class TPropList {
 public:
  explicit TPropList(std::initializer_list<TPropInfo> own) : FItems(own) {}
  TPropList(const TPropList& base, std::initializer_list<TPropInfo> own);

  const std::vector<TPropInfo>& Items() const { return FItems; }
  // The property of that name, ignoring letter case; null when the class has none.
  const TPropInfo* Find(std::string_view name) const;

 private:
  std::vector<TPropInfo> FItems;
};

namespace prop_detail {

template <class M>
struct MemberOwner;
template <class R, class C>
struct MemberOwner<R C::*> {
  using type = C;
};

template <class M>
struct SetterArg;
template <class C, class P>
struct SetterArg<void (C::*)(P)> {
  using type = std::remove_cvref_t<P>;
};

// Reads a field or calls a getter of the class that declares it.
template <class M>
decltype(auto) Get(M member, TPersistent& object) {
  return std::invoke(member, static_cast<typename MemberOwner<M>::type&>(object));
}

// Writes a field or calls a setter, converting the value to the field's or parameter's type.
template <class M, class V>
void Set(M member, TPersistent& object, const V& value) {
  auto& self = static_cast<typename MemberOwner<M>::type&>(object);
  if constexpr (std::is_member_object_pointer_v<M>) {
    using Field = std::remove_cvref_t<decltype(self.*member)>;
    self.*member = static_cast<Field>(value);
  } else {
    using Arg = typename SetterArg<M>::type;
    (self.*member)(static_cast<Arg>(value));
  }
}

template <class G, class S>
TPropInfo::TAccess Ordinal(G get, S set) {
  TPropInfo::TAccess a;
  a.GetOrdinal = [get](TPersistent& o) { return static_cast<int64_t>(Get(get, o)); };
  a.SetOrdinal = [set](TPersistent& o, int64_t v) { Set(set, o, v); };
  return a;
}

template <class G, class S>
TPropInfo::TAccess Float(G get, S set) {
  TPropInfo::TAccess a;
  a.GetFloat = [get](TPersistent& o) { return static_cast<double>(Get(get, o)); };
  a.SetFloat = [set](TPersistent& o, double v) { Set(set, o, v); };
  return a;
}

template <class G, class S>
TPropInfo::TAccess Text(G get, S set) {
  TPropInfo::TAccess a;
  a.GetString = [get](TPersistent& o) { return std::string(Get(get, o)); };
  a.SetString = [set](TPersistent& o, const std::string& v) { Set(set, o, v); };
  return a;
}

}  // namespace prop_detail

// Builders for the table lines. `get`/`set` are a field (pass it once) or a getter and a setter.
namespace Prop {

template <class G, class S>
TPropInfo Integer(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::Integer, prop_detail::Ordinal(get, set));
}
template <class F>
TPropInfo Integer(std::string name, F field) {
  return Integer(std::move(name), field, field);
}

template <class G, class S>
TPropInfo Cardinal(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::Cardinal, prop_detail::Ordinal(get, set));
}
template <class F>
TPropInfo Cardinal(std::string name, F field) {
  return Cardinal(std::move(name), field, field);
}

template <class G, class S>
TPropInfo Boolean(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::Boolean, prop_detail::Ordinal(get, set));
}
template <class F>
TPropInfo Boolean(std::string name, F field) {
  return Boolean(std::move(name), field, field);
}

template <class G, class S>
TPropInfo Enum(std::string name, G get, S set, TEnumNames names) {
  return TPropInfo(std::move(name), TPropKind::Enumeration, prop_detail::Ordinal(get, set))
      .WithNames(names);
}
template <class F>
TPropInfo Enum(std::string name, F field, TEnumNames names) {
  return Enum(std::move(name), field, field, names);
}

// The field holds a bit mask: bit i set means member names[i] is in the set.
template <class G, class S>
TPropInfo Set(std::string name, G get, S set, TEnumNames names) {
  return TPropInfo(std::move(name), TPropKind::Set, prop_detail::Ordinal(get, set)).WithNames(names);
}
template <class F>
TPropInfo Set(std::string name, F field, TEnumNames names) {
  return Set(std::move(name), field, field, names);
}

template <class G, class S>
TPropInfo Double(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::Double, prop_detail::Float(get, set));
}
template <class F>
TPropInfo Double(std::string name, F field) {
  return Double(std::move(name), field, field);
}

template <class G, class S>
TPropInfo Single(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::Single, prop_detail::Float(get, set));
}
template <class F>
TPropInfo Single(std::string name, F field) {
  return Single(std::move(name), field, field);
}

template <class G, class S>
TPropInfo String(std::string name, G get, S set) {
  return TPropInfo(std::move(name), TPropKind::String, prop_detail::Text(get, set));
}
template <class F>
TPropInfo String(std::string name, F field) {
  return String(std::move(name), field, field);
}

// Owned parts (string list, collection, nested object): a field or a getter returning a reference.
template <class M>
TPropInfo Strings(std::string name, M member) {
  TPropInfo::TAccess a;
  a.StringList = [member](TPersistent& o) -> TStringList& { return prop_detail::Get(member, o); };
  return TPropInfo(std::move(name), TPropKind::StringList, std::move(a));
}

template <class M>
TPropInfo Collection(std::string name, M member) {
  TPropInfo::TAccess a;
  a.Collection = [member](TPersistent& o) -> TCollection& { return prop_detail::Get(member, o); };
  return TPropInfo(std::move(name), TPropKind::Collection, std::move(a));
}

template <class M>
TPropInfo Object(std::string name, M member) {
  TPropInfo::TAccess a;
  a.Object = [member](TPersistent& o) -> TPersistent& { return prop_detail::Get(member, o); };
  return TPropInfo(std::move(name), TPropKind::Object, std::move(a));
}

}  // namespace Prop
