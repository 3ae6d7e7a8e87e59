#include "app/ErrorReport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <stdexcept>

#include "platform/Errors.h"
#include "tests/app/support/Fakes.h"

namespace {

TEST(ErrorReportTest, FullStopIsAddedWhenTheLastCharacterSortsAfterTheDot) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Field 'Bodega' not found", "Field 'Bodega' not found."},
      {"Ya termina.", "Ya termina."},
      {"abc", "abc."},
      {"a/", "a/."},           // '/' follows '.'
      {"a1", "a1."},
      {"a-", "a-"},            // '-' precedes '.'
      {"Hola!", "Hola!"},
      {"(x)", "(x)"},
      {"a ", "a "},
      {"Compa\xF1\xED" "a", "Compa\xF1\xED" "a."},  // bytes above 0x7F sort after '.'
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::ErrorReportText(c.message), c.shown) << c.message;
  }
}

// A receiver whose event handler fails with whatever the test gives it.
class Thrower : public QObject {
 public:
  std::function<void()> fail;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) fail();
    return QObject::event(e);
  }
};

TEST(ErrorReportTest, AnExceptionLeavingAnEventHandlerIsShownOnceInAStopBox) {
  const struct {
    std::function<void()> fail;
    std::vector<std::string> shown;
  } cases[] = {
      {[] { throw platform::Exception("CRepcliente: Field 'Bodega' not found"); },
       {"CRepcliente: Field 'Bodega' not found."}},
      {[] { throw std::runtime_error("disk full"); }, {"disk full."}},
      {[] { throw platform::EAbort(); }, {}},
      {[] { throw 42; }, {"Unknown exception."}},
  };
  for (const auto& c : cases) {
    apptest::RecordingBoxes boxes;
    Thrower receiver;
    receiver.fail = c.fail;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    EXPECT_EQ(boxes.Texts(), c.shown);
    for (const apptest::ShownBox& box : boxes.shown) {
      EXPECT_EQ(box.caption, "tests_app");
      EXPECT_EQ(box.icon, platform::MsgIcon::Stop);
    }
  }
}

}  // namespace
