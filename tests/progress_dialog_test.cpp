#include "ui/progress_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "scripted_ui.h"

namespace fennimar {
namespace {

using testing::ShownMessage;

TEST(ProgressDialogTest, NewDialogShowsZeroAndNoStopEvenAfterAStoppedOne) {
  testing::ScriptedUi ui;
  {
    ProgressDialog first(ui);
    ui.answers = {Answer::kYes};
    first.Stop();
    EXPECT_TRUE(first.stopRequested());
  }
  EXPECT_EQ(ui.progress, nullptr);
  ProgressDialog second(ui);
  EXPECT_EQ(ui.progress, &second);
  EXPECT_EQ(second.percent(), 0);
  EXPECT_FALSE(second.stopRequested());
  EXPECT_EQ(ui.progressDialogsShown, 2);
}

TEST(ProgressDialogTest, StopAsksAndOnlyYesSetsTheFlagForGood) {
  testing::ScriptedUi ui;
  ProgressDialog dialog(ui);
  ui.answers = {Answer::kNo};
  dialog.Stop();
  EXPECT_FALSE(dialog.stopRequested());
  EXPECT_EQ(
      ui.messages,
      (std::vector<ShownMessage>{{"Do you really want stop?", "Fennimar", MessageKind::kYesNo}}));
  ui.answers = {Answer::kYes, Answer::kNo};
  dialog.Stop();
  dialog.Stop();  // a later No does not clear it
  EXPECT_TRUE(dialog.stopRequested());
  EXPECT_EQ(ui.progress, &dialog);  // the window stays until the engine ends it
}

TEST(ProgressDialogTest, SetPercentAndStatusTextReachTheWindow) {
  testing::ScriptedUi ui;
  ProgressDialog dialog(ui);
  dialog.SetStatusText(" Merging 3 files to create: /out/R.DOC");
  EXPECT_EQ(dialog.statusText(), " Merging 3 files to create: /out/R.DOC");
  dialog.SetPercent(42);
  EXPECT_EQ(dialog.percent(), 42);
  EXPECT_EQ(ui.percents.back(), 42);
}

TEST(ProgressDialogTest, BarGeometryFollowsTheClientRectangle) {
  // 300 pixels wide at 50 %: the bar is 290 wide and 145 are filled.
  BarGeometry g = ProgressDialog::Geometry({0, 0, 300, 100}, 50);
  EXPECT_EQ(g.bar, (Rect{5, 52, 295, 72}));
  EXPECT_EQ(g.filled, (Rect{5, 52, 150, 72}));
  EXPECT_EQ(g.empty, (Rect{150, 53, 294, 71}));

  g = ProgressDialog::Geometry({10, 20, 210, 120}, 0);
  EXPECT_EQ(g.bar, (Rect{15, 72, 205, 92}));
  EXPECT_EQ(g.filled.Width(), 0);
  EXPECT_EQ(g.empty, (Rect{15, 73, 204, 91}));

  g = ProgressDialog::Geometry({0, 0, 300, 100}, 100);
  EXPECT_EQ(g.filled.right, g.bar.right);
  // The filled width truncates: 290 * 33 / 100 = 95.7.
  EXPECT_EQ(ProgressDialog::Geometry({0, 0, 300, 100}, 33).filled.Width(), 95);
}

TEST(ProgressDialogTest, PercentOfNeverOverflowsAndIsZeroWithoutATotal) {
  EXPECT_EQ(PercentOf(0, 1000), 0);
  EXPECT_EQ(PercentOf(999, 1000), 99);
  EXPECT_EQ(PercentOf(1000, 1000), 100);
  // Beyond 21,474,836 bytes, bytes * 100 leaves 32 bits.
  EXPECT_EQ(PercentOf(21474837, 21474837), 100);
  EXPECT_EQ(PercentOf(0x7FFFFFFF / 2, 0x7FFFFFFF), 49);
  EXPECT_EQ(PercentOf(0x7FFFFFFF, 0x7FFFFFFF), 100);
  EXPECT_EQ(PercentOf(5000, 0), 0);
}

}  // namespace
}  // namespace fennimar
