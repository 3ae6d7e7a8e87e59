#pragma once

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

namespace testx11 {

// After a hand-over took the clipboard on another connection: lets Qt read the later server
// time the hand-over showed (it comes as events), so that a next copy can take the clipboard.
inline void LetQtTakeTheClipboardAgain() {
  for (int tries = 0; tries < 100; ++tries) {
    QTest::qWait(20);
    QGuiApplication::clipboard()->setText("probe");
    if (QGuiApplication::clipboard()->ownsClipboard()) break;
  }
  QGuiApplication::clipboard()->clear();
}

}  // namespace testx11
