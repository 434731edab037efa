#pragma once
// A time view shown offscreen, without border, at a fixed size and day, so
// that geometry in tests is the client geometry.
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

#include "core/Clock.h"
#include "timeview/RBTimeView.h"

inline TDate Day0() { return dt::EncodeDate(2026, 3, 9); }  // a Monday
inline TTime HM(int h, int m) { return dt::EncodeTime(h, m); }

class TimeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clock::SetSource([] { return Day0() + HM(9, 0); });
    view = std::make_unique<TRBTimeView>();
    view->SetBorderStyle(bsNone);
    view->resize(640, 480);
    view->show();
    Settle();
  }
  void TearDown() override {
    if (view) view->OnDeletion = nullptr;  // handlers may refer to the test's locals
    view.reset();
    Clock::SetSource({});
  }
  static void Settle() { QApplication::processEvents(); }
  TRBTimeViewItem* Add(TDateTime start, TDateTime end, const QString& text = QString(), bool allDay = false) {
    return view->Items()->Add(text, allDay, start, end);
  }
  std::unique_ptr<TRBTimeView> view;
};
