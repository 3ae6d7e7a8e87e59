// The connection's hourglass: shown while a connection works on the GUI thread, never from
// another thread, whose calls must not touch the application's cursor.

#include "data/SqlSupport.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <thread>

namespace {

TEST(HourglassTest, ShownOnTheGuiThreadOnly) {
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    const sqlsupport::Hourglass hourglass(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  bool shownFromWorker = true;
  std::thread worker([&] {
    const sqlsupport::Hourglass hourglass(true);
    shownFromWorker = QGuiApplication::overrideCursor() != nullptr;
  });
  worker.join();
  EXPECT_FALSE(shownFromWorker);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
