// The key details window, opened from the main window on a file the test synthesises with keys at
// known times; its export is compared with what the real tonesentry tool prints for that file.
#include "app/details/KeyDetailsWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "ToolRunner.h"
#include "VirtualDeviceList.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"
#include "dtmf/SampleAnalysis.h"
#include "dtmf/qv_dtmf.h"
#include "settings/player/PlayerIni.h"

namespace {

namespace fs = std::filesystem;
constexpr int FailSafeMs = 60000;
constexpr int Rate = 16000;
constexpr double FrameToleranceMs = 40;  // the detector works in 32 ms frames

struct TPlacedKey {
  char key;
  double startMs;
  double durationMs;
};

// Two sines added (a key's tone pair), each at `amplitude`.
std::vector<float> TonePair(double lowHz, double highHz, double amplitude, int rate, size_t frames) {
  std::vector<float> pair = audiofixtures::Sine(lowHz, amplitude, rate, frames);
  const std::vector<float> high = audiofixtures::Sine(highHz, amplitude, rate, frames);
  for (size_t i = 0; i < frames; ++i) pair[i] += high[i];
  return pair;
}

// Keys as pure tone pairs (-12 dB FS each) at the given times, in silence, as a 16-bit WAV file.
void WriteKeysAt(const fs::path& path, const std::vector<TPlacedKey>& keys, double totalMs) {
  static const std::string keypad = "123A456B789C*0#D";
  static const double rows[] = {697, 770, 852, 941};
  static const double cols[] = {1209, 1336, 1477, 1633};
  std::vector<float> samples(static_cast<size_t>(totalMs * Rate / 1000), 0.0f);
  for (const TPlacedKey& placed : keys) {
    const size_t at = keypad.find(placed.key);
    const std::vector<float> tone =
        TonePair(rows[at / 4], cols[at % 4], 0.25, Rate, static_cast<size_t>(placed.durationMs * Rate / 1000));
    std::copy(tone.begin(), tone.end(), samples.begin() + static_cast<ptrdiff_t>(placed.startMs * Rate / 1000));
  }
  audiofixtures::WriteWav(path, samples, Rate, 1, 16);
}

const std::vector<TPlacedKey> PlacedKeys = {{'4', 500, 120}, {'7', 1300, 200}, {'#', 2600, 90}, {'D', 3400, 150}};

class KeyDetailsTest : public testing::Test {
 protected:
  void SetUp() override {
    bridge = std::make_unique<TQtMainThreadBridge>();
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    PlayerIni = std::make_unique<TPlayerIni>();
    PlayerIni->SetDTMFChannelMode(0);
    InitializeDtmfModule();
    file = dir / "keys.wav";
    WriteKeysAt(file, PlacedKeys, 4500);
  }
  void TearDown() override {
    FinalizeDtmfModule();
    PlayerIni.reset();
    bridge.reset();
  }
  // Analyses `file` in the main window and opens the details window with Ctrl+D.
  TKeyDetailsWindow* OpenDetails(TForm1& form) {
    form.show();
    EXPECT_TRUE(form.OpenFile(QString::fromStdString(file.string())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Analysing(); }, FailSafeMs));
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Edit1()->setFocus();
    QTest::keyClick(form.Edit1(), Qt::Key_D, Qt::ControlModifier);
    return form.KeyDetails();
  }
  // No sound hardware unless a test lists some: the same devices on every machine.
  VirtualDeviceList noDevices{""};
  std::unique_ptr<TQtMainThreadBridge> bridge;
  audiofixtures::TempDir dir;
  fs::path file;
};

TEST_F(KeyDetailsTest, CtrlDOpensTheDetailsOfTheLastFileWithEveryKeyAtItsTime) {
  TForm1 form;
  EXPECT_FALSE(form.KeyDetailsAction()->isEnabled());  // nothing analysed yet
  form.ShowKeyDetails();
  EXPECT_EQ(form.KeyDetails(), nullptr);

  TKeyDetailsWindow* details = OpenDetails(form);
  ASSERT_NE(details, nullptr);
  EXPECT_TRUE(details->isVisible());
  EXPECT_TRUE(details->windowTitle().endsWith("keys.wav"));
  const TKeyTable* table = details->KeyTable();
  ASSERT_EQ(table->rowCount(), static_cast<int>(PlacedKeys.size()));
  for (int row = 0; row < table->rowCount(); ++row) {
    const TPlacedKey& placed = PlacedKeys[row];
    const TDetectedKey& key = details->Keys()[table->KeyAtRow(row)];
    EXPECT_EQ(table->item(row, TKeyTable::colKey)->text(), QString(QChar(placed.key)));
    EXPECT_NEAR(key.startMs, placed.startMs, FrameToleranceMs) << placed.key;
    EXPECT_NEAR(key.durationMs, placed.durationMs, 2 * FrameToleranceMs) << placed.key;
    EXPECT_EQ(table->item(row, TKeyTable::colStart)->text().toStdString(), FormatClockTime(key.startMs));
    EXPECT_NEAR(key.lowLevelDb, -12, 1.5);
    EXPECT_EQ(table->item(row, TKeyTable::colTwist)->text(), QString::number(std::round(key.twistDb() * 10) / 10, 'f', 1));
  }
  EXPECT_EQ(FormatClockTime(3723004.4), "01:02:03.004");
}

TEST_F(KeyDetailsTest, TheTonesBoxContextMenuOffersKeyDetailsWithItsShortcut) {
  TForm1 form;
  OpenDetails(form)->close();
  const std::unique_ptr<QMenu> menu = form.CreateTonesContextMenu();
  const QList<QAction*> actions = menu->actions();
  ASSERT_FALSE(actions.isEmpty());
  QAction* entry = actions.last();
  EXPECT_EQ(entry->text(), "Key details...");
  EXPECT_EQ(entry->shortcut(), QKeySequence("Ctrl+D"));
  EXPECT_TRUE(entry->isEnabled());
  entry->trigger();
  EXPECT_TRUE(form.KeyDetails()->isVisible());
  EXPECT_GT(actions.size(), 2);  // the box's own entries (copy, select all) stay
}

TEST_F(KeyDetailsTest, SortingKeepsEachRowWithItsKey) {
  TForm1 form;
  TKeyTable* table = OpenDetails(form)->KeyTable();
  table->sortItems(TKeyTable::colDuration, Qt::DescendingOrder);
  ASSERT_EQ(table->item(0, TKeyTable::colKey)->text(), "7");  // the longest key
  EXPECT_EQ(table->item(table->rowCount() - 1, TKeyTable::colKey)->text(), "#");
  table->selectRow(0);
  EXPECT_EQ(form.KeyDetails()->Keys()[table->SelectedKey()].key, u'7');
}

TEST_F(KeyDetailsTest, SelectingARowZoomsTheSonogramOnThatKeyAndTheStripSelectsRowsToo) {
  TForm1 form;
  TKeyDetailsWindow* details = OpenDetails(form);
  TSonogramView* strip = details->Sonogram();
  EXPECT_EQ(strip->SelectedKey(), -1);
  EXPECT_DOUBLE_EQ(strip->VisibleStartSeconds(), 0);
  EXPECT_GE(strip->VisibleEndSeconds(), 4.4);

  details->KeyTable()->selectRow(2);
  const int index = details->KeyTable()->SelectedKey();
  const TDetectedKey& key = details->Keys()[index];
  EXPECT_EQ(key.key, u'#');
  EXPECT_EQ(strip->SelectedKey(), index);
  EXPECT_NEAR(strip->VisibleStartSeconds(), key.startMs / 1000 - 1, 1e-9);
  EXPECT_NEAR(strip->VisibleEndSeconds(), (key.startMs + key.durationMs) / 1000 + 1, 1e-9);
  EXPECT_TRUE(QTest::qWaitFor([&] { return strip->DetailDone(); }, FailSafeMs));

  strip->setFocus();
  QTest::keyClick(strip, Qt::Key_Right);  // the strip moves the table's selection, which zooms it
  EXPECT_EQ(details->Keys()[details->KeyTable()->SelectedKey()].key, u'D');
  EXPECT_EQ(strip->SelectedKey(), details->KeyTable()->SelectedKey());
  QTest::keyClick(strip, Qt::Key_Escape);
  EXPECT_EQ(details->KeyTable()->SelectedKey(), -1);
  EXPECT_EQ(strip->SelectedKey(), -1);
  EXPECT_DOUBLE_EQ(strip->VisibleStartSeconds(), 0);
}

TEST_F(KeyDetailsTest, ExportWritesWhatTheToolPrintsForTheFile) {
  TForm1 form;
  TKeyDetailsWindow* details = OpenDetails(form);
  for (const auto& [format, name] : {std::pair{TOutputFormat::Csv, "csv"}, std::pair{TOutputFormat::Json, "json"},
                                     std::pair{TOutputFormat::Labels, "labels"}}) {
    const clitest::TToolRun tool = clitest::RunTool(dir.path(), std::string("detect --format ") + name + " '" + file.string() + "'");
    ASSERT_EQ(tool.status, 0) << tool.err;
    const fs::path exported = dir / (std::string("export.") + name);
    QString error;
    ASSERT_TRUE(details->ExportTo(QString::fromStdString(exported.string()), format, error)) << error.toStdString();
    EXPECT_EQ(clitest::ReadText(exported), tool.out) << name;
  }
  QString error;
  EXPECT_FALSE(details->ExportTo(QString::fromStdString((dir / "no-such-folder" / "x.csv").string()), TOutputFormat::Csv, error));
  EXPECT_FALSE(error.isEmpty());
}

TEST_F(KeyDetailsTest, WithoutAnOutputDevicePlayStaysDisabledAndSaysWhy) {
  TForm1 form;
  TKeyDetailsWindow* details = OpenDetails(form);
  details->KeyTable()->selectRow(1);
  EXPECT_FALSE(details->PlayButton()->isEnabled());
  EXPECT_TRUE(details->PlayButton()->toolTip().contains("sound output device")) << details->PlayButton()->toolTip().toStdString();
  EXPECT_EQ(details->PlayButton()->accessibleDescription(), details->PlayButton()->toolTip());
}

// What the virtual speakers played, left channel, at their rate.
class TSpeakerRecording {
 public:
  explicit TSpeakerRecording(const std::string& deviceId) : FDeviceId(deviceId) {
    audiolib::VirtualDevices::Instance().SetOutputTap(
        deviceId, [this](const float* samples, size_t frames, DWORD channels, DWORD sampleRate) {
          const std::lock_guard<std::mutex> lock(FMutex);
          FRate = static_cast<int>(sampleRate);
          for (size_t frame = 0; frame < frames; ++frame) FLeft.push_back(samples[frame * channels]);
        });
  }
  ~TSpeakerRecording() { audiolib::VirtualDevices::Instance().SetOutputTap(FDeviceId, nullptr); }
  std::vector<float> Take(int& rate) {
    const std::lock_guard<std::mutex> lock(FMutex);
    rate = FRate;
    return std::move(FLeft);
  }

 private:
  std::string FDeviceId;
  std::mutex FMutex;
  std::vector<float> FLeft;
  int FRate = 0;
};

// Selecting a key and pressing Play sends that stretch of the file, a second either side of the
// key, to the default output: the keys heard there are the keys in that stretch, no others, and
// as far apart as in the file.
TEST_F(KeyDetailsTest, PlayPlaysTheSelectedKeyWithASecondBeforeAndAfterItOnTheDefaultOutput) {
  const VirtualDeviceList speakers("output|Speakers|spk|default");
  std::vector<TDetectedKey> keys;
  for (const TPlacedKey& placed : PlacedKeys) keys.push_back({static_cast<char16_t>(placed.key), placed.startMs, placed.durationMs});
  struct TCase {
    int row;
    std::u16string heard;  // 7 is 1300-1500 ms: 300-2500 ms holds 4 and 7; # is 2600-2690: 1600-3690 holds # and D
    double gapMs;
  };
  for (const TCase& listen : {TCase{1, u"47", 800}, TCase{2, u"#D", 800}}) {
    TKeyDetailsWindow details;
    details.ShowFile(file.string(), 4.5, keys);
    details.KeyTable()->selectRow(listen.row);
    ASSERT_TRUE(details.PlayButton()->isEnabled()) << details.PlayButton()->toolTip().toStdString();
    TSpeakerRecording recording("spk");
    details.PlayButton()->click();
    ASSERT_TRUE(details.Player().Playing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !details.Player().Playing(); }, FailSafeMs));
    QTest::qWait(static_cast<int>(BASS_GetConfig(BASS_CONFIG_BUFFER)) + 300);  // what was rendered ahead is heard too
    int rate = 0;
    const std::vector<float> heard = recording.Take(rate);
    ASSERT_GT(rate, 0);
    const TSampleAnalysisResult analysis = AnalyseSamples(heard, rate, TDtmfDetector::Standard);
    ASSERT_TRUE(analysis.error.empty()) << analysis.error;
    std::u16string heardKeys;
    for (const TDetectedKey& key : analysis.keys) heardKeys += key.key;
    EXPECT_EQ(heardKeys, listen.heard) << "row " << listen.row;
    if (analysis.keys.size() == 2) {
      EXPECT_NEAR(analysis.keys[1].startMs - analysis.keys[0].startMs, listen.gapMs, FrameToleranceMs);
    }
  }
}

TEST_F(KeyDetailsTest, TheKeyboardReachesEveryControlAndEachHasAName) {
  TForm1 form;
  TKeyDetailsWindow* details = OpenDetails(form);
  const std::vector<QWidget*> controls = {details->KeyTable(), details->Sonogram(), details->PlayButton(),
                                          details->ExportButton(), details->CloseButton()};
  for (QWidget* control : controls) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->accessibleName().toStdString();
  }
  // Tab goes round them in order; Qt skips the disabled Play button.
  details->KeyTable()->setFocus();
  std::vector<std::string> reached;
  for (int press = 0; press < 4; ++press) {
    QTest::keyClick(details->focusWidget(), Qt::Key_Tab);
    reached.push_back(details->focusWidget()->accessibleName().toStdString());
  }
  EXPECT_EQ(reached, (std::vector<std::string>{"Spectrogram", "Export keys", "Close", "Keys"}));
}

TEST_F(KeyDetailsTest, ANewAnalysisReplacesTheKeysOfAnOpenDetailsWindow) {
  TForm1 form;
  TKeyDetailsWindow* details = OpenDetails(form);
  const fs::path other = dir / "other.wav";
  WriteKeysAt(other, {{'9', 300, 100}}, 1000);
  ASSERT_TRUE(form.OpenFile(QString::fromStdString(other.string())));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Analysing(); }, FailSafeMs));
  ASSERT_EQ(details->KeyTable()->rowCount(), 1);
  EXPECT_EQ(details->KeyTable()->item(0, TKeyTable::colKey)->text(), "9");
  EXPECT_TRUE(details->windowTitle().endsWith("other.wav"));
}

}  // namespace
