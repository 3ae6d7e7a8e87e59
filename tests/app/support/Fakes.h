#pragma once

// Message boxes and save dialogs that answer without a person, installed for the lifetime of
// the fake.

#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace apptest {

struct ShownBox {
  std::string text;
  std::string caption;
  platform::MsgIcon icon;
};

// Records every box shown; OnShow, when set, runs while the box is "open".
class RecordingBoxes : public platform::IMessageBoxes {
 public:
  RecordingBoxes() { platform::SetMessageBoxes(this); }
  ~RecordingBoxes() override { platform::SetMessageBoxes(nullptr); }
  void Show(const std::string& text, const std::string& caption,
            platform::MsgIcon icon) override {
    shown.push_back({text, caption, icon});
    if (OnShow) OnShow(shown.back());
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : shown) texts.push_back(box.text);
    return texts;
  }
  std::vector<ShownBox> shown;
  std::function<void(const ShownBox&)> OnShow;
};

// Answers every save dialog with `answer` and records the requests.
class AnsweringSaveDialogs : public platform::ISaveDialogs {
 public:
  AnsweringSaveDialogs() { platform::SetSaveDialogs(this); }
  ~AnsweringSaveDialogs() override { platform::SetSaveDialogs(nullptr); }
  platform::SaveDialogResult Run(const platform::SaveDialogRequest& request) override {
    requests.push_back(request);
    return answer;
  }
  platform::SaveDialogResult answer;
  std::vector<platform::SaveDialogRequest> requests;
};

}  // namespace apptest
