#pragma once

// A test suite over the report window and one demo installation that its tests share: each
// test gets the usual registry and a data module, opens the window, connects and presses keys
// as the operator does.

#include <gtest/gtest.h>

#include <QDate>
#include <memory>
#include <string>

#include "app/rngrepcostoav.h"
#include "report/CommandLine.h"
#include "report/dm.h"
#include "tests/app/support/Installation.h"

namespace apptest {

class ReportWindowFixture : public ::testing::Test {
 protected:
  // Makes the suite's installation, its server list naming its own folder; the suite's
  // SetUpTestSuite adds the companies to it. TearDownTestSuite removes it.
  static Installation& NewInstallation();
  static void TearDownTestSuite();

  // The usual registry and a new data module.
  void SetUp() override;
  // CloseWindow().
  void TearDown() override;

  // Makes, shows and activates the window (the first activation runs the command line).
  Tfrepcostoav& Open(report::CommandLineArguments arguments = {});
  // Shows the open window, types the origin with `company` and leaves the company input: the
  // window connects. Fails the test when the window does not become active.
  void Connect(const std::string& company = "001");
  // Types the origin with `company` into the open window and leaves the company input.
  void TypeOrigin(const std::string& company);
  // A key as the operator presses it: to the focused control, else to the window.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Destroys the window, then the data module and with it the connection.
  void CloseWindow();

  // The first and the last day of the current month, the period a connect step sets.
  static QDate FirstOfMonth();
  static QDate LastOfMonth();

  static Installation* install_;
  std::unique_ptr<Tfdm> dataModule_;
  std::unique_ptr<Tfrepcostoav> window_;
};

}  // namespace apptest
