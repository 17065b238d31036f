// The DSP manager's list in a file of its own, in the settings' object text format
// ("object TDSPListFile", "DSPList = <" items ">").
//
// Main thread only, like all settings objects.
#pragma once

#include <string>

#include "platform/Exception.h"
#include "settings/format/Collection.h"
#include "settings/format/Persistent.h"
#include "settings/player/DSPItemC.h"

using TDSPItemsC = TCollectionOf<TDSPItemC>;

// A DSP list that cannot be saved or read; the text names the file and the fault.
class EDSPListError : public Exception {
 public:
  using Exception::Exception;
};

class TDSPListFile : public TComponent {
 public:
  std::string ClassName() const override { return "TDSPListFile"; }
  const TPropList& Published() const override;

  TDSPItemsC& DSPList() { return FDSPList; }
  const TDSPItemsC& DSPList() const { return FDSPList; }

  // Writes the list; the old file stays whole until the new text is on disk. Throws EDSPListError.
  void Save(const std::string& fileName);
  // Reads a whole list into this object (which should be fresh). Throws EDSPListError for a file
  // that cannot be read or does not parse (nothing is assigned then), and for a damaged object
  // structure (this object is then partly assigned: throw it away).
  void Load(const std::string& fileName);

 private:
  TDSPItemsC FDSPList;
};
