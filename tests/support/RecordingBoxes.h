#pragma once

#include <QCoreApplication>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "support/TestSupport.h"

namespace testing_support {

// Installed for its lifetime in place of the real message boxes: records every box whole
// (and as "caption: text" in `shown`) and answers from a script, then with `fallback`.
class RecordingBoxes final : public platform::MessageBoxSeam {
  public:
    explicit RecordingBoxes(int fallback = platform::IDOK) : fallback_(fallback) {
        platform::InstallMessageBoxSeam(this);
    }
    ~RecordingBoxes() override { platform::InstallMessageBoxSeam(nullptr); }
    int Show(const platform::MessageBoxRequest& box) override {
        boxes.push_back(box);
        shown.push_back(box.caption + ": " + box.text);
        if (answers.empty()) {
            return fallback_;
        }
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<platform::MessageBoxRequest> boxes;
    std::vector<std::string> shown;
    std::vector<int> answers;

  private:
    int fallback_;
};

// Runs the event loop until `condition` holds or `timeout` passes.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return WaitFor(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return condition();
        },
        timeout);
}

}  // namespace testing_support
