#include "app/details/KeyTable.h"

#include <QHeaderView>
#include <cmath>

#include "dtmf/KeyReport.h"

namespace {

constexpr int KeyIndexRole = Qt::UserRole;
constexpr int SortValueRole = Qt::UserRole + 1;

// Sorts by the number behind the text (a time, a level), not by the text.
class TNumberItem : public QTableWidgetItem {
 public:
  TNumberItem(const QString& text, double sortValue) : QTableWidgetItem(text) { setData(SortValueRole, sortValue); }
  bool operator<(const QTableWidgetItem& other) const override {
    return data(SortValueRole).toDouble() < other.data(SortValueRole).toDouble();
  }
};

QString Decibels(double db) { return QString::number(std::round(db * 10) / 10, 'f', 1); }

}  // namespace

TKeyTable::TKeyTable(QWidget* parent) : QTableWidget(0, ColumnCount, parent) {
  setHorizontalHeaderLabels({"Start", "Key", "Duration (ms)", "Low tone (dB FS)", "High tone (dB FS)", "Twist (dB)"});
  setAccessibleName("Keys");
  setAccessibleDescription("Every key found in the file; sort by a column with its header");
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);  // Tab leaves the table: arrows move between rows
  setAlternatingRowColors(true);
  verticalHeader()->hide();
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  horizontalHeader()->setStretchLastSection(true);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (OnKeySelected) OnKeySelected(SelectedKey());
  });
}

void TKeyTable::SetKeys(const std::vector<TDetectedKey>& keys) {
  setSortingEnabled(false);  // rows are filled in place; sorting while filling would move them
  clearSelection();
  setRowCount(static_cast<int>(keys.size()));
  for (int row = 0; row < rowCount(); ++row) {
    const TDetectedKey& key = keys[row];
    auto* start = new TNumberItem(QString::fromStdString(FormatClockTime(key.startMs)), key.startMs);
    start->setData(KeyIndexRole, row);
    setItem(row, colStart, start);
    auto* keyItem = new QTableWidgetItem(QString(QChar(key.key)));
    keyItem->setTextAlignment(Qt::AlignCenter);
    setItem(row, colKey, keyItem);
    const auto number = [&](TColumn column, const QString& text, double value) {
      auto* item = new TNumberItem(text, value);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      setItem(row, column, item);
    };
    number(colDuration, QString::number(std::llround(key.durationMs)), key.durationMs);
    number(colLowLevel, Decibels(key.lowLevelDb), key.lowLevelDb);
    number(colHighLevel, Decibels(key.highLevelDb), key.highLevelDb);
    number(colTwist, Decibels(key.twistDb()), key.twistDb());
  }
  setSortingEnabled(true);
  sortItems(colStart, Qt::AscendingOrder);
}

int TKeyTable::KeyAtRow(int row) const {
  const QTableWidgetItem* start = item(row, colStart);
  return start ? start->data(KeyIndexRole).toInt() : -1;
}

int TKeyTable::SelectedKey() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : KeyAtRow(rows.first().row());
}

void TKeyTable::SelectKey(int index) {
  for (int row = 0; row < rowCount(); ++row) {
    if (KeyAtRow(row) != index) continue;
    selectRow(row);
    setCurrentCell(row, currentColumn() < 0 ? colStart : currentColumn());
    scrollToItem(item(row, colStart));
    return;
  }
  clearSelection();
}
