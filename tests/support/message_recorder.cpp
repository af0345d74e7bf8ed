#include "tests/support/message_recorder.h"

#include "platform/message_box.h"

void RecordMessageBoxes(std::vector<std::string>& messages, std::vector<std::string>& captions,
                        std::deque<int>& answers) {
  SetMessageBoxHandler([&messages, &captions, &answers](const std::string& text,
                                                        const std::string& caption, UINT type) {
    messages.push_back(text);
    captions.push_back(caption);
    if ((type & 0xF) == MB_YESNO) {
      int answer = answers.empty() ? IDNO : answers.front();
      if (!answers.empty()) answers.pop_front();
      return answer;
    }
    return IDOK;
  });
}
