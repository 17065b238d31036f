// The reader: assigns a parsed object text to an existing component through its property table.
#pragma once

#include <functional>
#include <string>

#include "settings/format/ObjectTree.h"
#include "settings/format/Persistent.h"

class TPropInfo;

class TReader {
 public:
  // Called for every property-level error (unknown name, identifier outside its type, a value of
  // the wrong kind). Setting handled to true skips that property and reading goes on; otherwise
  // the reader raises EReadError with the message.
  using TErrorEvent = std::function<void(TReader& reader, const std::string& message, bool& handled)>;
  TErrorEvent OnError;

  // Assigns the properties in file order; a header object name becomes root's Name. Properties the
  // text does not mention keep their values. Nested object blocks are ignored. A setter refusing a
  // value with EPropertyValueError is a property-level error; other exceptions from setters
  // propagate.
  void ReadRootComponent(const TTextObject& text, TComponent& root);

 private:
  void AssignProperties(TPersistent& target, const std::vector<TTextProperty>& properties);
  void AssignNamed(TPersistent& target, const std::string& name, const std::string& fullName,
                   const TTextValue& value);
  bool AssignValue(TPersistent& target, const TPropInfo& prop, const TTextValue& value);
  bool AssignStringList(TPersistent& target, const TPropInfo& prop, const TTextValue& value);
  bool AssignCollection(TPersistent& target, const TPropInfo& prop, const TTextValue& value);
  void PropertyError(const std::string& message);
};
