// TKeyTable: one row per key of a file (start hh:mm:ss.mmm, key, duration, low and high tone
// levels in dB re full scale, twist), sortable by any column, one row selected at a time. Rows
// remember their key's index into the list given, so sorting does not change what a row means.
// Main thread only.
#pragma once

#include <QTableWidget>
#include <functional>
#include <vector>

#include "dtmf/qv_dtmf.h"

class TKeyTable : public QTableWidget {
  Q_OBJECT

 public:
  enum TColumn { colStart, colKey, colDuration, colLowLevel, colHighLevel, colTwist, ColumnCount };

  explicit TKeyTable(QWidget* parent = nullptr);

  // Replaces the rows (sorted by start time) and clears the selection.
  void SetKeys(const std::vector<TDetectedKey>& keys);
  // The selected row's key index, -1 when no row is selected.
  int SelectedKey() const;
  // Selects the row of key `index` and scrolls to it; -1 (or an unknown index) clears the selection.
  void SelectKey(int index);
  // The key index of the row shown at `row` (after sorting), -1 for no such row.
  int KeyAtRow(int row) const;

  // The selection changed (by the user or by SelectKey): the selected key index, or -1.
  std::function<void(int)> OnKeySelected;
};
