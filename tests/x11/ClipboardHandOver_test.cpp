// The copy's hand-over to a clipboard manager when the window closes, on a real X server.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/ClipboardHandOver.h"
#include "platform/Errors.h"
#include "tests/x11/support/ClipboardManagerStandIn.h"
#include "tests/x11/support/QtClipboardTime.h"
#include "tests/x11/support/X11Tests.h"

namespace platform {
namespace {

unsigned Csv() { return RegisterClipboardFormat("Csv"); }
unsigned Rtf() { return RegisterClipboardFormat("Rich Text Format"); }
unsigned Gridbif() { return RegisterClipboardFormat("GRIDBIF"); }

// The Unicode block: "año <n>\r\n" lines up to about `bytes`, zero ended, in UTF-16LE.
QByteArray UnicodeBlock(qsizetype bytes) {
  QByteArray block;
  for (int line = 0; block.size() < bytes; ++line) {
    const QString text = QStringLiteral("a\u00F1o %1\r\n").arg(line);
    block.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  }
  return block.append(2, '\0');
}

// Blocks of several sizes, the largest well past one piece of a property; GRIDBIF cannot be
// written. Counts what it is asked for.
class SizedRenderer : public IClipboardRenderer {
 public:
  QByteArray Render(unsigned format) override {
    ++calls[format];
    if (format == Gridbif()) throw EClipboardException("Out of memory");
    return Block(format);
  }
  static QByteArray Block(unsigned format) {
    if (format == CF_TEXT) return QByteArray("short text", 11);
    if (format == CF_UNICODETEXT) return UnicodeBlock(600 * 1024);
    if (format == Csv()) return QByteArray(300 * 1024, 'c');
    if (format == Rtf()) return QByteArray(5 * 1024 * 1024 + 7, 'r');
    return QByteArray();
  }
  std::map<unsigned, int> calls;
};

std::string Text(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The UTF-8 text of the Unicode block, without its zero.
std::string PlainText() {
  const QByteArray block = SizedRenderer::Block(CF_UNICODETEXT);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(block.constData()),
                            block.size() / 2 - 1)
      .toStdString();
}

// The close's hand-over; afterwards Qt may take the clipboard again for the next case.
void CloseHandOver() {
  HandOverClipboardAtClose();
  testx11::LetQtTakeTheClipboardAgain();
}

std::weak_ptr<SizedRenderer> OfferDelayedCopy() {
  auto renderer = std::make_shared<SizedRenderer>();
  std::weak_ptr<SizedRenderer> watch = renderer;
  ClipboardSession session;
  session.SetDelayedData({CF_TEXT, CF_UNICODETEXT, Csv(), Rtf(), Gridbif()}, std::move(renderer));
  return watch;
}

TEST(ClipboardHandOver, ManagerGetsWhatItAsksForAndTheCopySurvivesTheClose) {
  SKIP_WITHOUT_X11();
  struct Case {
    const char* name;
    testx11::ClipboardManagerStandIn::Options options;
    std::vector<std::string> saved;  // targets the manager ends with
  };
  const std::vector<std::string> every{"text/plain;charset=windows-1252",
                                       "text/plain;charset=utf-16le",
                                       "UTF8_STRING",
                                       "text/plain;charset=utf-8",
                                       "text/plain",
                                       "text/csv",
                                       "text/rtf"};
  // In one MULTIPLE request each value is promised in pieces before it is written, so a
  // block that cannot be written comes as an empty value rather than a refusal.
  std::vector<std::string> everyPromised = every;
  everyPromised.push_back("application/x-gridbif");
  const Case cases[] = {
      {"one request per target", {{}, false}, every},
      {"one MULTIPLE request", {{}, true}, everyPromised},
      {"some targets", {{"UTF8_STRING", "text/rtf"}, false}, {"UTF8_STRING", "text/rtf"}},
      {"some targets, MULTIPLE", {{"text/rtf", "text/csv"}, true}, {"text/csv", "text/rtf"}},
  };
  const std::map<std::string, std::string> expected{
      {"text/plain;charset=windows-1252", Text(SizedRenderer::Block(CF_TEXT))},
      {"text/plain;charset=utf-16le", Text(SizedRenderer::Block(CF_UNICODETEXT))},
      {"UTF8_STRING", PlainText()},
      {"text/plain;charset=utf-8", PlainText()},
      {"text/plain", PlainText()},
      {"text/csv", Text(SizedRenderer::Block(Csv()))},
      {"text/rtf", Text(SizedRenderer::Block(Rtf()))},
      {"application/x-gridbif", ""},
  };
  for (const Case& c : cases) {
    testx11::ClipboardManagerStandIn manager(c.options);
    ASSERT_TRUE(manager.Ready()) << c.name;
    std::weak_ptr<SizedRenderer> watch = OfferDelayedCopy();
    ASSERT_TRUE(ClipboardHoldsDelayedData()) << c.name;
    EXPECT_TRUE(watch.lock()->calls.empty()) << c.name;

    // The close hands over; the renderer is kept only for the hand-over.
    std::map<unsigned, int> calls;
    {
      auto renderer = watch.lock();
      CloseHandOver();
      calls = renderer->calls;
    }
    EXPECT_TRUE(watch.expired()) << c.name;
    EXPECT_FALSE(ClipboardHoldsDelayedData()) << c.name;
    ASSERT_TRUE(manager.WaitForSave(10)) << c.name;

    std::vector<std::string> offered = manager.Offered();
    ASSERT_GE(offered.size(), 3u) << c.name;
    EXPECT_EQ(
        std::vector<std::string>(offered.begin() + 3, offered.end()),
        (std::vector<std::string>{"text/plain;charset=windows-1252", "text/plain;charset=utf-16le",
                                  "UTF8_STRING", "text/plain;charset=utf-8", "text/plain",
                                  "text/csv", "text/rtf", "application/x-gridbif"}))
        << c.name;
    const std::map<std::string, std::string> saved = manager.Saved();
    std::vector<std::string> names;
    for (const auto& [name, bytes] : saved) {
      names.push_back(name);
      EXPECT_TRUE(bytes == expected.at(name))
          << c.name << ": " << name << " " << bytes.size() << " bytes";
    }
    std::vector<std::string> wanted = c.saved;
    std::sort(wanted.begin(), wanted.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, wanted) << c.name;

    // Each block is written once for the targets asked for, none for targets not asked; the
    // UTF-8 text asked for under several names in a row is made once.
    bool utf8 = false;
    for (const char* text : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"}) {
      utf8 = utf8 || saved.count(text) > 0;
    }
    EXPECT_EQ(calls[CF_UNICODETEXT],
              static_cast<int>(saved.count("text/plain;charset=utf-16le")) + (utf8 ? 1 : 0))
        << c.name;
    EXPECT_EQ(calls[CF_TEXT], static_cast<int>(saved.count("text/plain;charset=windows-1252")))
        << c.name;
    EXPECT_EQ(calls[Csv()], static_cast<int>(saved.count("text/csv"))) << c.name;
    EXPECT_EQ(calls[Rtf()], static_cast<int>(saved.count("text/rtf"))) << c.name;
  }
}

TEST(ClipboardHandOver, WithoutAManagerTheCloseWritesNothing) {
  SKIP_WITHOUT_X11();
  std::weak_ptr<SizedRenderer> watch = OfferDelayedCopy();
  std::map<unsigned, int> calls;
  {
    auto renderer = watch.lock();
    HandOverClipboardAtClose();
    calls = renderer->calls;
  }
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ClipboardHoldsDelayedData());
  // Nothing was offered at the end: the program no longer owns the clipboard.
  EXPECT_FALSE(QGuiApplication::clipboard()->ownsClipboard());

  int rendered = 0;
  EXPECT_EQ(HandOverToClipboardManager({{"text/rtf",
                                         [&] {
                                           ++rendered;
                                           return QByteArray("x");
                                         }}}),
            HandOverResult::NoManager);
  EXPECT_EQ(rendered, 0);
}

TEST(ClipboardHandOver, ContentsNotDelayedStayWithQt) {
  SKIP_WITHOUT_X11();
  {
    ClipboardSession session;
    session.SetData(CF_TEXT, std::string("12 rows\0", 8));
  }
  HandOverClipboardAtClose();
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("12 rows\0", 8));
}

}  // namespace
}  // namespace platform
