#include "tests/app/support/ReportWindowFixture.h"

#include <QApplication>
#include <QTest>

#include "tests/app/support/Window.h"

namespace apptest {

Installation* ReportWindowFixture::install_ = nullptr;

Installation& ReportWindowFixture::NewInstallation() {
  delete install_;
  install_ = new Installation;
  install_->WriteFile("SERVIDORES.cfg", install_->Folder() + "\r\n");
  return *install_;
}

void ReportWindowFixture::TearDownTestSuite() {
  delete install_;
  install_ = nullptr;
}

void ReportWindowFixture::SetUp() {
  install_->UseDefaultRegistry();
  dataModule_ = std::make_unique<Tfdm>();
}

void ReportWindowFixture::TearDown() { CloseWindow(); }

Tfrepcostoav& ReportWindowFixture::Open(report::CommandLineArguments arguments) {
  return OpenWindow(window_, std::move(arguments));
}

void ReportWindowFixture::Connect(const std::string& company) {
  ASSERT_TRUE(ShowAndConnect(*window_, company));
}

void ReportWindowFixture::TypeOrigin(const std::string& company) {
  apptest::TypeOrigin(*window_, company);
}

void ReportWindowFixture::Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target != nullptr ? target : window_.get(), key, modifiers);
}

void ReportWindowFixture::CloseWindow() {
  window_.reset();
  dataModule_.reset();
}

QDate ReportWindowFixture::FirstOfMonth() {
  const QDate today = QDate::currentDate();
  return QDate(today.year(), today.month(), 1);
}

QDate ReportWindowFixture::LastOfMonth() {
  const QDate today = QDate::currentDate();
  return QDate(today.year(), today.month(), today.daysInMonth());
}

}  // namespace apptest
