#include "app/ErrorReport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEvent>
#include <new>
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

// Sends an event whose handler fails with `fail` and gives the texts of the boxes shown.
std::vector<std::string> ShownFor(std::function<void()> fail) {
  apptest::RecordingBoxes boxes;
  Thrower receiver;
  receiver.fail = std::move(fail);
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &event);
  return boxes.Texts();
}

// Sets the soft limit of a resource while alive (0: none).
class SoftLimit {
 public:
  SoftLimit(int resource, rlim_t value) : resource_(resource) {
    ::getrlimit(resource_, &former_);
    rlimit limit = former_;
    if (value != 0) limit.rlim_cur = value;
    ::setrlimit(resource_, &limit);
  }
  ~SoftLimit() { ::setrlimit(resource_, &former_); }

 private:
  int resource_;
  rlimit former_{};
};

TEST(ErrorReportTest, AFailureUnderAResourceLimitNamesTheLimit) {
  const struct {
    int resource;
    rlim_t limit;
    std::function<void()> fail;
    std::string shown;
  } cases[] = {
      {RLIMIT_FSIZE, 2048 * 1024,
       [] { throw platform::Exception("Error while trying to write to file\nFile too large"); },
       "Error while trying to write to file\nFile too large\nLikely cause: the file size limit "
       "(ulimit -f) of 2048 KiB."},
      {RLIMIT_FSIZE, 0, [] { throw platform::Exception("File too large"); }, "File too large."},
      {RLIMIT_AS, rlim_t{64} << 30, [] { throw std::bad_alloc(); },
       "Out of memory (the address space limit, ulimit -v, is 67108864 KiB)."},
  };
  for (const auto& c : cases) {
    const SoftLimit limit(c.resource, c.limit);
    EXPECT_EQ(ShownFor(c.fail), std::vector<std::string>{c.shown}) << c.shown;
  }
}

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
